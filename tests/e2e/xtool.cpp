// A small remote control for scripts that drive Pathwren on an X display
// ($DISPLAY): find a window, click, select a row, close a window, save a
// picture of part of the screen.
//
//   pathwren_xtool wait TITLE [SECONDS]   prints "X Y WIDTH HEIGHT" (outer, frame
//                                         included) and the same of the window's
//                                         own area once shown
//   pathwren_xtool click X Y              until the window there has the focus
//   pathwren_xtool move X Y
//   pathwren_xtool right-click X Y
//   pathwren_xtool select-row TITLE X Y W H ROW   row of the list or tree at
//                                         X,Y W x H inside the window TITLE
//   pathwren_xtool band TITLE X Y W H     prints the selection bar's top and height
//                                         in the area, as select-row finds it
//   pathwren_xtool focus                  prints the window with the keyboard focus
//   pathwren_xtool close TITLE
//   pathwren_xtool grab X Y WIDTH HEIGHT FILE.png
#include "xsession.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

namespace {

int Usage()
{
    std::fputs("usage: pathwren_xtool wait TITLE [SECONDS] | click X Y | move X Y | right-click X Y"
               " | select-row TITLE X Y W H ROW | band TITLE X Y W H | focus | close TITLE"
               " | grab X Y W H FILE\n",
               stderr);
    return 2;
}

e2e::WindowInfo Shown(e2e::XClient &x, const QString &title)
{
    for (const e2e::WindowInfo &w : x.TopLevels())
        if (w.viewable && w.title == title)
            return w;
    return e2e::WindowInfo();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return Usage();
    const QString display = qEnvironmentVariable("DISPLAY");
    e2e::XClient x(display);
    if (!x.Ok()) {
        std::fprintf(stderr, "pathwren_xtool: cannot open display %s\n", qPrintable(display));
        return 1;
    }
    const QString command = args.at(0);

    if (command == QLatin1String("wait") && args.size() >= 2) {
        const int seconds = args.size() >= 3 ? args.at(2).toInt() : 10;
        e2e::WindowInfo found;
        e2e::WaitUntil(x, [&] { return (found = Shown(x, args.at(1))).id != XCB_WINDOW_NONE; }, seconds * 1000);
        if (found.id == XCB_WINDOW_NONE)
            return 1;
        QTextStream(stdout) << found.rect.x() << ' ' << found.rect.y() << ' ' << found.rect.width() << ' '
                            << found.rect.height() << ' ' << found.client.x() << ' ' << found.client.y() << ' '
                            << found.client.width() << ' ' << found.client.height() << '\n';
        return 0;
    }
    if ((command == QLatin1String("click") || command == QLatin1String("move")) && args.size() == 3) {
        if (!x.HasXTest())
            return 1;
        const QPoint at(args.at(1).toInt(), args.at(2).toInt());
        if (command == QLatin1String("move")) {
            x.Move(at.x(), at.y());
            return 0;
        }
        // The topmost shown window there must take the click.
        xcb_window_t target = XCB_WINDOW_NONE;
        for (const e2e::WindowInfo &w : x.TopLevels())
            if (w.viewable && w.rect.contains(at))
                target = w.id;
        if (target == XCB_WINDOW_NONE) {
            x.Click(at.x(), at.y());
            return 0;
        }
        return x.ClickFocusing(at.x(), at.y(), target) ? 0 : 1;
    }
    if (command == QLatin1String("right-click") && args.size() == 3) {
        if (!x.HasXTest())
            return 1;
        x.Click(args.at(1).toInt(), args.at(2).toInt(), 3);
        return 0;
    }
    if (command == QLatin1String("band") && args.size() == 6) {
        const e2e::WindowInfo w = Shown(x, args.at(1));
        if (w.id == XCB_WINDOW_NONE)
            return 1;
        const QRect area(args.at(2).toInt(), args.at(3).toInt(), args.at(4).toInt(), args.at(5).toInt());
        const QPair<int, int> band = x.SelectionBand(area.translated(w.client.topLeft()));
        QTextStream(stdout) << band.first << ' ' << band.second << '\n';
        return 0;
    }
    if (command == QLatin1String("select-row") && args.size() == 7) {
        const e2e::WindowInfo w = Shown(x, args.at(1));
        const QRect area(args.at(2).toInt(), args.at(3).toInt(), args.at(4).toInt(), args.at(5).toInt());
        if (w.id == XCB_WINDOW_NONE || !x.HasXTest())
            return 1;
        return x.SelectRow(w.id, area.translated(w.client.topLeft()), args.at(6).toInt()) ? 0 : 1;
    }
    if (command == QLatin1String("focus")) {
        std::printf("0x%x\n", unsigned(x.InputFocus()));
        return 0;
    }
    if (command == QLatin1String("close") && args.size() == 2) {
        const e2e::WindowInfo w = Shown(x, args.at(1));
        if (w.id == XCB_WINDOW_NONE)
            return 1;
        x.SendDelete(w.id);
        return 0;
    }
    if (command == QLatin1String("grab") && args.size() == 6) {
        const QRect rect(args.at(1).toInt(), args.at(2).toInt(), args.at(3).toInt(), args.at(4).toInt());
        const QImage image = x.Grab(rect);
        return !image.isNull() && image.save(args.at(5), "PNG") ? 0 : 1;
    }
    return Usage();
}
