// What the platform ports do with a message box besides showing it: the test
// log, and the words on standard error when it cannot be shown.
#pragma once

#include <cstdint>

// With MERROWIND_BOX_LOG=path in the environment, appends one line
// "caption<TAB>text" to that file. Called for every box before it is shown:
// a box's text is drawn, so nothing outside the program could read it.
void logBox(const char* caption, const char* text);

// Called when a box could not be shown (no display, no fonts, no dialog
// tool): writes caption, text and the platform's reason to standard error, so
// the person who started the program can still read it. A Yes/No box is said
// to count as No, which is how the program takes an unanswered question.
void reportUnshownBox(const char* caption, const char* text, uint32_t style, const char* reason);
