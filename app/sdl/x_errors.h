// X protocol errors, reported and survived instead of ending the process.
#pragma once

namespace sdlport {

extern int xErrors;  // protocol errors seen so far

// Installs the reporting handler where the x11 driver runs.
void handleXErrors();

}  // namespace sdlport
