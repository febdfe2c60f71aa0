// Whether an X server is Xwayland, decided from what the server itself reports.
#pragma once

#include <string>
#include <vector>

// What an X display answered, gathered by the port; nothing here asks a server.
struct XServerReport {
    bool xwaylandExtension;                // the server lists the XWAYLAND extension
    bool outputsRead;                      // RandR answered with its outputs
    std::vector<std::string> outputNames;  // RandR output names, not monitors' EDID names
    bool waylandDisplaySet;                // WAYLAND_DISPLAY is in our environment
};

// True when the report shows an Xwayland server. The extension decides where
// the server offers it (Xwayland 23.1 on); older Xwayland names its outputs
// XWAYLAND0, 1 ... A Wayland session's variable counts only where the server
// said nothing about its outputs: an Xvfb started inside such a session keeps
// WAYLAND_DISPLAY, and the server's own words outweigh it.
bool isXwayland(const XServerReport& report);
