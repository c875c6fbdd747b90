#include "app/PanelHints.h"

#include <QGuiApplication>
#include <QHash>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace panelhints {

namespace {

constexpr quint32 AllDesktops = 0xFFFFFFFFu;
constexpr quint32 InputHintFlag = 1;  // ICCCM WM_HINTS flags: InputHint

xcb_connection_t* connection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    static QHash<QByteArray, xcb_atom_t> cache;
    const QByteArray key(name);
    if (auto it = cache.constFind(key); it != cache.constEnd()) return *it;
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, quint16(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(r);
    if (a != XCB_ATOM_NONE) cache.insert(key, a);
    return a;
}

xcb_window_t nativeWindow(QWidget* w) {
    return (w && w->testAttribute(Qt::WA_WState_Created)) ? xcb_window_t(w->winId()) : 0;
}

xcb_window_t rootOf(xcb_connection_t* c) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
    return it.rem ? it.data->root : 0;
}

std::vector<quint32> read32(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type) {
    std::vector<quint32> out;
    xcb_get_property_reply_t* r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, type, 0, 1024), nullptr);
    if (r && r->format == 32 && r->type == type) {
        const auto* v = static_cast<const quint32*>(xcb_get_property_value(r));
        out.assign(v, v + xcb_get_property_value_length(r) / 4);
    }
    free(r);
    return out;
}

void write32(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type,
             const std::vector<quint32>& values) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, 32, quint32(values.size()), values.data());
}

void sendToRoot(xcb_connection_t* c, xcb_window_t about, xcb_atom_t type, const quint32 (&data)[5]) {
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = about;
    e.type = type;
    std::memcpy(e.data.data32, data, sizeof data);
    xcb_send_event(c, 0, rootOf(c), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&e));
}

void setListed(std::vector<quint32>& list, quint32 value, bool listed) {
    const auto it = std::find(list.begin(), list.end(), value);
    if (listed && it == list.end()) list.push_back(value);
    if (!listed && it != list.end()) list.erase(it);
}

} // namespace

bool isX11() { return connection() != nullptr; }

void prepareForMapping(QWidget* window, bool allDesktops) {
    xcb_connection_t* c = connection();
    const xcb_window_t w = nativeWindow(window);
    if (!c || !w) return;
    const xcb_atom_t desktop = atom(c, "_NET_WM_DESKTOP");
    if (allDesktops)
        write32(c, w, desktop, XCB_ATOM_CARDINAL, {AllDesktops});
    else
        xcb_delete_property(c, w, desktop);
    const xcb_atom_t state = atom(c, "_NET_WM_STATE");
    std::vector<quint32> states = read32(c, w, state, XCB_ATOM_ATOM);
    setListed(states, atom(c, "_NET_WM_STATE_STICKY"), allDesktops);
    write32(c, w, state, XCB_ATOM_ATOM, states);
    xcb_flush(c);
}

void setStickyMapped(QWidget* window, bool sticky) {
    xcb_connection_t* c = connection();
    const xcb_window_t w = nativeWindow(window);
    if (!c || !w) return;
    quint32 desktop = AllDesktops;
    if (!sticky) {
        const std::vector<quint32> current = read32(c, rootOf(c), atom(c, "_NET_CURRENT_DESKTOP"), XCB_ATOM_CARDINAL);
        desktop = current.empty() ? 0 : current.front();
    }
    sendToRoot(c, w, atom(c, "_NET_WM_DESKTOP"), {desktop, 1, 0, 0, 0});
    sendToRoot(c, w, atom(c, "_NET_WM_STATE"), {sticky ? 1u : 0u, atom(c, "_NET_WM_STATE_STICKY"), 0, 1, 0});
    xcb_flush(c);
}

void setTakesFocus(QWidget* window, bool takesFocus) {
    xcb_connection_t* c = connection();
    const xcb_window_t w = nativeWindow(window);
    if (!c || !w) return;
    const xcb_atom_t hintsAtom = XCB_ATOM_WM_HINTS;
    std::vector<quint32> hints = read32(c, w, hintsAtom, XCB_ATOM_WM_HINTS);
    if (hints.size() < 9) hints.resize(9, 0);
    hints[0] |= InputHintFlag;
    hints[1] = takesFocus ? 1 : 0;
    write32(c, w, hintsAtom, XCB_ATOM_WM_HINTS, hints);
    const xcb_atom_t protocols = atom(c, "WM_PROTOCOLS");
    std::vector<quint32> list = read32(c, w, protocols, XCB_ATOM_ATOM);
    setListed(list, atom(c, "WM_TAKE_FOCUS"), takesFocus);
    write32(c, w, protocols, XCB_ATOM_ATOM, list);
    xcb_flush(c);
}

long desktopOf(QWidget* window) {
    xcb_connection_t* c = connection();
    const xcb_window_t w = nativeWindow(window);
    if (!c || !w) return -1;
    const std::vector<quint32> v = read32(c, w, atom(c, "_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL);
    return v.empty() ? -1 : long(v.front());
}

bool hasState(QWidget* window, const char* stateAtomName) {
    xcb_connection_t* c = connection();
    const xcb_window_t w = nativeWindow(window);
    if (!c || !w) return false;
    const std::vector<quint32> v = read32(c, w, atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM);
    return std::find(v.begin(), v.end(), atom(c, stateAtomName)) != v.end();
}

bool inputHint(QWidget* window) {
    xcb_connection_t* c = connection();
    const xcb_window_t w = nativeWindow(window);
    if (!c || !w) return true;
    const std::vector<quint32> v = read32(c, w, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS);
    if (v.size() < 2 || !(v[0] & InputHintFlag)) return true;
    return v[1] != 0;
}

bool offersTakeFocus(QWidget* window) {
    xcb_connection_t* c = connection();
    const xcb_window_t w = nativeWindow(window);
    if (!c || !w) return false;
    const std::vector<quint32> v = read32(c, w, atom(c, "WM_PROTOCOLS"), XCB_ATOM_ATOM);
    return std::find(v.begin(), v.end(), atom(c, "WM_TAKE_FOCUS")) != v.end();
}

} // namespace panelhints
