// Reaching the dialogs of other programs on an X11 display.  Without a
// window manager the top-level windows are the children of the root window;
// a reparenting window manager puts each client (the window that carries
// WM_STATE) into a frame of its own, one or two levels further down.
#include "platform/foreigndialog.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

namespace platform {

namespace {

struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// The reply, or null when the request failed (typically because the window
// went away in the meantime, which is no fault of ours).
template <typename T, typename Cookie, typename Fetch>
Reply<T> Take(xcb_connection_t *c, Cookie cookie, Fetch fetch)
{
    xcb_generic_error_t *error = nullptr;
    Reply<T> reply(fetch(c, cookie, &error));
    std::free(error);
    return reply;
}

enum AtomName {
    NetWmName,
    Utf8String,
    NetWmWindowType,
    NetWmWindowTypeDialog,
    NetWmPid,
    WmProtocols,
    WmDeleteWindow,
    NetCloseWindow,
    WmState,
    AtomCount
};
const char *const AtomNames[AtomCount] = {
    "_NET_WM_NAME", "UTF8_STRING", "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DIALOG",
    "_NET_WM_PID", "WM_PROTOCOLS", "WM_DELETE_WINDOW", "_NET_CLOSE_WINDOW", "WM_STATE",
};

struct Atoms {
    xcb_atom_t atom[AtomCount] = {};
    bool ok = false;
    xcb_atom_t operator[](AtomName name) const { return atom[name]; }
};

const Atoms &AtomsFor(xcb_connection_t *c)
{
    static xcb_connection_t *cachedFor = nullptr;
    static Atoms atoms;
    if (cachedFor == c && atoms.ok)
        return atoms;
    cachedFor = c;
    atoms = Atoms();
    xcb_intern_atom_cookie_t cookies[AtomCount];
    for (int i = 0; i < AtomCount; ++i)
        cookies[i] = xcb_intern_atom(c, 0, uint16_t(std::strlen(AtomNames[i])), AtomNames[i]);
    bool ok = true;
    for (int i = 0; i < AtomCount; ++i) {
        const auto reply = Take<xcb_intern_atom_reply_t>(c, cookies[i], xcb_intern_atom_reply);
        if (reply)
            atoms.atom[i] = reply->atom;
        else
            ok = false;
    }
    atoms.ok = ok;
    return atoms;
}

struct Property {
    bool present = false;
    xcb_atom_t type = XCB_ATOM_NONE;
    uint8_t format = 0;
    bool complete = true;
    QByteArray bytes;

    std::vector<uint32_t> Values32() const
    {
        std::vector<uint32_t> out;
        if (format != 32)
            return out;
        out.resize(size_t(bytes.size()) / 4);
        std::memcpy(out.data(), bytes.constData(), out.size() * 4);
        return out;
    }
};

xcb_get_property_cookie_t AskProperty(xcb_connection_t *c, xcb_window_t w, xcb_atom_t name,
                                      uint32_t maxUnits = 256)
{
    return xcb_get_property(c, 0, w, name, XCB_GET_PROPERTY_TYPE_ANY, 0, maxUnits);
}

Property TakeProperty(xcb_connection_t *c, xcb_get_property_cookie_t cookie)
{
    Property p;
    const auto reply = Take<xcb_get_property_reply_t>(c, cookie, xcb_get_property_reply);
    if (!reply || reply->type == XCB_ATOM_NONE)
        return p;
    p.present = true;
    p.type = reply->type;
    p.format = reply->format;
    p.complete = reply->bytes_after == 0;
    p.bytes = QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                         xcb_get_property_value_length(reply.get()));
    return p;
}

// The title a window manager would show; null when the window has none or
// it is longer than we read (then it cannot be ours to match anyway).
QString TitleOf(const Property &netWmName, const Property &wmName, const Atoms &atoms)
{
    if (netWmName.present && netWmName.format == 8)
        return netWmName.complete ? QString::fromUtf8(netWmName.bytes) : QString();
    if (wmName.present && wmName.format == 8 && wmName.complete) {
        // STRING is Latin-1; COMPOUND_TEXT agrees with it for plain text.
        return wmName.type == atoms[Utf8String] ? QString::fromUtf8(wmName.bytes)
                                                : QString::fromLatin1(wmName.bytes);
    }
    return QString();
}

struct Probe {
    bool managed = false;   // carries WM_STATE: a client window
    std::vector<xcb_window_t> children;   // topmost first
};

// WM_STATE (and, when asked, the children) of every window, in one
// round of requests.
std::vector<Probe> ProbeWindows(xcb_connection_t *c, const std::vector<xcb_window_t> &windows,
                                const Atoms &atoms, bool withChildren)
{
    std::vector<xcb_get_property_cookie_t> states;
    std::vector<xcb_query_tree_cookie_t> trees;
    states.reserve(windows.size());
    for (xcb_window_t w : windows) {
        states.push_back(xcb_get_property(c, 0, w, atoms[WmState], XCB_GET_PROPERTY_TYPE_ANY, 0, 0));
        if (withChildren)
            trees.push_back(xcb_query_tree(c, w));
    }
    std::vector<Probe> out(windows.size());
    for (size_t i = 0; i < windows.size(); ++i) {
        out[i].managed = TakeProperty(c, states[i]).present;
        if (!withChildren)
            continue;
        const auto tree = Take<xcb_query_tree_reply_t>(c, trees[i], xcb_query_tree_reply);
        if (!tree)
            continue;
        const xcb_window_t *kids = xcb_query_tree_children(tree.get());
        out[i].children.assign(kids, kids + xcb_query_tree_children_length(tree.get()));
        std::reverse(out[i].children.begin(), out[i].children.end());
    }
    return out;
}

// The windows a desktop shows as top-level, topmost first: each child of
// the root, and below one that is a frame (no WM_STATE of its own) the
// client windows within two levels.
std::vector<xcb_window_t> TopLevelWindows(xcb_connection_t *c, xcb_window_t root, const Atoms &atoms)
{
    std::vector<xcb_window_t> top;
    {
        const auto tree = Take<xcb_query_tree_reply_t>(c, xcb_query_tree(c, root), xcb_query_tree_reply);
        if (!tree)
            return top;
        const xcb_window_t *kids = xcb_query_tree_children(tree.get());
        top.assign(kids, kids + xcb_query_tree_children_length(tree.get()));
        std::reverse(top.begin(), top.end());
    }
    const std::vector<Probe> topProbe = ProbeWindows(c, top, atoms, true);

    std::vector<xcb_window_t> level1;
    for (size_t i = 0; i < top.size(); ++i)
        if (!topProbe[i].managed)
            level1.insert(level1.end(), topProbe[i].children.begin(), topProbe[i].children.end());
    const std::vector<Probe> probe1 = ProbeWindows(c, level1, atoms, true);

    std::vector<xcb_window_t> level2;
    for (size_t i = 0; i < level1.size(); ++i)
        if (!probe1[i].managed)
            level2.insert(level2.end(), probe1[i].children.begin(), probe1[i].children.end());
    const std::vector<Probe> probe2 = ProbeWindows(c, level2, atoms, false);

    // Same walk again, now emitting in stacking order.
    std::vector<xcb_window_t> out;
    size_t at1 = 0, at2 = 0;
    for (size_t i = 0; i < top.size(); ++i) {
        out.push_back(top[i]);
        if (topProbe[i].managed)
            continue;
        for (size_t k = 0; k < topProbe[i].children.size(); ++k, ++at1) {
            if (probe1[at1].managed) {
                out.push_back(level1[at1]);
                continue;
            }
            for (size_t g = 0; g < probe1[at1].children.size(); ++g, ++at2)
                if (probe2[at2].managed)
                    out.push_back(level2[at2]);
        }
    }
    return out;
}

// Facts of those windows whose title is `title`, in the given order.
std::vector<WindowFacts> TitledWindows(xcb_connection_t *c, const std::vector<xcb_window_t> &windows,
                                       const QString &title, const Atoms &atoms)
{
    struct Asked {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_property_cookie_t netWmName;
        xcb_get_property_cookie_t wmName;
    };
    std::vector<Asked> asked;
    asked.reserve(windows.size());
    for (xcb_window_t w : windows)
        asked.push_back({xcb_get_window_attributes(c, w), AskProperty(c, w, atoms[NetWmName]),
                         AskProperty(c, w, XCB_ATOM_WM_NAME)});

    std::vector<WindowFacts> titled;
    for (size_t i = 0; i < windows.size(); ++i) {
        const auto attributes = Take<xcb_get_window_attributes_reply_t>(c, asked[i].attributes,
                                                                        xcb_get_window_attributes_reply);
        const Property netWmName = TakeProperty(c, asked[i].netWmName);
        const Property wmName = TakeProperty(c, asked[i].wmName);
        if (!attributes)
            continue;
        WindowFacts facts;
        facts.id = windows[i];
        // A client whose frame the window manager hides (on another
        // desktop, say) is still mapped itself, and counts as shown.
        facts.mapped = attributes->map_state != XCB_MAP_STATE_UNMAPPED;
        facts.title = TitleOf(netWmName, wmName, atoms);
        if (facts.mapped && facts.title == title)
            titled.push_back(facts);
    }

    struct More {
        xcb_get_property_cookie_t type;
        xcb_get_property_cookie_t transientFor;
        xcb_get_property_cookie_t pid;
    };
    std::vector<More> more;
    more.reserve(titled.size());
    for (const WindowFacts &f : titled)
        more.push_back({AskProperty(c, f.id, atoms[NetWmWindowType], 64),
                        AskProperty(c, f.id, XCB_ATOM_WM_TRANSIENT_FOR, 1),
                        AskProperty(c, f.id, atoms[NetWmPid], 1)});
    for (size_t i = 0; i < titled.size(); ++i) {
        const std::vector<uint32_t> types = TakeProperty(c, more[i].type).Values32();
        titled[i].dialogType = std::find(types.begin(), types.end(), atoms[NetWmWindowTypeDialog]) != types.end();
        const std::vector<uint32_t> transientFor = TakeProperty(c, more[i].transientFor).Values32();
        titled[i].transient = !transientFor.empty() && transientFor.front() != XCB_WINDOW_NONE;
        const std::vector<uint32_t> pid = TakeProperty(c, more[i].pid).Values32();
        titled[i].pid = pid.empty() ? 0 : qint64(pid.front());
    }
    return titled;
}

// As the close box would: WM_DELETE_WINDOW when the client takes part in
// that protocol, otherwise the window manager is asked to close it.
void AskToClose(xcb_connection_t *c, xcb_window_t root, xcb_window_t window, const Atoms &atoms)
{
    const std::vector<uint32_t> protocols =
        TakeProperty(c, AskProperty(c, window, atoms[WmProtocols], 64)).Values32();
    const bool deletable =
        std::find(protocols.begin(), protocols.end(), atoms[WmDeleteWindow]) != protocols.end();

    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    xcb_void_cookie_t cookie;
    if (deletable) {
        event.type = atoms[WmProtocols];
        event.data.data32[0] = atoms[WmDeleteWindow];
        event.data.data32[1] = XCB_CURRENT_TIME;
        cookie = xcb_send_event_checked(c, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                        reinterpret_cast<const char *>(&event));
    } else {
        event.type = atoms[NetCloseWindow];
        event.data.data32[0] = XCB_CURRENT_TIME;
        event.data.data32[1] = 2;   // on behalf of the user, as a pager would
        cookie = xcb_send_event_checked(c, 0, root,
                                        XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                                        reinterpret_cast<const char *>(&event));
    }
    // Checked, so a window that vanished meanwhile ends here quietly.
    std::free(xcb_request_check(c, cookie));
}

QSet<quint32> OwnWindowIds()
{
    QSet<quint32> ids;
    for (QWindow *window : QGuiApplication::allWindows())
        if (window->handle())   // winId() would create a native window
            ids.insert(quint32(window->winId()));
    return ids;
}

} // namespace

bool CloseForeignDialog(const QString &title)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return false;
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *c = x11 ? x11->connection() : nullptr;
    if (!c || xcb_connection_has_error(c))
        return false;
    const Atoms &atoms = AtomsFor(c);
    if (!atoms.ok)
        return false;

    const qint64 pid = QCoreApplication::applicationPid();
    const QSet<quint32> own = OwnWindowIds();
    for (xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(c)); screen.rem;
         xcb_screen_next(&screen)) {
        const xcb_window_t root = screen.data->root;
        for (const WindowFacts &window : TitledWindows(c, TopLevelWindows(c, root, atoms), title, atoms)) {
            if (!IsForeignDialog(window, title, pid, own))
                continue;
            AskToClose(c, root, window.id, atoms);
            return true;
        }
    }
    return false;
}

} // namespace platform
