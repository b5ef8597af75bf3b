// Window repaints held back to one per frame: what is held is painted, all
// at once, and a window that goes away while held takes nothing down.
#include "app/result/framepacer.h"
#include "scopedtesthooks.h"

#include <QPainter>
#include <QPointer>
#include <QWidget>
#include <QtTest>

namespace {
class Counting : public QWidget {
public:
    using QWidget::QWidget;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override
    {
        ++paints;
        QPainter(this).fillRect(rect(), Qt::white);
    }
};

ScopedTestHooks::Edit FrameOf(int milliseconds)
{
    return [milliseconds](platform::TestHooks &h) { h.frameMilliseconds = milliseconds; };
}

// A shown window with one counting child, painted once already.
struct Shown {
    QWidget window;
    Counting *child = new Counting(&window);
    Shown()
    {
        window.resize(200, 100);
        child->setGeometry(10, 10, 100, 50);
        window.show();
    }
};
} // namespace

class TestFramePacer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { FramePacer::Install(); }

    void heldChangesAreGatheredIntoOneRepaint()
    {
        Shown s;
        QVERIFY(QTest::qWaitForWindowExposed(&s.window));
        QTRY_VERIFY(s.child->paints > 0);
        // A frame that never ends: whatever comes now is held.
        ScopedTestHooks hooks(FrameOf(3600 * 1000));
        s.child->update();
        QCoreApplication::processEvents();
        const int before = s.child->paints;
        for (int i = 0; i < 100; ++i) {
            s.child->update();
            QCoreApplication::processEvents();
        }
        QCOMPARE(s.child->paints, before);
        // Still held when every usual frame would have ended.
        QTest::qWait(2 * FramePacer::StreamingFrameMilliseconds);
        QCOMPARE(s.child->paints, before);
        // The frame ends: one repaint shows it all.
        hooks.Change(FrameOf(0));
        QTRY_COMPARE(s.child->paints, before + 1);
        QCoreApplication::processEvents();
        QCOMPARE(s.child->paints, before + 1);
    }

    void heldRepaintComesByItself()
    {
        Shown s;
        QVERIFY(QTest::qWaitForWindowExposed(&s.window));
        QTRY_VERIFY(s.child->paints > 0);
        const ScopedTestHooks hooks(FrameOf(40));
        for (int round = 0; round < 5; ++round) {
            const int before = s.child->paints;
            s.child->update();
            QTRY_VERIFY(s.child->paints > before);
        }
    }

    void windowGoneWhileHeld()
    {
        auto *s = new Shown;
        QVERIFY(QTest::qWaitForWindowExposed(&s->window));
        QTRY_VERIFY(s->child->paints > 0);
        ScopedTestHooks hooks(FrameOf(3600 * 1000));
        s->child->update();
        QCoreApplication::processEvents();
        s->child->update();
        QCoreApplication::processEvents();
        delete s;
        hooks.Change(FrameOf(0));
        QCoreApplication::processEvents();
        // A new window at the same address must not inherit the old state.
        Shown again;
        QVERIFY(QTest::qWaitForWindowExposed(&again.window));
        QTRY_VERIFY(again.child->paints > 0);
    }
};

QTEST_MAIN(TestFramePacer)
#include "tst_framepacer.moc"
