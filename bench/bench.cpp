// The benchmark program: one figure per run, printed as key=value lines for
// bench/run.sh.  Every scenario drives the real main window with both
// windows shown; settings and log live in a temporary folder.
//
//   pathwren_bench tree   ROOT               build the synthetic tree
//   pathwren_bench search ROOT [PATHS_FILE]  plain search, full expansion
//   pathwren_bench copy   ROOT DEST          search with copy into DEST
//   pathwren_bench lines  N                  N lines into the result window
//   pathwren_bench cancel ROOT DELAY_MS      stop a search after DELAY_MS
// and two probes for a profiler:
//   pathwren_bench yieldcost                 one yield with nothing to do
//   pathwren_bench synccost                  one view update at 1,000 to 200,000 lines
#include "treegen.h"

#include "app/main/frmMain.h"
#include "app/result/frmResult.h"
#include "common/log.h"
#include "foldertree/foldertree.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QtTest>
#include <cstdio>
#include <ctime>
#include <memory>

namespace {

const QString Patterns = QStringLiteral("*.txt;*.doc;*DATA*");
const QString EndBanner = QStringLiteral("☆☆☆ 終了 ☆☆☆");
const QString StopBanner = QStringLiteral("☆☆☆ ユーザによる検索中断 ☆☆☆");
const QString InMarker = QStringLiteral(" in ");

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

void PrintMemory()
{
    Print("vmhwm_kib", ProcStatusKib("VmHWM"));
    Print("vmrss_kib", ProcStatusKib("VmRSS"));
}

// A control of the main window, found by its object name.
template <typename T>
T *Control(QWidget *window, const char *name)
{
    return window->findChild<T *>(QLatin1String(name));
}

double Ms(qint64 ns)
{
    return double(ns) / 1e6;
}

// Counts paint events per part of the two windows: a view that repaints
// per line or per folder shows up here.
class PaintCounter : public QObject {
public:
    QHash<QString, int> counts;
    QHash<QString, qint64> nanoseconds;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            QString part = QStringLiteral("other");
            for (QObject *o = watched; o; o = o->parent()) {
                const QString name = o->objectName();
                if (name == QLatin1String("lstResult") || name == QLatin1String("tvMain")) {
                    part = name;
                    break;
                }
                if (name == QLatin1String("statusBar")) {
                    const QObject *owner = o->parent();
                    part = owner && owner->objectName() == QLatin1String("frmResult")
                               ? QStringLiteral("status_result") : QStringLiteral("status_main");
                    break;
                }
            }
            ++counts[part];
            // Timed here, delivered here: the time a part takes to paint.
            QElapsedTimer t;
            t.start();
            const bool done = static_cast<QObject *>(watched)->event(event);
            nanoseconds[part] += t.nsecsElapsed();
            return done;
        }
        return false;
    }
};

// The program's windows with settings and log kept out of the user's way.
class Session {
public:
    Session()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
        modCommon::SetLogFilePathForTesting(m_config.filePath(QStringLiteral("Pathwren.log")));
        window = std::make_unique<frmMain>();
        window->Load();
        if (!QTest::qWaitForWindowExposed(window.get()) || !QTest::qWaitForWindowExposed(&frmResult::Instance()))
            Print("warning", QStringLiteral("windows not exposed"));
        Control<QLineEdit>(window.get(), "txtPattern")->setText(Patterns);
        Control<QCheckBox>(window.get(), "chkDetail")->setChecked(true);
        qApp->installEventFilter(&paints);
    }
    ~Session()
    {
        qApp->removeEventFilter(&paints);
        window->SetYieldObserver(nullptr);
        window.reset();
        modCommon::SetLogFilePathForTesting(QString());
    }

    bool Select(const QString &root)
    {
        if (!Control<FolderTreeView>(window.get(), "tvMain")->SelectPath(root)) {
            Print("error", QStringLiteral("cannot select ") + root);
            return false;
        }
        // Let the windows settle before anything is timed.
        QTest::qWait(300);
        return true;
    }

    void PrintPaints() const
    {
        for (const char *part : {"lstResult", "tvMain", "status_main", "status_result", "other"}) {
            Print((QByteArray("paints_") + part).constData(), (long long)paints.counts.value(QString::fromLatin1(part)));
            Print((QByteArray("paint_ms_") + part).constData(), Ms(paints.nanoseconds.value(QString::fromLatin1(part))));
        }
    }

    std::unique_ptr<frmMain> window;
    PaintCounter paints;

private:
    QTemporaryDir m_config;
};

// Watches the gaps between yields: the longest time the event loop waited.
class StallMeter {
public:
    explicit StallMeter(frmMain &window) : m_window(window)
    {
        m_clock.start();
        m_window.SetYieldObserver([this](int) { Tick(); });
    }
    ~StallMeter() { m_window.SetYieldObserver(nullptr); }

    void Restart()
    {
        m_clock.restart();
        m_last = 0;
        m_max = 0;
        m_yields = 0;
        m_over16 = 0;
        m_over50 = 0;
    }
    void Tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        const qint64 gap = now - m_last;
        if (gap > m_max)
            m_max = gap;
        if (gap > 16'000'000)
            ++m_over16;
        if (gap > 50'000'000)
            ++m_over50;
        m_last = now;
        ++m_yields;
        if (onYield)
            onYield(now);
    }
    // Closes the last gap (from the last yield to the end of the search).
    qint64 Finish()
    {
        Tick();
        --m_yields;
        return m_last;
    }
    qint64 Elapsed() const { return m_clock.nsecsElapsed(); }

    qint64 m_max = 0;
    long long m_yields = 0;
    long long m_over16 = 0;
    long long m_over50 = 0;
    std::function<void(qint64)> onYield;

private:
    frmMain &m_window;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
};

// The result lines from the last line that starts with `banner` on.
QStringList LinesFrom(const QString &banner)
{
    const QStringList all = frmResult::Instance().Lines();
    const int at = all.lastIndexOf(banner);
    return at < 0 ? all : all.mid(at);
}

int Tree(const QString &root)
{
    QElapsedTimer t;
    t.start();
    const bench::TreeSummary s = bench::MakeTree(root);
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

int Search(const QString &root, const QString &pathsFile)
{
    Session s;
    if (!s.Select(root))
        return 1;
    s.paints.counts.clear();
    StallMeter meter(*s.window);
    meter.Restart();
    const std::clock_t cpu = std::clock();
    Control<QPushButton>(s.window.get(), "cmdExpand")->click();
    const qint64 wall = meter.Finish();
    const double cpuMs = double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC;

    const QStringList lines = LinesFrom(QStringLiteral("☆☆☆ 検索のみ開始... ☆☆☆"));
    long long hits = 0, failures = 0;
    QStringList paths;
    for (const QString &line : lines) {
        if (line.startsWith(QStringLiteral("検索("))) {
            ++hits;
            paths << line.mid(line.indexOf(InMarker) + InMarker.size());
        } else if (line.startsWith(QStringLiteral("※※※"))) {
            ++failures;
        }
    }
    if (!pathsFile.isEmpty()) {
        QFile out(pathsFile);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write(paths.join(QLatin1Char('\n')).toUtf8() + '\n');
    }
    Print("search_ms", Ms(wall));
    Print("search_cpu_ms", cpuMs);
    Print("search_hits", hits);
    Print("search_failures", failures);
    Print("search_ended", lines.value(lines.size() - 1) == EndBanner ? QStringLiteral("yes") : QStringLiteral("no"));
    Print("search_selected_last", frmResult::Instance().SelectedRow() == frmResult::Instance().LineCount() - 1
                                      ? QStringLiteral("yes") : QStringLiteral("no"));
    Print("search_yields", meter.m_yields);
    Print("search_max_stall_ms", Ms(meter.m_max));
    Print("search_stalls_over_16ms", meter.m_over16);
    Print("search_stalls_over_50ms", meter.m_over50);
    s.PrintPaints();
    PrintMemory();
    return 0;
}

int Copy(const QString &root, const QString &destination)
{
    Session s;
    if (!s.Select(root))
        return 1;
    Control<QLineEdit>(s.window.get(), "txtFolder")->setText(destination);
    s.paints.counts.clear();
    StallMeter meter(*s.window);
    meter.Restart();
    const std::clock_t cpu = std::clock();
    Control<QPushButton>(s.window.get(), "cmdExpandToDrv")->click();
    const qint64 wall = meter.Finish();
    const double cpuMs = double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC;

    const QStringList lines = LinesFrom(QStringLiteral("☆☆☆ 検索後コピー開始... ☆☆☆"));
    long long copied = 0, failures = 0, bytes = 0;
    for (const QString &line : lines) {
        if (line.startsWith(QStringLiteral("コピー("))) {
            ++copied;
            bytes += QFileInfo(line.mid(line.indexOf(InMarker) + InMarker.size())).size();
        } else if (line.startsWith(QStringLiteral("※※※"))) {
            ++failures;
        }
    }
    Print("copy_ms", Ms(wall));
    Print("copy_cpu_ms", cpuMs);
    Print("copy_files", copied);
    Print("copy_bytes", bytes);
    Print("copy_failures", failures);
    Print("copy_max_stall_ms", Ms(meter.m_max));
    s.PrintPaints();
    PrintMemory();
    return 0;
}

int Lines(int count)
{
    Session s;
    QTest::qWait(300);
    frmResult &result = frmResult::Instance();
    s.paints.counts.clear();
    StallMeter meter(*s.window);
    meter.Restart();
    // A hit line as the listing writes it, built per line as it is there.
    const QString prefix = QStringLiteral("検索(*.txt) in /tmp/pathwren-bench/Data_17/src_342/proj_1203/report_");
    for (int i = 0; i < count; ++i)
        result.AddMessage(prefix + QString::number(i) + QStringLiteral(".txt"));
    const qint64 appended = meter.Elapsed();
    result.SyncView();
    const qint64 wall = meter.Finish();

    const bool ok = result.LineCount() == count + 1 && result.SelectedRow() == count;
    Print("lines_count", (long long)count);
    Print("lines_ms", Ms(wall));
    Print("lines_append_ms", Ms(appended));
    Print("lines_per_second", count / (double(wall) / 1e9), 0);
    Print("lines_max_stall_ms", Ms(meter.m_max));
    Print("lines_ok", ok ? QStringLiteral("yes") : QStringLiteral("no"));
    s.PrintPaints();
    PrintMemory();
    return 0;
}

// What one yield costs with nothing to do.
int YieldCost()
{
    Session s;
    QTest::qWait(300);
    QElapsedTimer t;
    t.start();
    const int n = 100000;
    for (int i = 0; i < n; ++i)
        QCoreApplication::processEvents();
    std::printf("yield_us=%.2f\n", t.nsecsElapsed() / 1e3 / n);
    return 0;
}

// How long one SyncView takes with a given number of lines in the list.
int SyncCost()
{
    Session s;
    QTest::qWait(300);
    frmResult &result = frmResult::Instance();
    const QString prefix = QStringLiteral("検索(*.txt) in /tmp/pathwren-bench/Data_17/src_342/proj_1203/report_");
    int n = 0;
    for (int target : {1000, 10000, 30000, 60000, 100000, 200000}) {
        s.window->SetYieldObserver(nullptr);
        while (n < target)
            result.AddMessage(prefix + QString::number(n++));
        result.SyncView();
        QTest::qWait(50);
        const int rounds = 50;
        std::clock_t c0 = std::clock();
        for (int k = 0; k < rounds; ++k) {
            result.AddMessage(prefix + QString::number(n++));
            result.SyncView();
        }
        // Each round's line yields, which paints what the round before
        // changed (at most once per frame): view update and paint together.
        const double sync = double(std::clock() - c0) / CLOCKS_PER_SEC / rounds;
        std::printf("rows=%d sync_cpu_us=%.0f\n", n, sync * 1e6);
    }
    return 0;
}

int Cancel(const QString &root, int delayMs)
{
    Session s;
    if (!s.Select(root))
        return 1;
    StallMeter meter(*s.window);
    qint64 clicked = -1, ended = -1;
    meter.onYield = [&](qint64 now) {
        if (clicked >= 0 && ended < 0 && frmResult::Instance().LineCount() > 0
            && frmResult::Instance().Line(frmResult::Instance().LineCount() - 1) == EndBanner)
            ended = now;
    };
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        clicked = meter.Elapsed();
        QTest::mouseClick(Control<QPushButton>(s.window.get(), "cmdCancel"), Qt::LeftButton);
    });
    meter.Restart();
    timer.start(delayMs);
    Control<QPushButton>(s.window.get(), "cmdExpand")->click();
    const qint64 wall = meter.Finish();
    if (clicked < 0) {
        Print("error", QStringLiteral("the search ended before the click"));
        return 1;
    }
    if (ended < 0)
        ended = wall;

    const QStringList lines = frmResult::Instance().Lines();
    const int stopAt = lines.lastIndexOf(StopBanner);
    Print("cancel_delay_ms", (long long)delayMs);
    Print("cancel_late_ms", Ms(clicked - qint64(delayMs) * 1'000'000));
    Print("cancel_latency_ms", Ms(ended - clicked));
    Print("cancel_lines_after", stopAt < 0 ? -1LL : (long long)(lines.size() - 1 - stopAt - 1));
    Print("cancel_search_ms", Ms(wall));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "tree") == 0) {
        QCoreApplication app(argc, argv);   // no display needed
        return Tree(app.arguments().at(2));
    }
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0);
    if (mode == QLatin1String("search") && args.size() >= 2)
        return Search(args[1], args.value(2));
    if (mode == QLatin1String("copy") && args.size() == 3)
        return Copy(args[1], args[2]);
    if (mode == QLatin1String("lines") && args.size() == 2)
        return Lines(args[1].toInt());
    if (mode == QLatin1String("yieldcost"))
        return YieldCost();
    if (mode == QLatin1String("synccost"))
        return SyncCost();
    if (mode == QLatin1String("cancel") && args.size() == 3)
        return Cancel(args[1], args[2].toInt());
    std::fprintf(stderr,
                 "usage: pathwren_bench tree ROOT | search ROOT [PATHS_FILE] | copy ROOT DEST"
                 " | lines N | cancel ROOT DELAY_MS | yieldcost | synccost\n");
    return 2;
}
