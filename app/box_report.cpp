#include "app/box_report.h"

#include "app/platform.h"

#include <cstdio>
#include <cstdlib>

namespace {

bool isBreak(char c) { return c == '\n' || c == '\r' || c == '\t'; }

// Writes a field on one line: line breaks and tabs become spaces. For a
// reader, trailing ones are dropped ("Failed to open DIB file X.\n" ends with
// one); the test log keeps them, so it shows the text exactly as given.
void putOneLine(FILE* out, const char* field, bool trimEnd) {
    const char* end = field ? field : "";
    for (const char* c = end; *c; ++c)
        if (!trimEnd || (!isBreak(*c) && *c != ' ')) end = c + 1;
    for (const char* c = field ? field : ""; c < end; ++c) std::fputc(isBreak(*c) ? ' ' : *c, out);
}

}  // namespace

void logBox(const char* caption, const char* text) {
    const char* path = std::getenv("MERROWIND_BOX_LOG");
    if (!path || !*path) return;
    // Binary: on Windows text mode would end the lines with CR LF.
    FILE* log = std::fopen(path, "ab");
    if (!log) return;
    putOneLine(log, caption, false);
    std::fputc('\t', log);
    putOneLine(log, text, false);
    std::fputc('\n', log);
    std::fclose(log);
}

void reportUnshownBox(const char* caption, const char* text, uint32_t style, const char* reason) {
    std::fputs("merrowind: ", stderr);
    putOneLine(stderr, caption, true);
    std::fputs(": ", stderr);
    putOneLine(stderr, text, true);
    std::fputs("\nmerrowind:   (the message box could not be shown: ", stderr);
    putOneLine(stderr, reason && *reason ? reason : "no reason given", true);
    std::fputs((style & 0x0F) == BOX_YESNO ? "; no answer, taken as No)\n" : ")\n", stderr);
    std::fflush(stderr);
}
