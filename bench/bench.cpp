// The benchmark program: one scenario per process, printed as key=value
// lines for bench/run.sh.  Every scenario runs the real main window inside
// the running event loop, as the program does: the search starts with a
// mouse press and release delivered to the button's window, so it runs
// nested in the button's release handler, and every paint happens as it
// would for a user.  Controls are found by their object names; the end of a
// search is read from the buttons (the search button enabled again).
//
//   pathwren_bench tree   ROOT [FOLDERS FILES [names]]  build the synthetic tree
//                                                   ("names": every file empty)
//   pathwren_bench search ROOT PATTERNS [PATHS_FILE] plain search, full expansion
//   pathwren_bench memory ROOT PATTERNS [PATHS_FILE] the same, then "クリアー(&C)"
//                                                   clicked and the memory taken
//   pathwren_bench copy   ROOT PATTERNS DEST        search with copy into DEST
//   pathwren_bench stop   ROOT PATTERNS DEST|- MS   click the stop button MS after the start
//   pathwren_bench lines  N                         N lines into the result window
//
// During every search a thread posts an event to the main window every few
// milliseconds; the time until the window gets it is the windows' answer
// time (answer_* keys; PATHWREN_BENCH_ANSWERS=FILE appends every sample to
// FILE, one a line, in ms).
#include "treegen.h"

#include "app/main/appsetup.h"
#include "app/main/mainwindow.h"
#include "app/result/resultwindow.h"
#include "common/resultline.h"
#include "foldertree/foldertree.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace {

const QString EndBanner = QStringLiteral("☆☆☆ 終了 ☆☆☆");
const QString StopBanner = QStringLiteral("☆☆☆ ユーザによる検索中断 ☆☆☆");

// Time for the windows to be mapped and painted before anything is timed.
constexpr int SettleMs = 400;

void Print(const char *key, const QString &value)
{
    std::printf("%s=%s\n", key, qPrintable(value));
    std::fflush(stdout);
}
void Print(const char *key, double value, int decimals = 1)
{
    Print(key, QString::number(value, 'f', decimals));
}
void Print(const char *key, long long value)
{
    Print(key, QString::number(value));
}

double Ms(qint64 ns)
{
    return double(ns) / 1e6;
}

// CPU time of the calling thread, in ns.
long long ThreadCpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

// A field of /proc/self/status, in KiB (0 when unknown).
long long ProcStatusKib(const char *field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

template <typename T>
T *Find(QObject *root, const char *name)
{
    T *found = root->findChild<T *>(QString::fromLatin1(name));
    if (!found) {
        std::fprintf(stderr, "no control named %s\n", name);
        std::exit(3);
    }
    return found;
}

// A left click as the window system delivers it: press and release go to
// the top-level window, which hands them to the widget under the pointer.
void Click(QWidget *widget)
{
    QWidget *top = widget->window();
    QWindow *window = top->windowHandle();
    const QPoint local = widget->mapTo(top, widget->rect().center());
    const QPoint global = top->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, local, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    if (window) {
        QApplication::sendEvent(window, &press);
        QApplication::sendEvent(window, &release);
    } else {
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}

// Counts paint events per part of the two windows.  It only looks: every
// event goes on to its widget as it would without the counter.
class PaintCounter : public QObject {
public:
    QHash<QString, long long> counts;
    std::function<void(QObject *)> onPaint;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            QString part = QStringLiteral("other");
            for (QObject *o = watched; o; o = o->parent()) {
                const QString name = o->objectName();
                if (name == QLatin1String("resultList") || name == QLatin1String("folderTree")) {
                    part = name;
                    break;
                }
            }
            ++counts[part];
            if (onPaint)
                onPaint(watched);
        }
        return false;
    }
};

// The longest time the event loop went without handling a timer: a 1 ms
// timer notes the gap since its last run.
class StallMeter : public QObject {
public:
    StallMeter()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_max = qMax(m_max, now - m_last);
            if (now - m_last > 50'000'000)
                ++m_over50;
            m_last = now;
        });
    }
    void Start()
    {
        m_clock.start();
        m_last = 0;
        m_max = 0;
        m_over50 = 0;
        m_timer.start();
    }
    void Stop()
    {
        m_timer.stop();
        m_max = qMax(m_max, m_clock.nsecsElapsed() - m_last);
    }
    qint64 m_max = 0;
    long long m_over50 = 0;

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
};

// The windows' answer time while a search runs: a thread posts an event to
// the main window every 3 to 6 ms, into the queue where the window system's
// input waits too; a filter that only looks notes how long each waited until
// the window got it.  The event then goes on to the window, which ignores
// it.  (Not a mouse event: building one off the user-interface thread
// touches the pointing device's state that the user-interface thread uses.)
class AnswerProbe : public QObject {
public:
    using Clock = std::chrono::steady_clock;

    ~AnswerProbe() override { Stop(); }

    void Start(QWidget *top)
    {
        Stop();
        m_window = top->windowHandle();
        if (!m_window)
            return;
        m_window->installEventFilter(this);
        QWindow *window = m_window;
        m_stop = false;
        m_thread = std::thread([this, window] {
            std::minstd_rand rng(20261209);
            std::unique_lock<std::mutex> lock(m_mutex);
            while (!m_stop) {
                const auto pause = std::chrono::microseconds(3000 + rng() % 3000);
                if (m_wake.wait_for(lock, pause, [this] { return m_stop; }))
                    break;
                QCoreApplication::postEvent(window, new Probe);
            }
        });
    }

    void Stop()
    {
        if (!m_thread.joinable())
            return;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    // Samples in ms, sorted; PATHWREN_BENCH_ANSWERS gets them appended.
    void Print(const char *prefix)
    {
        std::sort(m_samples.begin(), m_samples.end());
        const auto at = [this](double q) {
            if (m_samples.empty())
                return 0.0;
            const size_t i = std::min(m_samples.size() - 1, size_t(q * double(m_samples.size())));
            return m_samples[i];
        };
        const QByteArray p(prefix);
        ::Print((p + "answer_count").constData(), (long long)m_samples.size());
        ::Print((p + "answer_median_ms").constData(), at(0.5), 2);
        ::Print((p + "answer_p99_ms").constData(), at(0.99), 2);
        ::Print((p + "answer_max_ms").constData(), m_samples.empty() ? 0.0 : m_samples.back(), 2);
        const QByteArray file = qgetenv("PATHWREN_BENCH_ANSWERS");
        if (file.isEmpty())
            return;
        if (FILE *out = std::fopen(file.constData(), "a")) {
            for (double v : m_samples)
                std::fprintf(out, "%.3f\n", v);
            std::fclose(out);
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == Probe::Type) {
            if (const auto *probe = dynamic_cast<const Probe *>(event)) {
                const auto waited = Clock::now() - probe->posted;
                m_samples.push_back(double(std::chrono::duration_cast<std::chrono::nanoseconds>(waited).count()) / 1e6);
            }
        }
        return false;
    }

private:
    class Probe : public QEvent {
    public:
        static constexpr QEvent::Type Type = QEvent::Type(QEvent::User + 721);
        Probe() : QEvent(Type), posted(Clock::now()) {}
        Clock::time_point posted;
    };

    QWindow *m_window = nullptr;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::vector<double> m_samples;   // user-interface thread only
};

// The program's windows as the program shows them, its settings and log
// kept in a temporary folder.
class Session : public QObject {
public:
    Session()
    {
        window = CreateWindows();
        window->Load();
        result = &ResultWindow::Instance();
        m_searchButton = Find<QPushButton>(window.get(), "searchButton");
        m_searchCopyButton = Find<QPushButton>(window.get(), "searchCopyButton");
        m_stopButton = Find<QPushButton>(window.get(), "stopButton");
        m_patternEdit = Find<QLineEdit>(window.get(), "patternEdit");
        m_destinationEdit = Find<QLineEdit>(window.get(), "destinationEdit");
        m_fullExpandCheck = Find<QCheckBox>(window.get(), "fullExpandCheck");
        m_folderTree = Find<FolderTreeView>(window.get(), "folderTree");
        m_list = Find<QListView>(result, "resultList");
        m_clearButton = Find<QPushButton>(result, "clearButton");
        qApp->installEventFilter(&paints);
        m_searchButton->installEventFilter(this);
    }
    ~Session() override { qApp->removeEventFilter(&paints); }

    bool Prepare(const QString &root, const QString &patterns)
    {
        m_patternEdit->setText(patterns);
        if (!m_fullExpandCheck->isChecked())
            Click(m_fullExpandCheck);
        if (!root.isEmpty() && !m_folderTree->SelectPath(root)) {
            Print("error", QStringLiteral("the folder tree does not offer ") + root);
            return false;
        }
        return true;
    }

    // Clicks `button` once the windows have settled; `onEnd` runs when the
    // search button is enabled again.
    // `afterEnd`, when given, runs after `onEnd` and ends the event loop
    // itself.
    void StartSearch(QPushButton *button, std::function<void()> onEnd, std::function<void()> onClick = {},
                     std::function<void()> afterEnd = {})
    {
        m_onEnd = std::move(onEnd);
        m_afterEnd = std::move(afterEnd);
        QTimer::singleShot(SettleMs, this, [this, button, onClick] {
            paints.counts.clear();
            m_cpu = std::clock();
            m_threadCpuNs = ThreadCpuNs();
            stalls.Start();
            clock.start();
            m_searching = true;
            if (onClick)
                onClick();
            answers.Start(window.get());
            Click(button);
        });
    }

    // Lines are read one at a time: a million of them copied out at once
    // would count against the program's memory.
    int LineCount() const { return m_list->model()->rowCount(); }
    QString Line(int row) const { return m_list->model()->index(row, 0).data().toString(); }
    int LastIndexOf(const QString &line) const
    {
        for (int row = LineCount() - 1; row >= 0; --row) {
            if (Line(row) == line)
                return row;
        }
        return -1;
    }

    void PrintPaints() const
    {
        for (const char *part : {"resultList", "folderTree", "other"})
            Print((QByteArray("paints_") + part).constData(), paints.counts.value(QString::fromLatin1(part)));
    }

    std::unique_ptr<MainWindow> window;
    ResultWindow *result = nullptr;
    QPushButton *m_searchButton = nullptr, *m_searchCopyButton = nullptr, *m_stopButton = nullptr;
    QPushButton *m_clearButton = nullptr;
    QLineEdit *m_patternEdit = nullptr, *m_destinationEdit = nullptr;
    QCheckBox *m_fullExpandCheck = nullptr;
    FolderTreeView *m_folderTree = nullptr;
    QListView *m_list = nullptr;
    PaintCounter paints;
    StallMeter stalls;
    AnswerProbe answers;
    QElapsedTimer clock;   // started at the click
    qint64 endNs = -1;
    double cpuMs = 0;
    double threadCpuMs = 0;   // the user-interface thread's share of cpuMs
    long long peakKib = 0;   // VmHWM at the end of the search, before anything is read out

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_searchButton && event->type() == QEvent::EnabledChange && m_searching
            && m_searchButton->isEnabled()) {
            endNs = clock.nsecsElapsed();
            stalls.Stop();
            answers.Stop();
            cpuMs = double(std::clock() - m_cpu) * 1000.0 / CLOCKS_PER_SEC;
            threadCpuMs = double(ThreadCpuNs() - m_threadCpuNs) / 1e6;
            peakKib = ProcStatusKib("VmHWM");
            m_searching = false;
            // The view catches up (and paints) before the figures are read.
            QTimer::singleShot(200, this, [this] {
                if (m_onEnd)
                    m_onEnd();
                if (m_afterEnd)
                    m_afterEnd();
                else
                    QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    std::function<void()> m_onEnd, m_afterEnd;
    std::clock_t m_cpu = 0;
    long long m_threadCpuNs = 0;
    bool m_searching = false;
};

// Counts of the kinds of lines from the last start banner on; the paths of
// the hits go to `pathsFile` (when given) one a line, as they are read.
struct Transcript {
    long long lines = 0, hits = 0, copies = 0, failures = 0;
    bool ended = false;
};

Transcript Read(const Session &s, const QString &startBanner, const QString &pathsFile = QString())
{
    Transcript t;
    QFile out(pathsFile);
    const bool writePaths = !pathsFile.isEmpty() && out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    const int from = qMax(0, s.LastIndexOf(startBanner));
    const int count = s.LineCount();
    for (int row = from; row < count; ++row) {
        const QString line = s.Line(row);
        ++t.lines;
        const common::LineKind kind = common::KindOfLine(line);
        if (kind == common::LineKind::Hit) {
            ++t.hits;
            if (writePaths)
                out.write(common::PathOfLine(line).toUtf8() + '\n');
        } else if (kind == common::LineKind::Copy) {
            ++t.copies;
        } else if (line.startsWith(QStringLiteral("※※※"))) {
            ++t.failures;
        }
        if (row == count - 1)
            t.ended = line == EndBanner;
    }
    return t;
}

int Tree(const QString &root, int folders, int files, bool contents)
{
    QElapsedTimer t;
    t.start();
    const bench::TreeSummary s = bench::MakeTree(root, folders, files, contents);
    if (!s.ok) {
        Print("error", QStringLiteral("cannot build the tree in ") + root);
        return 1;
    }
    Print("tree_folders", (long long)s.folders);
    Print("tree_files", (long long)s.files);
    Print("tree_depth", (long long)s.maxDepth);
    Print("tree_bytes", (long long)s.bytes);
    Print("tree_ms", Ms(t.nsecsElapsed()), 0);
    return 0;
}

// A plain search.  With `clear`, "クリアー(&C)" is clicked once the lines
// are read, and the memory the process holds half a second later is noted.
int Search(const QString &root, const QString &patterns, const QString &pathsFile, bool clear)
{
    Session s;
    if (!s.Prepare(root, patterns))
        return 1;
    s.StartSearch(s.m_searchButton, [&] {
        Print("vmhwm_kib", s.peakKib);
        Print("vmrss_kib", ProcStatusKib("VmRSS"));
        const Transcript t = Read(s, QStringLiteral("☆☆☆ 検索のみ開始... ☆☆☆"), pathsFile);
        Print("search_ms", Ms(s.endNs));
        Print("search_cpu_ms", s.cpuMs);
        Print("search_ui_cpu_ms", s.threadCpuMs);
        Print("search_lines", (long long)s.LineCount());
        Print("search_result_lines", t.lines);   // from the start banner on
        Print("search_hits", t.hits);
        Print("search_failures", t.failures);
        Print("search_ended", t.ended ? QStringLiteral("yes") : QStringLiteral("no"));
        const int last = s.LineCount() - 1;
        Print("search_shows_last", s.m_list->currentIndex().row() == last ? QStringLiteral("yes")
                                                                               : QStringLiteral("no"));
        Print("search_max_stall_ms", Ms(s.stalls.m_max));
        s.answers.Print("search_");
        s.PrintPaints();
    }, {}, !clear ? std::function<void()>() : [&] {
        Click(s.m_clearButton);
        QTimer::singleShot(500, &s, [&] {
            Print("cleared_lines", (long long)s.LineCount());
            Print("vmrss_after_clear_kib", ProcStatusKib("VmRSS"));
            QCoreApplication::exit(0);
        });
    });
    return qApp->exec();
}

int Copy(const QString &root, const QString &patterns, const QString &destination)
{
    Session s;
    if (!s.Prepare(root, patterns))
        return 1;
    s.m_destinationEdit->setText(destination);
    s.StartSearch(s.m_searchCopyButton, [&] {
        const Transcript t = Read(s, QStringLiteral("☆☆☆ 検索後コピー開始... ☆☆☆"));
        Print("copy_ms", Ms(s.endNs));
        Print("copy_cpu_ms", s.cpuMs);
        Print("copy_lines", t.copies);
        Print("copy_failures", t.failures);
        Print("copy_ended", t.ended ? QStringLiteral("yes") : QStringLiteral("no"));
        Print("copy_max_stall_ms", Ms(s.stalls.m_max));
        Print("copy_stalls_over_50ms", s.stalls.m_over50);
        s.answers.Print("copy_");
        s.PrintPaints();
        Print("vmhwm_kib", s.peakKib);
    });
    return qApp->exec();
}

// The stop button clicked `delayMs` after the search started: the time
// from the click's events to the end of the search.
int Stop(const QString &root, const QString &patterns, const QString &destination, int delayMs)
{
    Session s;
    if (!s.Prepare(root, patterns))
        return 1;
    const bool copy = destination != QLatin1String("-");
    if (copy)
        s.m_destinationEdit->setText(destination);
    qint64 clickNs = -1;
    QTimer stopper;
    stopper.setSingleShot(true);
    stopper.setTimerType(Qt::PreciseTimer);
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        if (s.endNs >= 0)
            return;
        clickNs = s.clock.nsecsElapsed();
        Click(s.m_stopButton);
    });
    s.StartSearch(copy ? s.m_searchCopyButton : s.m_searchButton, [&] {
        if (clickNs < 0) {
            Print("error", QStringLiteral("the search ended before the stop click"));
            return;
        }
        const int count = s.LineCount();
        const int at = s.LastIndexOf(StopBanner);
        Print("stop_delay_ms", (long long)delayMs);
        Print("stop_clicked_at_ms", Ms(clickNs));
        Print("stop_ms", Ms(s.endNs - clickNs));
        Print("stop_lines_after_banner", at < 0 ? -1LL : (long long)(count - at - 2));
        Print("stop_ended", count > 0 && s.Line(count - 1) == EndBanner ? QStringLiteral("yes")
                                                                        : QStringLiteral("no"));
        Print("stop_max_stall_ms", Ms(s.stalls.m_max));
        s.answers.Print("stop_");
    }, [&] { stopper.start(delayMs); });
    return qApp->exec();
}

// `count` lines written to the result window one by one, as the search
// writes them, timed until the view shows the last one.
int Lines(int count)
{
    Session s;
    const QString prefix = QStringLiteral("検索(*.txt) in /tmp/pathwren-bench/Data_17/src_342/proj_1203/report_");
    qint64 appendedNs = -1, shownNs = -1;
    bool counting = false;
    s.paints.onPaint = [&](QObject *watched) {
        if (!counting || shownNs >= 0 || watched != s.m_list->viewport())
            return;
        if (s.m_list->model()->rowCount() == count + 1 && s.m_list->currentIndex().row() == count) {
            // Noted once the paint is done.
            QTimer::singleShot(0, &s, [&] {
                if (shownNs < 0) {
                    shownNs = s.clock.nsecsElapsed();
                    s.stalls.Stop();
                    QTimer::singleShot(100, qApp, [] { QCoreApplication::exit(0); });
                }
            });
        }
    };
    QTimer::singleShot(SettleMs, &s, [&] {
        s.paints.counts.clear();
        s.stalls.Start();
        s.clock.start();
        counting = true;
        for (int i = 0; i < count; ++i)
            s.result->AppendLine(prefix + QString::number(i) + QStringLiteral(".txt"));
        appendedNs = s.clock.nsecsElapsed();
    });
    QTimer::singleShot(60000, qApp, [] { QCoreApplication::exit(1); });
    qApp->exec();
    Print("lines_count", (long long)count);
    Print("lines_append_ms", Ms(appendedNs));
    Print("lines_ms", shownNs < 0 ? -1.0 : Ms(shownNs));
    Print("lines_max_stall_ms", Ms(s.stalls.m_max));
    s.PrintPaints();
    Print("vmhwm_kib", ProcStatusKib("VmHWM"));
    return shownNs < 0 ? 1 : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 3 && qstrcmp(argv[1], "tree") == 0) {
        QCoreApplication app(argc, argv);   // no display needed
        const QStringList args = app.arguments();
        if (args.size() == 3)
            return Tree(args[2], 2000, 100000, true);
        if (args.size() == 5 || (args.size() == 6 && args[5] == QLatin1String("names")))
            return Tree(args[2], args[3].toInt(), args[4].toInt(), args.size() == 5);
    }
    // Settings and log of the program stay out of the user's.
    QTemporaryDir home;
    for (const char *var : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(var, home.path().toLocal8Bit());
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0);
    if (mode == QLatin1String("search") && args.size() >= 3)
        return Search(args[1], args[2], args.value(3), false);
    if (mode == QLatin1String("memory") && args.size() >= 3)
        return Search(args[1], args[2], args.value(3), true);
    if (mode == QLatin1String("copy") && args.size() == 4)
        return Copy(args[1], args[2], args[3]);
    if (mode == QLatin1String("stop") && args.size() == 5)
        return Stop(args[1], args[2], args[3], args[4].toInt());
    if (mode == QLatin1String("lines") && args.size() == 2)
        return Lines(args[1].toInt());
    std::fprintf(stderr,
                 "usage: pathwren_bench tree ROOT [FOLDERS FILES [names]]"
                 " | search|memory ROOT PATTERNS [PATHS_FILE]"
                 " | copy ROOT PATTERNS DEST | stop ROOT PATTERNS DEST|- DELAY_MS | lines N\n");
    return 2;
}
