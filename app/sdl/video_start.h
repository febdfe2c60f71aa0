// Starting SDL's video: no invisible drivers, and the reason when there is no
// display.
#pragma once

namespace sdlport {

// Starts SDL's video subsystem on first use; false when there is no display,
// with the reason in SDL_GetError. Never settles for an invisible driver.
bool ensureVideo();
// True on a display server that only pretends to switch modes.
bool modesEmulated();
// True when the environment variable is set and not empty.
bool isSet(const char* name);

}  // namespace sdlport
