// Time between frames, and a frames-per-second text written once a second.
//
// Intervals are unsigned differences of the millisecond clock. Seconds since
// the system started, held as floats, would quantise frames to 1/64 s after a
// day and a half of uptime and turn the clock's 49.7-day wrap into a huge
// negative interval; the unsigned difference is exact in both cases.
#include "app/frame_timer.h"

#include "app/platform.h"

#include <cstdio>

float frameSeconds = 0.0f;
char frameRateText[40] = "";

namespace {

const float MILLISECONDS_TO_SECONDS = 0.001f;
const uint32_t REPORT_INTERVAL_MS = 1000;  // strictly more than this reports

bool hasTicked = false;
uint32_t lastTickMs = 0;
uint32_t lastReportMs = 0;
int framesSinceReport = 0;

}  // namespace

void tickFrameCounter() {
    uint32_t now = platMilliseconds();

    // The first frame has no previous one: measuring from the clock's origin
    // would hand the next frame's movement the whole uptime.
    frameSeconds =
        hasTicked ? static_cast<float>(now - lastTickMs) * MILLISECONDS_TO_SECONDS : 0.0f;
    hasTicked = true;
    lastTickMs = now;

    ++framesSinceReport;
    if (now - lastReportMs > REPORT_INTERVAL_MS) {
        lastReportMs = now;
        std::snprintf(frameRateText, sizeof frameRateText, "Current Frames Per Second: %d",
                      framesSinceReport);
        framesSinceReport = 0;
    }
}

void resetFrameCounter() {
    frameSeconds = 0.0f;
    frameRateText[0] = '\0';
    hasTicked = false;
    lastTickMs = 0;
    lastReportMs = 0;
    framesSinceReport = 0;
}
