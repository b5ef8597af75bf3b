#include "app/main/appsetup.h"
#include "app/main/commandline.h"
#include "app/main/mainwindow.h"
#include "app/main/searchcommand.h"

#include <QApplication>
#include <iostream>

int main(int argc, char *argv[])
{
    // A search from the command line needs no display and makes no window.
    if (IsSearchCommand(argc, argv))
        return RunSearchCommand(argc, argv, std::cout, std::cerr);
    // Before QApplication: --help and --version need no display, and a start
    // without one is told in a line of the program's own.
    CommandLine line;
    if (const int status = HandleCommandLine(argc, argv, std::cout, std::cerr, line); status >= 0)
        return status;
    if (const std::string missing = MissingDisplay(line); !missing.empty()) {
        std::cerr << "pathwren: no display: " << missing << '\n';
        return 1;
    }

    int qtArgc = static_cast<int>(line.qtArguments.size()) - 1;
    DisplayFailureGuard guard(line);
    QApplication app(qtArgc, line.qtArguments.data());
    guard.Release();
    // The window class (WM_CLASS) comes from the application name; the
    // desktop entry's StartupWMClass matches it.
    QApplication::setApplicationName(QStringLiteral("Pathwren"));
    QApplication::setApplicationVersion(QString::fromLatin1(ProgramVersion()));
    QGuiApplication::setDesktopFileName(QStringLiteral("pathwren"));
    InstallQtJapanese(app);
    SetUserInterfaceFont(std::cerr);
    // Both windows, wired together; Load() reads the settings and shows them.
    const std::unique_ptr<MainWindow> window = CreateWindows();
    window->Load();
    return app.exec();
}
