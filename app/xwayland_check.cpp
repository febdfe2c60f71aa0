// Whether an X server is Xwayland, decided from what the server itself reports.
#include "app/xwayland_check.h"

bool isXwayland(const XServerReport& report) {
    if (report.xwaylandExtension) return true;
    for (const std::string& name : report.outputNames)
        if (name.compare(0, 8, "XWAYLAND") == 0) return true;
    if (report.outputsRead && !report.outputNames.empty()) return false;
    return report.waylandDisplaySet;
}
