#include "platform/foreigndialog.h"

namespace platform {

bool IsForeignDialog(const WindowFacts &window, const QString &title, qint64 ownPid,
                     const QSet<quint32> &ownWindows)
{
    if (!window.mapped || window.title != title)
        return false;
    if (!window.dialogType && !window.transient)
        return false;   // a main window that happens to bear the title
    if (ownWindows.contains(window.id))
        return false;
    return window.pid == 0 || window.pid != ownPid;
}

} // namespace platform
