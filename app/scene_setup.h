// The steps of the scene's set-up, shared by start-up, the frame benchmark and
// the GL test window, so that none of them can set the scene up differently.
#pragma once

#include "app/platform.h"

// Makes window the main window, creates the GL context at its client size (with
// the program's viewport and projection) and looks up the multitexture entry
// points; false when the context lacks them.
bool attachSceneContext(WindowHandle window);
// Everything after the context, in start-up's fixed order: the choice of
// packaged copies for files texture3/ lacks, the height file, depth test and
// texturing on, the ten textures, the start position and the wall table. A
// failing step reports itself and the rest still run.
void loadScene();
