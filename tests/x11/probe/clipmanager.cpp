// runebox-clipmanager: the smallest clipboard manager for the end-to-end tests. It owns
// CLIPBOARD_MANAGER; asked for SAVE_TARGETS it copies every target of the clipboard,
// takes the clipboard itself and answers with the copies from then on. Prints "ready"
// once it owns CLIPBOARD_MANAGER.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct Item {
    Atom type;
    int format;
    std::vector<unsigned char> bytes;   // as Xlib hands them (longs for format 32)
    unsigned long items;
};

Display* dpy;
Window win;
Atom clipboard, manager, saveTargets, targets, multiple, timestamp, transfer;
std::map<Atom, Item> saved;

bool convert(Atom target, Item& out) {
    XConvertSelection(dpy, clipboard, target, transfer, win, CurrentTime);
    XEvent e;
    for (;;) {
        XNextEvent(dpy, &e);
        if (e.type == SelectionNotify && e.xselection.target == target) break;
    }
    if (e.xselection.property == None) return false;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, win, transfer, 0, 1 << 24, True, AnyPropertyType, &out.type, &out.format, &items,
                           &after, &data) != Success)
        return false;
    const std::size_t unit = out.format == 32 ? sizeof(long) : out.format == 16 ? sizeof(short) : 1;
    out.bytes.assign(data, data + items * unit);
    out.items = items;
    XFree(data);
    return true;
}

void save() {
    saved.clear();
    Item list;
    if (!convert(targets, list) || list.format != 32) return;
    const auto* atoms = reinterpret_cast<const Atom*>(list.bytes.data());
    for (unsigned long i = 0; i < list.items; ++i) {
        const Atom t = atoms[i];
        if (t == targets || t == multiple || t == timestamp || t == saveTargets) continue;
        Item item;
        if (convert(t, item)) saved[t] = item;
    }
    XSetSelectionOwner(dpy, clipboard, win, CurrentTime);
}

void reply(const XSelectionRequestEvent& r, Atom property) {
    XSelectionEvent n{};
    n.type = SelectionNotify;
    n.requestor = r.requestor;
    n.selection = r.selection;
    n.target = r.target;
    n.property = property;
    n.time = r.time;
    XSendEvent(dpy, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&n));
    XFlush(dpy);
}

} // namespace

int main() {
    dpy = XOpenDisplay(nullptr);
    if (!dpy) return 1;
    win = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
    clipboard = XInternAtom(dpy, "CLIPBOARD", False);
    manager = XInternAtom(dpy, "CLIPBOARD_MANAGER", False);
    saveTargets = XInternAtom(dpy, "SAVE_TARGETS", False);
    targets = XInternAtom(dpy, "TARGETS", False);
    multiple = XInternAtom(dpy, "MULTIPLE", False);
    timestamp = XInternAtom(dpy, "TIMESTAMP", False);
    transfer = XInternAtom(dpy, "_CLIPMANAGER_TRANSFER", False);
    XSetSelectionOwner(dpy, manager, win, CurrentTime);
    if (XGetSelectionOwner(dpy, manager) != win) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) {
        XEvent e;
        XNextEvent(dpy, &e);
        if (e.type != SelectionRequest) continue;
        const XSelectionRequestEvent& r = e.xselectionrequest;
        const Atom property = r.property ? r.property : r.target;
        if (r.selection == manager && r.target == saveTargets) {
            save();
            XChangeProperty(dpy, r.requestor, property, XInternAtom(dpy, "NULL", False), 32, PropModeReplace,
                            nullptr, 0);
            reply(r, property);
        } else if (r.selection == clipboard && r.target == targets) {
            std::vector<long> list{long(targets)};
            for (const auto& [t, item] : saved) list.push_back(long(t));
            XChangeProperty(dpy, r.requestor, property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(list.data()), int(list.size()));
            reply(r, property);
        } else if (r.selection == clipboard && saved.count(r.target)) {
            const Item& item = saved[r.target];
            XChangeProperty(dpy, r.requestor, property, item.type, item.format, PropModeReplace, item.bytes.data(),
                            int(item.items));
            reply(r, property);
        } else {
            reply(r, None);
        }
    }
}
