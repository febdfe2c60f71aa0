// What the console platform remembers of the boxes it turned into lines.
#pragma once

// The text of the last box shown, null before the first: bmpcheck compares it
// with the loader's own failure texts to add advice after them.
extern const char* lastBoxText;
