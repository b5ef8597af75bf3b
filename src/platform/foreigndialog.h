#pragma once
// Dialogs of other programs titled like ours.  Reached on an X11 display;
// a build without the X11 client library, or another display, finds none.

#include <QSet>
#include <QString>
#include <QtGlobal>

namespace platform {

// Finds one top-level dialog window of another process whose title is
// exactly `title` and asks it to close, as its close box would.  Returns
// true when one was found.
bool CloseForeignDialog(const QString &title);

// What is known of one top-level window of the display.
struct WindowFacts {
    quint32 id = 0;
    bool mapped = false;
    QString title;            // _NET_WM_NAME, else WM_NAME
    bool dialogType = false;  // _NET_WM_WINDOW_TYPE lists the dialog type
    bool transient = false;   // WM_TRANSIENT_FOR names a window
    qint64 pid = 0;           // _NET_WM_PID; 0 when the window does not say
};

// Whether `window` is a shown dialog of another process titled exactly
// `title`.  Windows of this process (by pid, or by id in `ownWindows`)
// never are.
bool IsForeignDialog(const WindowFacts &window, const QString &title, qint64 ownPid,
                     const QSet<quint32> &ownWindows);

} // namespace platform
