// Holding the pointer for steering: warp, capture or follow.
#pragma once

#include <SDL.h>

namespace sdlport {

// Captures or gives back the pointer as focus and steering need; each pump.
void holdPointer();
// Counts one SDL motion where it steers.
void countMotion(const SDL_MouseMotionEvent& motion);
// Counts the raw motion read since the last pump; each pump.
void countRawMotion();
// Forgets every motion made so far.
void forgetMotionSoFar();

}  // namespace sdlport
