#pragma once
// The desktop's services the main window needs: a folder dialog and the
// desktop folder's path.

#include <QString>

class QWidget;

namespace modShellFileDisk {

// Lets the user pick a folder; returns its path, `strDefault` on cancel, or
// an empty text after a failure.
QString BrowseForFolder(QWidget *owner, const QString &strTitle, const QString &strDefault);
// The desktop folder's path, or an empty text.
QString GetShellDesktopLocation(QWidget *owner);

} // namespace modShellFileDisk
