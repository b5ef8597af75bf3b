#pragma once
// The file-system work of a search with copy.

#include "common/searchchannel.h"

#include <QString>
#include <cstdint>

namespace common {

// Copies the normal files of `source` matching `pattern` into
// `destination` (created, one level, when needed), one result line per file;
// returns the number copied, 0 after a stop request or a failure.
int64_t CopyMatchingFiles(const QString &source, const QString &destination, const QString &pattern,
                          SearchChannel &channel);

// The name of the one flat subfolder of the destination that takes the
// copies from the folder `path`: the path with the separator written as
// "￥" and ":" as "：".
QString CopyFolderName(const QString &path);
// Copies one file's bytes; the destination is replaced only when complete.
// A file larger than one chunk is copied chunk by chunk with a yield to the
// message loop between chunks, so the windows stay responsive; a stop
// request seen there takes effect after the file, not within it.
bool CopyFile(const QString &source, const QString &destination, SearchChannel &channel);
constexpr int64_t CopyChunkBytes = int64_t(1) << 20;
// True when `path` names an existing directory; a folder that cannot be
// told is reported through `channel`.
bool FolderExists(const QString &path, SearchChannel &channel);

} // namespace common
