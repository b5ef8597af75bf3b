#include "xsession.h"

#include <QCoreApplication>
#include <QColor>
#include <QDeadlineTimer>
#include <QFile>
#include <QHash>
#include <QStandardPaths>
#include <QThread>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xtest.h>

namespace e2e {

namespace {

struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

template <typename T, typename Cookie, typename Fetch>
Reply<T> Take(xcb_connection_t *c, Cookie cookie, Fetch fetch)
{
    xcb_generic_error_t *error = nullptr;
    Reply<T> reply(fetch(c, cookie, &error));
    std::free(error);
    return reply;
}

QByteArray PropertyBytes(xcb_connection_t *c, xcb_window_t w, xcb_atom_t name, xcb_atom_t *type = nullptr)
{
    const auto reply = Take<xcb_get_property_reply_t>(
        c, xcb_get_property(c, 0, w, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), xcb_get_property_reply);
    if (!reply || reply->type == XCB_ATOM_NONE)
        return QByteArray();
    if (type)
        *type = reply->type;
    return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

} // namespace

// ------------------------------------------------------------ VirtualScreen

VirtualScreen::~VirtualScreen()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(3000)) {
            m_server.kill();
            m_server.waitForFinished(3000);
        }
    }
}

QString VirtualScreen::XvfbPath()
{
    return QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
}

bool VirtualScreen::Start(QString *error)
{
    const QString xvfb = XvfbPath();
    if (xvfb.isEmpty()) {
        *error = QStringLiteral("Xvfb not found");
        return false;
    }
    // The server writes the display number it took to fd 1 once it is ready.
    m_server.setProcessChannelMode(QProcess::SeparateChannels);
    m_server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                          QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                          QStringLiteral("tcp")});
    if (!m_server.waitForStarted(10000)) {
        *error = QStringLiteral("Xvfb did not start: ") + m_server.errorString();
        return false;
    }
    QByteArray out;
    QDeadlineTimer deadline(15000);
    while (!out.contains('\n') && !deadline.hasExpired()) {
        if (m_server.state() == QProcess::NotRunning)
            break;
        m_server.waitForReadyRead(200);
        out += m_server.readAllStandardOutput();
    }
    bool ok = false;
    const int number = out.trimmed().toInt(&ok);
    if (!ok) {
        *error = QStringLiteral("Xvfb gave no display number: ") + QString::fromLocal8Bit(m_server.readAllStandardError());
        return false;
    }
    m_display = QStringLiteral(":%1").arg(number);
    return true;
}

// ------------------------------------------------------------ WindowManager

WindowManager::~WindowManager()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

QString WindowManager::JwmPath()
{
    return QStandardPaths::findExecutable(QStringLiteral("jwm"));
}

bool WindowManager::Start(const QString &display, QString *error)
{
    // A configuration of its own: the user's would change frames and keys.
    if (!m_dir.isValid()) {
        *error = QStringLiteral("no temporary folder for the window manager");
        return false;
    }
    const QString config = m_dir.filePath(QStringLiteral("jwmrc"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write ") + config;
        return false;
    }
    file.write("<?xml version=\"1.0\"?>\n<JWM>\n  <FocusModel>click</FocusModel>\n</JWM>\n");
    file.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("HOME"), m_dir.path());
    m_process.setProcessEnvironment(env);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(JwmPath(), {QStringLiteral("-f"), config});
    if (!m_process.waitForStarted(10000)) {
        *error = QStringLiteral("jwm did not start: ") + m_process.errorString();
        return false;
    }
    // Running once it announces itself on the root window.
    XClient x(display);
    const bool up = x.Ok() && WaitUntil(x, [&] {
        return m_process.state() == QProcess::Running && x.SupportingWmCheck() != XCB_WINDOW_NONE;
    }, 10000);
    if (!up)
        *error = QStringLiteral("jwm did not take the display: ") + QString::fromLocal8Bit(m_process.readAll());
    return up;
}

// ------------------------------------------------------------ XClient

XClient::XClient(const QString &display)
{
    int screen = 0;
    m_c = xcb_connect(display.toLocal8Bit().constData(), &screen);
    if (xcb_connection_has_error(m_c))
        return;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_c));
    for (int i = 0; i < screen && it.rem; ++i)
        xcb_screen_next(&it);
    m_root = it.rem ? it.data->root : xcb_window_t(XCB_WINDOW_NONE);
    // _NET_CLOSE_WINDOW is sent to the root window for the window manager;
    // with none running, the test plays that part and watches for it.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_c, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_c);
}

XClient::~XClient()
{
    if (m_c)
        xcb_disconnect(m_c);
}

bool XClient::Ok() const
{
    return m_c && !xcb_connection_has_error(m_c) && m_root != XCB_WINDOW_NONE;
}

xcb_atom_t XClient::Atom(const char *name)
{
    const auto reply = Take<xcb_intern_atom_reply_t>(
        m_c, xcb_intern_atom(m_c, 0, uint16_t(std::strlen(name)), name), xcb_intern_atom_reply);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_window_t XClient::ClientOf(xcb_window_t window, int depth)
{
    // A window manager marks the windows it manages with WM_STATE.
    if (!PropertyBytes(m_c, window, Atom("WM_STATE")).isNull())
        return window;
    if (depth == 0)
        return XCB_WINDOW_NONE;
    const auto tree = Take<xcb_query_tree_reply_t>(m_c, xcb_query_tree(m_c, window), xcb_query_tree_reply);
    if (!tree)
        return XCB_WINDOW_NONE;
    const xcb_window_t *kids = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
        if (const xcb_window_t client = ClientOf(kids[i], depth - 1))
            return client;
    return XCB_WINDOW_NONE;
}

std::vector<WindowInfo> XClient::TopLevels()
{
    std::vector<WindowInfo> out;
    const auto tree = Take<xcb_query_tree_reply_t>(m_c, xcb_query_tree(m_c, m_root), xcb_query_tree_reply);
    if (!tree)
        return out;
    const xcb_atom_t netWmName = Atom("_NET_WM_NAME");
    const xcb_atom_t netWmPid = Atom("_NET_WM_PID");
    const xcb_window_t *kids = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        WindowInfo info;
        const xcb_window_t top = kids[i];
        // Under a window manager the root's child is the frame and the
        // program's window lies inside it; without one they are the same.
        const xcb_window_t client = ClientOf(top, 3);
        info.id = client != XCB_WINDOW_NONE ? client : top;
        const auto attributes = Take<xcb_get_window_attributes_reply_t>(
            m_c, xcb_get_window_attributes(m_c, top), xcb_get_window_attributes_reply);
        const auto clientAttributes = Take<xcb_get_window_attributes_reply_t>(
            m_c, xcb_get_window_attributes(m_c, info.id), xcb_get_window_attributes_reply);
        const auto geometry = Take<xcb_get_geometry_reply_t>(m_c, xcb_get_geometry(m_c, top), xcb_get_geometry_reply);
        const auto clientGeometry = Take<xcb_get_geometry_reply_t>(m_c, xcb_get_geometry(m_c, info.id),
                                                                   xcb_get_geometry_reply);
        const auto origin = Take<xcb_translate_coordinates_reply_t>(
            m_c, xcb_translate_coordinates(m_c, info.id, m_root, 0, 0), xcb_translate_coordinates_reply);
        if (!attributes || !clientAttributes || !geometry || !clientGeometry || !origin)
            continue;
        info.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE
                        && clientAttributes->map_state == XCB_MAP_STATE_VIEWABLE;
        // Outer rectangle: the frame, or the window and its border.
        const int border = geometry->border_width;
        info.rect = QRect(geometry->x, geometry->y, geometry->width + 2 * border, geometry->height + 2 * border);
        info.client = QRect(origin->dst_x, origin->dst_y, clientGeometry->width, clientGeometry->height);
        info.title = QString::fromUtf8(PropertyBytes(m_c, info.id, netWmName));
        const QByteArray pid = PropertyBytes(m_c, info.id, netWmPid);
        if (pid.size() >= 4) {
            uint32_t value = 0;
            std::memcpy(&value, pid.constData(), 4);
            info.pid = value;
        }
        out.push_back(info);
    }
    return out;
}

WindowInfo XClient::Find(qint64 pid, const QString &title)
{
    for (const WindowInfo &w : TopLevels())
        if (w.viewable && w.pid == pid && w.title == title)
            return w;
    return WindowInfo();
}

void XClient::SetProperty(xcb_window_t w, xcb_atom_t name, xcb_atom_t type, int format, const void *data,
                          uint32_t count)
{
    xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, name, type, uint8_t(format), count, data);
}

xcb_window_t XClient::CreateWindow(const FakeWindow &fake, QRect rect)
{
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
    xcb_window_t parent = m_root;
    xcb_window_t frame = XCB_WINDOW_NONE;
    if (fake.framed) {
        frame = xcb_generate_id(m_c);
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, frame, m_root, int16_t(rect.x()), int16_t(rect.y()),
                          uint16_t(rect.width()), uint16_t(rect.height() + 20), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        parent = frame;
        rect.moveTo(0, 20);
    }
    const xcb_window_t w = xcb_generate_id(m_c);
    const uint32_t background = screen->white_pixel;
    xcb_create_window(m_c, XCB_COPY_FROM_PARENT, w, parent, int16_t(rect.x()), int16_t(rect.y()),
                      uint16_t(rect.width()), uint16_t(rect.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL, &background);

    if (!fake.netWmName.isNull()) {
        const QByteArray utf8 = fake.netWmName.toUtf8();
        SetProperty(w, Atom("_NET_WM_NAME"), Atom("UTF8_STRING"), 8, utf8.constData(), uint32_t(utf8.size()));
    }
    if (!fake.wmName.isNull())
        SetProperty(w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, fake.wmName.constData(), uint32_t(fake.wmName.size()));
    if (fake.dialogType) {
        const xcb_atom_t types[] = {Atom("_NET_WM_WINDOW_TYPE_DIALOG")};
        SetProperty(w, Atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, types, 1);
    }
    if (fake.transientFor != XCB_WINDOW_NONE)
        SetProperty(w, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32, &fake.transientFor, 1);
    if (fake.deleteProtocol) {
        const xcb_atom_t protocols[] = {Atom("WM_DELETE_WINDOW")};
        SetProperty(w, Atom("WM_PROTOCOLS"), XCB_ATOM_ATOM, 32, protocols, 1);
    }
    const uint32_t pid = uint32_t(QCoreApplication::applicationPid());
    SetProperty(w, Atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, &pid, 1);
    if (fake.framed) {
        // What a window manager sets on the clients it manages: NormalState.
        const uint32_t state[] = {1, XCB_WINDOW_NONE};
        SetProperty(w, Atom("WM_STATE"), Atom("WM_STATE"), 32, state, 2);
        m_frames.emplace_back(w, frame);
    }
    xcb_map_window(m_c, w);
    if (frame != XCB_WINDOW_NONE)
        xcb_map_window(m_c, frame);
    Flush();
    return w;
}

xcb_window_t XClient::FrameOf(xcb_window_t window) const
{
    for (const auto &pair : m_frames)
        if (pair.first == window)
            return pair.second;
    return window;
}

void XClient::Unmap(xcb_window_t window)
{
    // The client withdraws its window; a window manager then hides the frame.
    xcb_unmap_window(m_c, window);
    if (FrameOf(window) != window)
        xcb_unmap_window(m_c, FrameOf(window));
    Flush();
}

void XClient::Destroy(xcb_window_t window)
{
    xcb_destroy_window(m_c, FrameOf(window));
    Flush();
}

bool XClient::IsMapped(xcb_window_t window)
{
    const auto attributes = Take<xcb_get_window_attributes_reply_t>(
        m_c, xcb_get_window_attributes(m_c, FrameOf(window)), xcb_get_window_attributes_reply);
    return attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED;
}

xcb_window_t XClient::SupportingWmCheck()
{
    const QByteArray value = PropertyBytes(m_c, m_root, Atom("_NET_SUPPORTING_WM_CHECK"));
    uint32_t window = XCB_WINDOW_NONE;
    if (value.size() >= 4)
        std::memcpy(&window, value.constData(), 4);
    return window;
}

QPair<int, int> XClient::HighlightBand(const QRect &area)
{
    const QImage image = Grab(area);
    if (image.isNull())
        return {0, 0};
    // The selection's colour is the only saturated one in a list of black
    // text on white and grey scroll bars; its text (white) leaves much of
    // each row to it still.
    auto rowIsBar = [&](int y) {
        int coloured = 0;
        for (int x = 0; x < image.width(); ++x) {
            const QColor c(image.pixel(x, y));
            coloured += qMax(c.red(), qMax(c.green(), c.blue())) - qMin(c.red(), qMin(c.green(), c.blue())) > 60;
        }
        return coloured * 2 >= image.width();
    };
    int top = -1;
    for (int y = 0; y < image.height(); ++y) {
        const bool bar = rowIsBar(y);
        if (bar && top < 0)
            top = y;
        if (!bar && top >= 0)
            return {top, y - top};
    }
    return top >= 0 ? QPair<int, int>{top, image.height() - top} : QPair<int, int>{0, 0};
}

xcb_window_t XClient::InputFocus()
{
    const auto reply = Take<xcb_get_input_focus_reply_t>(m_c, xcb_get_input_focus(m_c), xcb_get_input_focus_reply);
    return reply ? reply->focus : xcb_window_t(XCB_WINDOW_NONE);
}

void XClient::SendDelete(xcb_window_t window)
{
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = Atom("WM_PROTOCOLS");
    event.data.data32[0] = Atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(m_c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&event));
    Flush();
}

bool XClient::HasXTest()
{
    const auto reply = Take<xcb_test_get_version_reply_t>(m_c, xcb_test_get_version(m_c, 2, 2),
                                                          xcb_test_get_version_reply);
    return bool(reply);
}

void XClient::Move(int x, int y)
{
    xcb_test_fake_input(m_c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_root, int16_t(x), int16_t(y), 0);
    Flush();
}

bool XClient::PressKeys(const std::vector<uint32_t> &keysyms)
{
    const xcb_setup_t *setup = xcb_get_setup(m_c);
    const int first = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const auto mapping = Take<xcb_get_keyboard_mapping_reply_t>(
        m_c, xcb_get_keyboard_mapping(m_c, xcb_keycode_t(first), uint8_t(count)), xcb_get_keyboard_mapping_reply);
    if (!mapping)
        return false;
    const xcb_keysym_t *table = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perKey = mapping->keysyms_per_keycode;
    std::vector<xcb_keycode_t> codes;
    for (const uint32_t keysym : keysyms) {
        // The key that gives the symbol unshifted.
        xcb_keycode_t code = 0;
        for (int i = 0; i < count && code == 0; ++i)
            if (perKey > 0 && table[i * perKey] == keysym)
                code = xcb_keycode_t(first + i);
        if (code == 0)
            return false;
        codes.push_back(code);
    }
    for (const xcb_keycode_t code : codes)
        xcb_test_fake_input(m_c, XCB_KEY_PRESS, code, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    for (auto it = codes.rbegin(); it != codes.rend(); ++it)
        xcb_test_fake_input(m_c, XCB_KEY_RELEASE, *it, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    Flush();
    return true;
}

bool XClient::ClickFocusing(int x, int y, xcb_window_t window, int tries)
{
    for (int i = 0; i < tries; ++i) {
        Click(x, y);
        if (WaitUntil(*this, [&] { return InputFocus() == window; }, 1000))
            return true;
    }
    return false;
}

void XClient::Click(int x, int y, int button)
{
    Move(x, y);
    const auto detail = uint8_t(button);
    xcb_test_fake_input(m_c, XCB_BUTTON_PRESS, detail, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    xcb_test_fake_input(m_c, XCB_BUTTON_RELEASE, detail, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    Flush();
}

QImage XClient::Grab(const QRect &rect)
{
    const auto reply = Take<xcb_get_image_reply_t>(
        m_c,
        xcb_get_image(m_c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, int16_t(rect.x()), int16_t(rect.y()),
                      uint16_t(rect.width()), uint16_t(rect.height()), ~0u),
        xcb_get_image_reply);
    if (!reply)
        return QImage();
    const int length = xcb_get_image_data_length(reply.get());
    if (reply->depth != 24 || length != rect.width() * rect.height() * 4)
        return QImage();
    // 32 bits per pixel, blue first: Qt's RGB32 on a little-endian host.
    QImage image(xcb_get_image_data(reply.get()), rect.width(), rect.height(), rect.width() * 4,
                 QImage::Format_RGB32);
    return image.copy();
}

QPair<int, int> XClient::SelectionBand(const QRect &area)
{
    const QImage image = Grab(area);
    if (image.isNull())
        return {0, 0};
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb background = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            background = it.key();
        }
    // The bar covers the whole width; a line of text, even a long one,
    // leaves much of its pixel rows blank.
    int top = -1;
    for (int y = 0; y < image.height(); ++y) {
        int differing = 0;
        for (int x = 0; x < image.width(); ++x)
            differing += image.pixel(x, y) != background;
        const bool bar = differing * 10 >= image.width() * 9;
        if (bar && top < 0)
            top = y;
        if (!bar && top >= 0)
            return {top, y - top};
    }
    return top >= 0 ? QPair<int, int>{top, image.height() - top} : QPair<int, int>{0, 0};
}

bool XClient::SelectRow(xcb_window_t window, const QRect &area, int row)
{
    // A bar counts once it covers the point clicked, is as high as a row
    // of text, and looks the same on two pictures in a row (a picture may
    // catch the window half painted).
    auto settledBar = [&](int y, QPair<int, int> *band) {
        QPair<int, int> last{-1, -1};
        return WaitUntil(*this, [&] {
            const QPair<int, int> now = SelectionBand(area);
            const bool same = now == last;
            last = now;
            *band = now;
            return same && now.second >= 8 && now.first <= y && y < now.first + now.second;
        }, 3000);
    };
    const int x = area.x() + area.width() / 3;
    const int firstY = 6;
    if (!ClickFocusing(x, area.y() + firstY, window))
        return false;
    QPair<int, int> first;
    if (!settledBar(firstY, &first))
        return false;
    if (row == 0)
        return true;
    // The first bar may be cut by the area's top, and then a pixel short;
    // the check below allows for it.
    const int height = first.second;
    const int expectedTop = first.first + height + (row - 1) * height;
    const int wantedY = expectedTop + height / 2;
    Click(x, area.y() + wantedY);
    QPair<int, int> band;
    return settledBar(wantedY, &band) && qAbs(band.first - expectedTop) <= 2;
}

void XClient::Pump()
{
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_c)) {
        if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
            const auto *message = reinterpret_cast<const xcb_client_message_event_t *>(event);
            ClientMessage m;
            m.window = message->window;
            m.type = message->type;
            for (int i = 0; i < 5; ++i)
                m.data[i] = message->data.data32[i];
            m_messages.push_back(m);
        }
        std::free(event);
    }
}

int XClient::MessagesFor(xcb_window_t window, xcb_atom_t type) const
{
    int n = 0;
    for (const ClientMessage &m : m_messages)
        if (m.window == window && m.type == type)
            ++n;
    return n;
}

void XClient::Flush()
{
    xcb_flush(m_c);
}

bool WaitUntil(XClient &client, const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        client.Pump();
        if (condition())
            return true;
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
}

} // namespace e2e
