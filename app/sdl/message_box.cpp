// Modal message boxes, and the true reason when one cannot be shown.
#include "app/box_report.h"
#include "app/platform.h"
#include "app/sdl/pointer.h"
#include "app/sdl/video_start.h"
#include "app/sdl/windows.h"
#include "app/sdl/x_server.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

using namespace sdlport;

namespace {

// True when an executable of this name is on PATH.
bool onPath(const char* program) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        std::string file = folders.substr(start, end - start) + "/" + program;
        if (end > start && access(file.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

// Why SDL_ShowMessageBox failed, naming the real cause. SDL draws its X11 box
// in a forked child whose error dies with it; what SDL reports is whatever
// was tried last: zenity's exit status, or "No message system available".
std::string unshownBoxReason() {
    const std::string error = SDL_GetError();
    const bool zenityTried = error.find("zenity") != std::string::npos;
    if (isSet("DISPLAY")) {
        if (xServerReachable() && !xServerHasBoxFonts())
            return "the X server has no core fonts to draw it with; the package xfonts-base "
                   "brings them";
        if (zenityTried) return "SDL's X11 box could not be drawn";
        return error;
    }
    if (zenityTried && !onPath("zenity"))
        return "without X11 the box is shown by zenity, which is not installed";
    if (zenityTried) return "without X11 the box is shown by zenity, which failed: " + error;
    return error;
}

}  // namespace

int platMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
    logBox(caption, text);
    if (!ensureVideo()) {
        reportUnshownBox(caption, text, style, SDL_GetError());
        return 0;
    }
    const bool yesNo = (style & 0x0F) == BOX_YESNO;
    SDL_MessageBoxButtonData buttons[2];
    int count = 0;
    if (yesNo) {
        buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, BOX_RESULT_YES, "Yes"};
        buttons[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, BOX_RESULT_NO, "No"};
        count = 2;
    } else {
        const Uint32 bothKeys =
            SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        buttons[0] = {bothKeys, BOX_RESULT_OK, "OK"};
        count = 1;
    }
    SDL_MessageBoxData data = {};
    data.flags = SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    if (style & BOX_ICONQUESTION) data.flags |= SDL_MESSAGEBOX_INFORMATION;
    PlatWindow* parent = knownWindow(owner);
    data.window = parent ? parent->sdl : nullptr;
    data.title = caption ? caption : "";
    data.message = text ? text : "";
    data.numbuttons = count;
    data.buttons = buttons;
    // The box needs the pointer: under Xwayland the grab would stay on our
    // window and the box could not be clicked. The hold comes back with the
    // next pump, and nothing the hand did meanwhile steers.
    if (SDL_GetRelativeMouseMode()) SDL_SetRelativeMouseMode(SDL_FALSE);
    int pressed = -1;
    int shown = SDL_ShowMessageBox(&data, &pressed);
    if (shown != 0) reportUnshownBox(caption, text, style, unshownBoxReason().c_str());
    forgetMotionSoFar();
    // Win32 gives the activation back to the owner, or to the program's window,
    // when a modal box closes; without a window manager nobody else would.
    PlatWindow* back = parent ? parent : firstShownWindow();
    if (back) {
        SDL_SetWindowInputFocus(back->sdl);
        keyboardFocus = back;
    }
    if (shown != 0) return 0;
    if (pressed < 0) return yesNo ? BOX_RESULT_NO : BOX_RESULT_OK;  // closed, no button
    return pressed;
}
