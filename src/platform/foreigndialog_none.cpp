// Built without the X11 client library: only the program's own message
// boxes are closed during a search.
#include "platform/foreigndialog.h"

namespace platform {

bool CloseForeignDialog(const QString &)
{
    return false;
}

} // namespace platform
