// Loads one BMP file, reporting any failure in one message box.
#pragma once

#include "assets/bmp_decode.h"

// Null on failure, after exactly one box ("Failed to open DIB file %s.\n" or a
// decode failure), owned by the window with the focus.
ImageRecord* loadBmpImage(const char* path);
