// The port's own connection to the X server that DISPLAY names.
//
// A connection of our own, apart from SDL's: it can be asked before SDL has
// a window, and what it reads never passes through SDL's event handling.
// SDL 2.26 drops a raw motion whose whole pixels and time repeat the one
// before, and Xwayland stamps the motions it reads together with one
// millisecond, so a quick steady hand lost turns through SDL. Raw events go to
// every client that selects them on the root window, grab or not, so this
// connection sees each motion once, with its fractions.
#include "app/sdl/x_server.h"

#include "app/xwayland_check.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/Xrandr.h>

#include <cstdlib>
#include <cstring>

namespace {

Display* display = nullptr;
bool opened = false;
int inputOpcode = -1;  // XInput2's major opcode once raw motion is selected
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

// Reads every event that has arrived and sums the raw motions among them.
void readRawEvents() {
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
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

bool startRawMotion() {
    if (inputOpcode >= 0) return true;
    Display* server = connection();
    int opcode = 0, event = 0, error = 0;
    if (!server || !XQueryExtension(server, "XInputExtension", &opcode, &event, &error))
        return false;
    int major = 2, minor = 2;  // 2.1 on: raw events reach the root during grabs too
    if (XIQueryVersion(server, &major, &minor) != Success) return false;
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawMotion);
    XIEventMask mask = {XIAllMasterDevices, sizeof bits, bits};
    XISelectEvents(server, DefaultRootWindow(server), &mask, 1);
    XSync(server, False);
    inputOpcode = opcode;
    discardRawMotion();
    return true;
}

void discardRawMotion() {
    if (inputOpcode < 0) return;
    // Everything the server made before this moment is in once the round trip ends.
    XSync(display, False);
    readRawEvents();
    pendingX = pendingY = 0;
}

void takeRawMotion(int* dx, int* dy) {
    if (inputOpcode < 0) return;
    readRawEvents();
    const int wholeX = static_cast<int>(pendingX), wholeY = static_cast<int>(pendingY);
    pendingX -= wholeX;
    pendingY -= wholeY;
    *dx += wholeX;
    *dy += wholeY;
}
