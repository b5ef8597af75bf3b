#pragma once
// Handing paths to the desktop's own programs.

#include <QString>

namespace platform {

// Opens `path` with the desktop's program for it.
void OpenWithDesktop(const QString &path);

// Asks the desktop's file manager (the freedesktop FileManager1 service on
// the session bus) to show the folder that holds `path`, with `path`
// selected; when none is there or it refuses, `folder` is opened instead.
// The answer is awaited without blocking: a search may be running.
void ShowInFileManager(const QString &path, const QString &folder);

} // namespace platform
