// The port's own connection to the X server that DISPLAY names.
//
// A connection of our own, apart from SDL's: it can be asked before SDL has
// a window, and what it reads never passes through SDL's event handling.
// SDL 2.26 drops a raw motion whose whole pixels and time repeat the one
// before, and Xwayland stamps the motions it reads together with one
// millisecond, so a quick steady hand lost turns through SDL. Raw events go to
// every client that selects them on the root window, grab or not, so this
// connection sees each motion once, with its fractions. Crossing events of
// our windows, on the same connection, come in the server's own order with
// that motion: the motion made over a window is told from the motion made
// before the pointer came over it.
#include "app/sdl/x_server.h"

#include "app/xwayland_check.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/Xrandr.h>

#include <cstdlib>
#include <cstring>

namespace {

Display* display = nullptr;
bool opened = false;
int inputOpcode = -1;  // XInput2's major opcode where it offers raw motion
bool rawSelected = false;
unsigned long watchedWindow = 0;  // ours, whose crossings we are told of
bool pointerOver = false;         // over a watched window, as the server last said
double pendingX = 0, pendingY = 0;

// Our connection, opened on first use; null without an X server.
Display* connection() {
    if (!opened) {
        opened = true;
        const char* name = std::getenv("DISPLAY");
        if (name && *name) display = XOpenDisplay(nullptr);
    }
    return display;
}

// RandR's output names (not the monitors' names, which SDL shows where the
// output has an EDID); false when RandR does not answer.
bool readOutputNames(Display* server, std::vector<std::string>* names) {
    int eventBase = 0, errorBase = 0;
    if (!XRRQueryExtension(server, &eventBase, &errorBase)) return false;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(server, DefaultRootWindow(server));
    if (!resources) return false;
    for (int i = 0; i < resources->noutput; ++i) {
        XRROutputInfo* output = XRRGetOutputInfo(server, resources, resources->outputs[i]);
        if (!output) continue;
        names->push_back(std::string(output->name, static_cast<size_t>(output->nameLen)));
        XRRFreeOutputInfo(output);
    }
    XRRFreeScreenResources(resources);
    return true;
}

// Sums the raw motion of one XInput2 event into the pending fractions.
void addRawMotion(const XIRawEvent* event) {
    const double* value = event->raw_values;
    for (int axis = 0; axis < 2 && axis < event->valuators.mask_len * 8; ++axis) {
        if (!XIMaskIsSet(event->valuators.mask, axis)) continue;
        (axis == 0 ? pendingX : pendingY) += *value++;
    }
}

// Follows the pointer over and off our windows; grabs and ungrabs move
// nothing. Motion made before the pointer came over is made elsewhere.
void followCrossing(const XCrossingEvent& crossing) {
    if (crossing.mode != NotifyNormal) return;
    if (crossing.type == EnterNotify) {
        pointerOver = true;
        pendingX = pendingY = 0;
    } else if (crossing.detail != NotifyInferior) {
        pointerOver = false;
    }
}

// Reads every event that has arrived: raw motions are summed, crossings followed.
void readRawEvents() {
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == EnterNotify || event.type == LeaveNotify) followCrossing(event.xcrossing);
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != inputOpcode) continue;
        if (!XGetEventData(display, cookie)) continue;
        if (cookie->evtype == XI_RawMotion) addRawMotion(static_cast<XIRawEvent*>(cookie->data));
        XFreeEventData(display, cookie);
    }
}

}  // namespace

bool xServerReachable() { return connection() != nullptr; }

bool xServerIsXwayland() {
    static int known = -1;
    if (known >= 0) return known == 1;
    Display* server = connection();
    XServerReport report = {false, false, {}, false};
    if (server) {
        int opcode = 0, event = 0, error = 0;
        report.xwaylandExtension = XQueryExtension(server, "XWAYLAND", &opcode, &event, &error);
        report.outputsRead = readOutputNames(server, &report.outputNames);
    }
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    report.waylandDisplaySet = wayland && *wayland;
    known = server && isXwayland(report) ? 1 : 0;
    return known == 1;
}

bool xServerHasBoxFonts() {
    Display* server = connection();
    if (!server) return false;
    // The pattern SDL 2.26 asks for first; its Latin-1 fallback is narrower.
    int count = 0;
    char** names = XListFonts(server, "-*-*-medium-r-normal--*-120-*-*-*-*-*-*", 1, &count);
    if (names) XFreeFontNames(names);
    return count > 0;
}

bool xWindowManagerRunning() {
    Display* server = connection();
    if (!server) return false;
    const Atom check = XInternAtom(server, "_NET_SUPPORTING_WM_CHECK", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, left = 0;
    unsigned char* value = nullptr;
    const bool said =
        XGetWindowProperty(server, DefaultRootWindow(server), check, 0, 1, False, XA_WINDOW, &type,
                           &format, &count, &left, &value) == Success &&
        count == 1;
    if (value) XFree(value);
    return said;
}

void markFullScreen(unsigned long window, bool on) {
    Display* server = connection();
    if (!server) return;
    const Atom state = XInternAtom(server, "_NET_WM_STATE", False);
    const Atom fullScreen = XInternAtom(server, "_NET_WM_STATE_FULLSCREEN", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, left = 0;
    unsigned char* value = nullptr;
    std::vector<Atom> atoms;
    if (XGetWindowProperty(server, window, state, 0, 64, False, XA_ATOM, &type, &format, &count,
                           &left, &value) == Success &&
        value && format == 32) {
        const Atom* listed = reinterpret_cast<const Atom*>(value);
        for (unsigned long i = 0; i < count; ++i)
            if (listed[i] != fullScreen) atoms.push_back(listed[i]);
    }
    if (value) XFree(value);
    if (on) atoms.push_back(fullScreen);
    XChangeProperty(server, window, state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(atoms.data()),
                    static_cast<int>(atoms.size()));
    XFlush(server);
}

bool rawMotionOffered() {
    static int offered = -1;
    if (offered >= 0) return offered == 1;
    Display* server = connection();
    int opcode = 0, event = 0, error = 0;
    int major = 2, minor = 2;  // 2.1 on: raw events reach the root during grabs too
    offered = server && XQueryExtension(server, "XInputExtension", &opcode, &event, &error) &&
              XIQueryVersion(server, &major, &minor) == Success;
    if (offered) inputOpcode = opcode;
    return offered == 1;
}

void readRawMotion(bool on, unsigned long window) {
    if (!rawMotionOffered()) return;
    if (on && window && window != watchedWindow) {
        XSelectInput(display, window, EnterWindowMask | LeaveWindowMask);
        watchedWindow = window;
        pointerOver = false;
    }
    if (on == rawSelected) return;
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (on) XISetMask(bits, XI_RawMotion);
    XIEventMask mask = {XIAllMasterDevices, sizeof bits, bits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    rawSelected = on;
    discardRawMotion();
}

void discardRawMotion() {
    if (!display || inputOpcode < 0) return;
    // Everything the server made before this moment is in once the round trip ends.
    XSync(display, False);
    readRawEvents();
    pendingX = pendingY = 0;
}

void discardRawMotionElsewhere() {
    if (!display || inputOpcode < 0) return;
    readRawEvents();
    if (!pointerOver) pendingX = pendingY = 0;
}

void takeRawMotion(int* dx, int* dy) {
    if (!display || inputOpcode < 0) return;
    readRawEvents();
    const int wholeX = static_cast<int>(pendingX), wholeY = static_cast<int>(pendingY);
    pendingX -= wholeX;
    pendingY -= wholeY;
    *dx += wholeX;
    *dy += wholeY;
}
