// The port's own connection to the X server that DISPLAY names.
//
// A connection of our own, apart from SDL's: it can be asked before SDL has
// a window.
#include "app/sdl/x_server.h"

#include "app/xwayland_check.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstdlib>
#include <cstring>

namespace {

Display* display = nullptr;
bool opened = false;

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
