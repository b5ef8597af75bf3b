#pragma once
// Window measures are kept in twips (15 to a pixel at 96 dpi) in settings
// and design tables; Qt works in logical pixels and scales for other screens.

#include <QRect>
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

// Puts a top-level window's outer rectangle (frame included) at `outer`.
// The native window is created first so that the frame the platform
// already knows is taken into account.
inline void SetOuterRect(QWidget *window, const QRect &outer)
{
    (void)window->winId();
    const QMargins frame = window->windowHandle() ? window->windowHandle()->frameMargins() : QMargins();
    QRect client = outer.marginsRemoved(frame);
    client.setWidth(qMax(0, client.width()));
    client.setHeight(qMax(0, client.height()));
    window->setGeometry(client);
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
