#include "app/result/framepacer.h"

#include "platform/testhooks.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace {
FramePacer *g_pacer = nullptr;
QElapsedTimer g_sinceLine;

int CurrentFrame()
{
    const int testFrame = platform::ActiveTestHooks().frameMilliseconds;
    if (testFrame >= 0)
        return testFrame;
    const bool streaming = g_sinceLine.isValid()
                           && g_sinceLine.elapsed() < FramePacer::StreamingLingerMilliseconds;
    return streaming ? FramePacer::StreamingFrameMilliseconds : FramePacer::FrameMilliseconds;
}
} // namespace

FramePacer::FramePacer(QObject *parent)
    : QObject(parent)
{
}

void FramePacer::Install()
{
    if (g_pacer || !QCoreApplication::instance())
        return;
    g_pacer = new FramePacer(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(g_pacer);
    connect(g_pacer, &QObject::destroyed, [] { g_pacer = nullptr; });
    platform::WatchTestHooks(&FramePacer::ReleaseHeld);
}

void FramePacer::NoteLine()
{
    g_sinceLine.start();
}

// Called on every change of the test hooks: when the frame changed, what
// waits for the old one goes through now.
void FramePacer::ReleaseHeld()
{
    static int lastFrame = -1;
    const int frame = std::max(-1, platform::ActiveTestHooks().frameMilliseconds);
    if (frame == lastFrame)
        return;
    lastFrame = frame;
    if (g_pacer) {
        QList<QWidget *> held;
        for (auto it = g_pacer->m_windows.cbegin(); it != g_pacer->m_windows.cend(); ++it) {
            if (it->held)
                held << const_cast<QWidget *>(it.key());
        }
        for (QWidget *window : held)
            g_pacer->Release(window);
    }
}

// A widget's changes reach the screen through one update request posted to
// its window; the window repaints everything changed when it arrives.  A
// request held back here leaves the changes gathered, and the window posts
// no other request until one has gone through, so one request released at
// the next frame shows them all.
bool FramePacer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::UpdateRequest || !watched->isWidgetType())
        return false;
    auto *window = static_cast<QWidget *>(watched);
    if (!window->isWindow())
        return false;

    auto it = m_windows.find(window);
    if (it == m_windows.end()) {
        it = m_windows.insert(window, Window());
        connect(window, &QObject::destroyed, this, [this, window] { m_windows.remove(window); });
    }
    Window &state = it.value();
    const int frame = CurrentFrame();
    const qint64 since = state.lastRepaint.isValid() ? state.lastRepaint.elapsed() : qint64(frame);
    if (since >= frame) {
        state.lastRepaint.start();
        state.held = false;
        return false;
    }
    if (!state.held) {
        state.held = true;
        const QPointer<QWidget> guard(window);
        QTimer::singleShot(int(frame - since), this, [this, guard] {
            if (guard)
                Release(guard);
        });
    }
    return true;
}

void FramePacer::Release(QWidget *window)
{
    auto it = m_windows.find(window);
    if (it == m_windows.end() || !it->held)
        return;
    it->held = false;
    // Let this one through whatever the clock says: it was due.
    it->lastRepaint.invalidate();
    QCoreApplication::postEvent(window, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
}
