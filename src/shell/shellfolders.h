#pragma once
// The desktop's services the main window needs: a folder dialog and the
// desktop folder's path.

#include <QString>

class QWidget;

namespace shell {

// Lets the user pick a folder; returns its path, `defaultText` on cancel, or
// an empty text after a failure.
QString BrowseForFolder(QWidget *owner, const QString &title, const QString &defaultText);
// The desktop folder's path, or an empty text.
QString DesktopFolder(QWidget *owner);

} // namespace shell
