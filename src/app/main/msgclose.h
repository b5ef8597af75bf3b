#pragma once
// Dialogs of other programs titled like ours (X11 only).

#include <QString>

class QWidget;

namespace msgclose {

// Finds one top-level dialog window of another process whose title is
// exactly `title`, writes "Close Dialog" to the log and asks it to close.
// Returns true when one was found.  Does nothing off X11.
bool CloseForeignDialog(QWidget *self, const QString &title);

} // namespace msgclose
