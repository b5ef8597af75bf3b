#pragma once
// A private X server and a client of it that acts as a desktop would:
// finds windows, reads their titles and places, makes windows of another
// program, sends the close box's message, presses keys and buttons (XTEST)
// and takes pictures of the screen.

#include <QImage>
#include <QPair>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <vector>
#include <xcb/xcb.h>

namespace e2e {

// Xvfb on a display number it chooses itself (-displayfd), no window
// manager.  Killed with the object.
class VirtualScreen {
public:
    VirtualScreen() = default;
    ~VirtualScreen();
    VirtualScreen(const VirtualScreen &) = delete;
    VirtualScreen &operator=(const VirtualScreen &) = delete;

    static QString XvfbPath();   // empty when Xvfb is not installed
    bool Start(QString *error);
    QString Display() const { return m_display; }   // ":N"

private:
    QProcess m_server;
    QString m_display;
};

// jwm, a reparenting window manager that tells a window's frame only once
// the window is mapped, with a configuration of its own.  Ended with the
// object.
class WindowManager {
public:
    WindowManager() = default;
    ~WindowManager();
    WindowManager(const WindowManager &) = delete;
    WindowManager &operator=(const WindowManager &) = delete;

    static QString JwmPath();   // empty when jwm is not installed
    bool Start(const QString &display, QString *error);

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};

// One message another client sent to a window we watch.
struct ClientMessage {
    xcb_window_t window;   // the window the message names
    xcb_atom_t type;
    uint32_t data[5];
};

struct WindowInfo {
    xcb_window_t id = XCB_WINDOW_NONE;
    QString title;        // _NET_WM_NAME
    QRect rect;           // outer rectangle on the root window (the frame's, if any)
    QRect client;         // the window's own area on the root window
    bool viewable = false;
    qint64 pid = 0;       // _NET_WM_PID, 0 when absent
};

// What a test-made window claims to be.
struct FakeWindow {
    QString netWmName;          // set as _NET_WM_NAME (UTF8_STRING) when not null
    QByteArray wmName;          // set as WM_NAME (STRING) when not null
    bool dialogType = false;    // _NET_WM_WINDOW_TYPE_DIALOG
    xcb_window_t transientFor = XCB_WINDOW_NONE;
    bool deleteProtocol = true; // WM_PROTOCOLS lists WM_DELETE_WINDOW
    bool framed = false;        // inside a frame window, as a window manager would put it
};

class XClient {
public:
    explicit XClient(const QString &display);
    ~XClient();
    XClient(const XClient &) = delete;
    XClient &operator=(const XClient &) = delete;

    bool Ok() const;
    xcb_connection_t *Connection() const { return m_c; }
    xcb_window_t Root() const { return m_root; }
    xcb_atom_t Atom(const char *name);

    // Children of the root window, bottom to top.
    std::vector<WindowInfo> TopLevels();
    // The viewable top-level window of `pid` titled `title`, if any.
    WindowInfo Find(qint64 pid, const QString &title);

    // Returns the window that carries the properties (the client window
    // when framed); Unmap and Destroy take care of the frame as well.
    xcb_window_t CreateWindow(const FakeWindow &fake, QRect rect = QRect(900, 700, 200, 100));
    void Unmap(xcb_window_t window);
    void Destroy(xcb_window_t window);
    bool IsMapped(xcb_window_t window);

    // The window manager's check window, none without a manager.
    xcb_window_t SupportingWmCheck();

    // The run of pixel rows in `area` (root coordinates) that the
    // selection's colour fills: top relative to the area and height, height
    // 0 for none.
    QPair<int, int> HighlightBand(const QRect &area);

    // The window that has the keyboard focus (none, or PointerRoot = 1).
    xcb_window_t InputFocus();

    // The message the close box sends.
    void SendDelete(xcb_window_t window);

    // Input through XTEST, at root coordinates.
    bool HasXTest();
    void Move(int x, int y);
    // Button 1 is the left button, 3 the right.
    void Click(int x, int y, int button = 1);
    // Presses the keys (X keysyms) in order and lets them go in reverse,
    // e.g. {Alt_L, e} for Alt+E; false when the keyboard lacks one of them.
    bool PressKeys(const std::vector<uint32_t> &keysyms);
    // Clicks until `window` takes the keyboard focus, which tells that its
    // program took the click (a first click can be lost, e.g. by a window
    // that appeared under the pointer).  Tries are a second apart, so they
    // never make a double-click.
    bool ClickFocusing(int x, int y, xcb_window_t window, int tries = 5);

    // The screen's pixels in `rect` (24-bit TrueColor displays).
    QImage Grab(const QRect &rect);

    // The selection bar of a list or tree shown in `area` (root
    // coordinates): the run of pixel rows that mostly differ from the area's
    // background.  Top and height relative to the area; height 0 for none.
    QPair<int, int> SelectionBand(const QRect &area);
    // Selects row `row` (0 = top) of the list or tree in `area` of `window`
    // with the mouse and checks on screen that the bar went there.  The
    // first row is clicked first, to learn the row height from its bar.
    bool SelectRow(xcb_window_t window, const QRect &area, int row);

    // Reads every pending event; client messages addressed to our windows
    // or sent to the root window (as _NET_CLOSE_WINDOW is) are kept.
    void Pump();
    const std::vector<ClientMessage> &Messages() const { return m_messages; }
    int MessagesFor(xcb_window_t window, xcb_atom_t type) const;

    void Flush();

private:
    // The window a manager manages at or below `window`, none if none.
    xcb_window_t ClientOf(xcb_window_t window, int depth);
    xcb_window_t FrameOf(xcb_window_t window) const;
    void SetProperty(xcb_window_t w, xcb_atom_t name, xcb_atom_t type, int format, const void *data, uint32_t count);

    xcb_connection_t *m_c = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    std::vector<ClientMessage> m_messages;
    std::vector<std::pair<xcb_window_t, xcb_window_t>> m_frames;   // client, frame
};

// Pumps `client` and the Qt event loop until `condition` holds or
// `timeoutMs` has passed; returns the condition's last value.
bool WaitUntil(XClient &client, const std::function<bool()> &condition, int timeoutMs);

} // namespace e2e
