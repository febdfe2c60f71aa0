// Virtual-key codes to and from SDL's keys.
#pragma once

#include <SDL.h>

namespace sdlport {

// The virtual-key code of an SDL key, or 0 for a key the program has no name for.
int virtualKeyOf(SDL_Keycode key);

}  // namespace sdlport
