// Time between frames, and a frames-per-second text written once a second.
#pragma once

extern float frameSeconds;      // seconds between the last two ticks; 0 after the first
extern char frameRateText[40];  // "Current Frames Per Second: %d", or empty

// Called once per frame by the per-frame control, after that frame's movement.
void tickFrameCounter();
// Back to the state at program load: no tick yet, no report. For tests.
void resetFrameCounter();
