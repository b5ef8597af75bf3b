#include "app/main/msgclose.h"

namespace msgclose {

bool CloseForeignDialog(QWidget *, const QString &)
{
    return false;
}

} // namespace msgclose
