#pragma once
// What the whole application needs before its first window: Qt's own texts
// (dialogs, context menus) in Japanese and one user-interface font that
// draws Japanese and Latin alike; then the two windows, wired together.

#include <QFont>
#include <QStringList>
#include <memory>
#include <ostream>

class QCoreApplication;
class MainWindow;

// Installs Qt's Japanese translation, if installed; returns whether it was.
bool InstallQtJapanese(QCoreApplication &app);

// The user-interface font: the first of `families` (installed families that
// draw Japanese, best first) in the largest pixel size up to 12 at which
// the window's captions fit the design's label widths.  Without any, the
// default font.
QFont ChooseUserInterfaceFont(const QStringList &families);

// Installed families that draw Japanese, the preferred ones first.
QStringList JapaneseFontFamilies();

// Sets the user-interface font for every control; says once on `err` when
// no installed font draws Japanese (the captions would show as boxes).
void SetUserInterfaceFont(std::ostream &err);

// The program's windows, wired together: the icon's resources made
// reachable, the repaint pacer installed for every window, the program-wide
// result window made, and the main window made and given it.  The main
// window owns the result window from then on; its Load() shows both.
// Needs a QApplication.
std::unique_ptr<MainWindow> CreateWindows();
