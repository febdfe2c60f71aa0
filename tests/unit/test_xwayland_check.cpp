// Telling Xwayland from other X servers by what each reports.
#include "app/xwayland_check.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    const char* server;
    XServerReport report;
    bool xwayland;
};

const Row rows[] = {
    {"Xwayland 23 with a monitor named by its EDID", {true, true, {"DELL U2720Q"}, true}, true},
    {"Xwayland 22.1: outputs XWAYLAND0, 1", {false, true, {"XWAYLAND0", "XWAYLAND1"}, true}, true},
    {"Xvfb inside a Wayland session", {false, true, {"screen"}, true}, false},
    {"Xorg with the dummy driver", {false, true, {"DUMMY0"}, false}, false},
    {"Xorg started from a Wayland session", {false, true, {"DUMMY0"}, true}, false},
    {"RandR off, in a Wayland session", {false, false, {}, true}, true},
    {"RandR off, no Wayland session", {false, false, {}, false}, false},
};

TEST(XwaylandCheck, DecidesFromWhatTheServerReports) {
    for (const Row& row : rows) EXPECT_EQ(row.xwayland, isXwayland(row.report)) << row.server;
}

}  // namespace
