#pragma once
// Window measures are kept in twips (15 to a pixel at 96 dpi) in settings
// and design tables; Qt works in logical pixels and scales for other screens.

#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QList>
#include <QMargins>
#include <QRect>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cmath>

namespace geometry {

constexpr int TwipsPerPixel = 15;

inline int TwipsToPixels(long long twips)
{
    return static_cast<int>(std::lround(static_cast<double>(twips) / TwipsPerPixel));
}
inline long long PixelsToTwips(int pixels)
{
    return static_cast<long long>(pixels) * TwipsPerPixel;
}
// A design rectangle given in twips, in pixels.
inline QRect DesignRect(int left, int top, int width, int height)
{
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}

// A screen's whole area, and the part of it that windows may take (panels
// and docks left out).
struct ScreenArea {
    QRect geometry;
    QRect available;
};

inline QList<ScreenArea> ScreenAreas()
{
    QList<ScreenArea> areas;
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (const QScreen *screen : screens)
        areas.append({screen->geometry(), screen->availableGeometry()});
    return areas;
}

// A stored outer rectangle fitted to the screens, so that a window never
// starts invisible or giant: a side smaller than `minimum` or larger than
// the available area of its screen takes the design size, and a rectangle
// whose caption lies on no screen (a monitor that is gone) goes to `home`,
// from where it can be dragged.  A window partly off its screen stays where
// it was put.
inline QRect FitToScreens(QRect outer, const QSize &design, const QSize &minimum, const QPoint &home,
                          const QList<ScreenArea> &screens)
{
    constexpr int captionHeight = 24;
    const auto screenOfCaption = [&screens](const QRect &rect) -> const ScreenArea * {
        const QRect caption(rect.left(), rect.top(), qMax(rect.width(), 1), captionHeight);
        for (const ScreenArea &screen : screens)
            if (screen.geometry.intersects(caption))
                return &screen;
        return nullptr;
    };
    const auto fitSize = [&](QRect rect, const ScreenArea *screen) {
        if (!screen && !screens.isEmpty())
            screen = &screens.first();
        const auto fits = [](int side, int least, int room) { return side >= least && side <= room; };
        if (!fits(rect.width(), minimum.width(), screen ? screen->available.width() : rect.width()))
            rect.setWidth(design.width());
        if (!fits(rect.height(), minimum.height(), screen ? screen->available.height() : rect.height()))
            rect.setHeight(design.height());
        return rect;
    };
    outer = fitSize(outer, screenOfCaption(outer));
    if (!screens.isEmpty() && !screenOfCaption(outer)) {
        outer.moveTopLeft(home);
        outer = fitSize(outer, screenOfCaption(outer));
    }
    return outer;
}

// The client rectangle of a window whose frame has `frame` margins and
// whose outer rectangle is to be `outer`; never negative in size.
inline QRect ClientRectFor(const QRect &outer, const QMargins &frame)
{
    QRect client = outer.marginsRemoved(frame);
    client.setWidth(qMax(0, client.width()));
    client.setHeight(qMax(0, client.height()));
    return client;
}

// Keeps a top-level window's outer rectangle (frame included) where it was
// asked to be while a window manager frames the window.  A reparenting
// manager tells the frame only after the window is mapped, so the frame's
// corner is placed first and the client sized to the outer size less the
// frame known so far; once the frame becomes known, the client is sized
// again (and the corner put back if the manager moved it).
class OuterRectKeeper : public QObject {
public:
    explicit OuterRectKeeper(QWidget *window)
        : QObject(window), m_window(window)
    {
        setObjectName(QStringLiteral("OuterRectKeeper"));
        window->installEventFilter(this);
        m_poll.setInterval(20);
        connect(&m_poll, &QTimer::timeout, this, [this] { Check(); });
    }

    static OuterRectKeeper *Of(QWidget *window)
    {
        auto *keeper = window->findChild<OuterRectKeeper *>(QStringLiteral("OuterRectKeeper"),
                                                             Qt::FindDirectChildrenOnly);
        return keeper ? keeper : new OuterRectKeeper(window);
    }

    void Place(const QRect &outer)
    {
        m_outer = outer;
        m_watching = true;
        m_shown.invalidate();
        if (m_window->isVisible()) {
            m_shown.start();
            m_poll.start();
        }
        Apply();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_window || !m_watching)
            return false;
        switch (event->type()) {
        case QEvent::Show:
            m_shown.start();
            m_poll.start();
            break;
        case QEvent::Move:
        case QEvent::Resize:
            // The first frame a manager gives is the one to fit; after that
            // the user's own moves and sizes are left alone.  Without a
            // manager no frame ever comes, and watching ends after a while.
            Check();
            break;
        default:
            break;
        }
        return false;
    }

private:
    QMargins Frame() const
    {
        return m_window->windowHandle() ? m_window->windowHandle()->frameMargins() : QMargins();
    }

    void Apply()
    {
        if (m_window->isMaximized() || m_window->isMinimized() || m_window->isFullScreen())
            return;
        (void)m_window->winId();   // the frame the platform already knows counts
        m_applied = Frame();
        const QRect client = ClientRectFor(m_outer, m_applied);
        if (!m_applied.isNull()) {
            m_window->resize(client.size());
            if (m_window->frameGeometry().topLeft() != m_outer.topLeft())
                m_window->move(m_outer.topLeft());
            return;
        }
        // The frame is not known yet: the window asks the manager to put the
        // frame's corner, not the client's, at this point (north-west
        // gravity), and the client goes where the frame leaves it room.  The
        // widget and its native window must agree, or showing the widget
        // would place the client instead.
        m_window->setGeometry(client);
        if (QWindow *handle = m_window->windowHandle()) {
            handle->resize(client.size());
            handle->setFramePosition(m_outer.topLeft());
        }
    }

    // The frame is known some time after the window is shown; a change of
    // it alone sends the widget no event, so it is looked for a few times.
    void Check()
    {
        if (!m_watching)
            return;
        if (Frame() != m_applied)
            Apply();
        if (!m_applied.isNull() || (m_shown.isValid() && m_shown.elapsed() > 3000)) {
            m_watching = false;
            m_poll.stop();
        }
    }

    QWidget *m_window;
    QRect m_outer;
    QMargins m_applied;
    bool m_watching = false;
    QElapsedTimer m_shown;
    QTimer m_poll;
};

// Puts a top-level window's outer rectangle (frame included) at `outer`,
// now and again once a window manager has framed it.
inline void SetOuterRect(QWidget *window, const QRect &outer)
{
    OuterRectKeeper::Of(window)->Place(outer);
}

// Sizes a window's main control to the window's client size less the
// margins fixed at load.  A window smaller than a margin (or minimized)
// leaves the control at its last size.
inline void FitToMargins(const QWidget *window, QWidget *control, int marginHeight, int marginWidth)
{
    const int h = window->height() - marginHeight;
    if (h < 0)
        return;
    const int w = window->width() - marginWidth;
    if (w < 0)
        return;
    control->resize(w, h);
}

} // namespace geometry
