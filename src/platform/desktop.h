#pragma once
// Handing paths to the desktop's own programs.

#include <QString>
#include <functional>

namespace platform {

// Asks the desktop's file manager (the freedesktop FileManager1 service on
// the session bus) to show the folder that holds `path`, with `path`
// selected.  `done` runs on this thread once the answer is known: true when
// a file manager took the request, false when none is there or it refused,
// so that the caller can open the folder in another way.
void ShowInFileManager(const QString &path, std::function<void(bool shown)> done);

} // namespace platform
