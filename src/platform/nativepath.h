#pragma once
// Conversion of program paths to the byte strings the system calls take.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace platform {
namespace detail {

// Encodes `path` for a system call.  A path holding a NUL character is
// refused: the call would silently act on the shorter path before it.
inline bool ToNative(const QString &path, QByteArray &out)
{
    if (path.contains(QChar(0)))
        return false;
    out = QFile::encodeName(path);
    return true;
}

} // namespace detail
} // namespace platform
