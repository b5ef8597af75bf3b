#pragma once
// A folder as the search walks it: a node of the folder tree, or a plain
// folder of the file system for a walk without windows.  The walk hands
// each folder the one read it made of it; the folder judges itself from it
// and makes its children, so nothing reads the folder a second time.

#include "platform/folderread.h"

#include <QString>
#include <cstdint>

namespace common {

class WalkFolder {
public:
    virtual ~WalkFolder() = default;

    // Absolute path without a trailing separator ("/" for the root); empty
    // for a virtual folder, which has no read.
    virtual QString Path() const = 0;
    // The folder's name as shown.
    virtual QString DisplayName() const = 0;
    // The device of the folder as last read, or -1 when not known: the walk
    // reads a child telling it this, so a file system's type is asked only
    // where the device changes.
    virtual int64_t Device() const = 0;
    // Opens the folder for the walk: `read` is the folder as it is now
    // (null for a virtual folder).  Judges what it is (a folder, a loop, a
    // pseudo file system) and makes its children from the read.
    virtual void Expand(const platform::FolderRead *read) = 0;
    // After Expand(): on a pseudo file system, neither listed nor entered.
    virtual bool IsPseudoFileSystem() const = 0;
    virtual WalkFolder *FirstChild() = 0;
    virtual WalkFolder *NextSibling() = 0;
};

} // namespace common
