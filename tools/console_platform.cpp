// The two platform services the BMP loader needs, for command-line tools: a
// message box becomes a line on stderr, and there is never a focus window.
#include "tools/console_platform.h"

#include "app/platform.h"

#include <cstdio>
#include <cstring>

const char* lastBoxText = nullptr;

// Prints the box's text to stderr (one line break at most) and answers OK.
int platMessageBox(WindowHandle, const char* text, const char*, uint32_t) {
    lastBoxText = text;
    const size_t length = std::strlen(text);
    std::fputs(text, stderr);
    if (length == 0 || text[length - 1] != '\n') std::fputc('\n', stderr);
    return BOX_RESULT_OK;
}

// A console tool has no window.
WindowHandle platFocusWindow() { return nullptr; }
