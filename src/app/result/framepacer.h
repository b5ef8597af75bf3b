#pragma once
// Window repaints at most once per display frame.
//
// A search yields to the message loop after every line and before every
// folder; each yield would otherwise repaint every window that changed
// since the last one, hundreds of times more often than a screen can show.
// The pacer holds a window's repaint back until a frame has passed since its
// last one, then lets one repaint through with everything gathered meanwhile.

#include <QElapsedTimer>
#include <QHash>
#include <QObject>

class QWidget;

class FramePacer : public QObject {
    Q_OBJECT
public:
    // About one frame of a 60 Hz screen.
    static constexpr int FrameMilliseconds = 16;
    // While result lines stream in, a longer frame: the text scrolls past
    // faster than anyone reads it, and each repaint of both windows costs
    // as much as writing hundreds of lines.
    static constexpr int StreamingFrameMilliseconds = 40;
    // How long after the last line the stream counts as going on.
    static constexpr int StreamingLingerMilliseconds = 100;

    // The result window calls this for every line it takes.
    static void NoteLine();

    // Paces every top-level window of the application from now on.  Safe to
    // call more than once; needs a QApplication.  The frame of the test
    // hooks, where set, replaces both frames above.
    static void Install();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit FramePacer(QObject *parent);
    void Release(QWidget *window);
    static void ReleaseHeld();

    struct Window {
        QElapsedTimer lastRepaint;
        bool held = false;   // a repaint waits for the next frame
    };
    QHash<const QWidget *, Window> m_windows;
};
