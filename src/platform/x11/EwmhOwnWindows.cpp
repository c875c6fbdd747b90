// The hints of our own top-level windows, written on the connection that made them.
#include "platform/x11/Ewmh.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace ewmh {

namespace {

constexpr quint32 AllDesktops = 0xFFFFFFFFu;
constexpr quint32 InputHintFlag = 1;  // ICCCM WM_HINTS flags: InputHint

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
    std::free(r);
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

// Atoms come from the session's table: they are the server's, whichever connection asks.
xcb_atom_t atom(X11Session& s, const char* name) { return xcb_atom_t(s.atom(name)); }

bool usable(X11Session& s, const OwnWindow& w) { return s.isAvailable() && w.connection && w.window; }

// The atoms that the hints of our own windows use, interned in one round trip.
void knowAtoms(X11Session& s) {
    s.internAtoms({"_NET_WM_DESKTOP", "_NET_WM_STATE", "_NET_WM_STATE_STICKY", "_NET_CURRENT_DESKTOP", "WM_PROTOCOLS",
                   "WM_TAKE_FOCUS"});
}

} // namespace

void prepareForMapping(X11Session& s, const OwnWindow& own, bool allDesktops) {
    if (!usable(s, own)) return;
    knowAtoms(s);
    xcb_connection_t* c = own.connection;
    const auto w = xcb_window_t(own.window);
    const xcb_atom_t desktop = atom(s, "_NET_WM_DESKTOP");
    if (allDesktops)
        write32(c, w, desktop, XCB_ATOM_CARDINAL, {AllDesktops});
    else
        xcb_delete_property(c, w, desktop);
    const xcb_atom_t state = atom(s, "_NET_WM_STATE");
    std::vector<quint32> states = read32(c, w, state, XCB_ATOM_ATOM);
    setListed(states, atom(s, "_NET_WM_STATE_STICKY"), allDesktops);
    write32(c, w, state, XCB_ATOM_ATOM, states);
    xcb_flush(c);
}

void setStickyMapped(X11Session& s, const OwnWindow& own, bool sticky) {
    if (!usable(s, own)) return;
    xcb_connection_t* c = own.connection;
    const auto w = xcb_window_t(own.window);
    quint32 desktop = AllDesktops;
    if (!sticky) {
        const std::vector<quint32> current =
            read32(c, rootOf(c), atom(s, "_NET_CURRENT_DESKTOP"), XCB_ATOM_CARDINAL);
        desktop = current.empty() ? 0 : current.front();
    }
    sendToRoot(c, w, atom(s, "_NET_WM_DESKTOP"), {desktop, 1, 0, 0, 0});
    sendToRoot(c, w, atom(s, "_NET_WM_STATE"), {sticky ? 1u : 0u, atom(s, "_NET_WM_STATE_STICKY"), 0, 1, 0});
    xcb_flush(c);
}

void setTakesFocus(X11Session& s, const OwnWindow& own, bool takesFocus) {
    if (!usable(s, own)) return;
    knowAtoms(s);
    xcb_connection_t* c = own.connection;
    const auto w = xcb_window_t(own.window);
    std::vector<quint32> hints = read32(c, w, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS);
    if (hints.size() < 9) hints.resize(9, 0);
    hints[0] |= InputHintFlag;
    hints[1] = takesFocus ? 1 : 0;
    write32(c, w, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, hints);
    const xcb_atom_t protocols = atom(s, "WM_PROTOCOLS");
    std::vector<quint32> list = read32(c, w, protocols, XCB_ATOM_ATOM);
    setListed(list, atom(s, "WM_TAKE_FOCUS"), takesFocus);
    write32(c, w, protocols, XCB_ATOM_ATOM, list);
    xcb_flush(c);
}

} // namespace ewmh
