#pragma once
// The program's icon, compiled into this library (icons.qrc): the window
// icon of the main window and of the result window alike.

#include <QIcon>

// Makes sure the compiled-in resources are linked in and registered; once,
// before the first window.  (A linker leaves out the resources of a static
// library that nothing refers to.)
void InitPathwrenResources();

// The window icon of both windows.
QIcon PathwrenIcon();
