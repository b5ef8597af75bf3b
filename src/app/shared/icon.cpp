#include "app/shared/icon.h"

// Outside any namespace: Q_INIT_RESOURCE declares the resources' own
// initialiser where it is used.
void InitPathwrenResources()
{
    Q_INIT_RESOURCE(icons);
}

QIcon PathwrenIcon()
{
    return QIcon(QStringLiteral(":/pathwren/pathwren.png"));
}
