// Which copy of each scene file start-up reads when a texture3/ of the user's
// own holds only some of them.
#pragma once

// The package's launcher starts the program in a folder with a texture3/ of
// the user's own and names its generated set (the folder holding a complete
// texture3/) in MERROWIND_PACKAGED_SET. Called once, before any scene file is
// read: each file that cannot be opened here but can in that set is read from
// there, and one line on standard error names them. Without the variable (the
// source tree, Windows, the web page) every file is read from here as before.
void choosePackagedFiles();

// The path to read for a scene file (HEIGHT_FILE or a path of SCENE_TEXTURES):
// its packaged copy when choosePackagedFiles chose that, otherwise path itself.
const char* assetPath(const char* path);
