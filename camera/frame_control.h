// State of the per-frame mouse and keyboard control.
#pragma once

extern float pitchTotal;     // running vertical mouse total, radians, within [-1, 1]
extern int collisionFlag;    // 1 after a refused forward or backward move
extern char titleText[512];  // the title written this frame

extern const char* const COLLISION_TITLE;  // "collision occured, try to move to another direction"

// True while the previous frame's mouse look found the window focused. The first
// frame that finds the focus again (the very first frame included) only re-centres
// the cursor, so whatever the cursor did elsewhere never turns the view.
extern bool steeringFocused;

// The longest frame time one movement step uses: 5 units, under half a wall slab.
constexpr float MAX_STEP_SECONDS = 0.1f;
