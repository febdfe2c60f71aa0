// Modal message boxes, and the true reason when one cannot be shown.
#include "app/sdl/message_box.h"

#include "app/box_report.h"
#include "app/platform.h"
#include "app/sdl/pointer.h"
#include "app/sdl/video_start.h"
#include "app/sdl/windows.h"
#include "app/sdl/x_server.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

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

bool onWayland() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, "wayland") == 0;
}

// Why SDL_ShowMessageBox failed, naming the real cause. SDL draws its X11 box
// in a forked child whose error dies with it; what SDL reports is whatever
// was tried last: zenity's exit status, "posix_spawn() failed" (SDL 3 without
// zenity), or "No message system available". SDL's Wayland driver has only
// zenity.
std::string unshownBoxReason() {
    const std::string error = SDL_GetError();
    const bool zenityTried = onWayland() || error.find("zenity") != std::string::npos;
    const std::string zenity = onPath("zenity") ? "zenity, which failed: " + error
                                                : std::string("zenity, which is not installed");
    if (isSet("DISPLAY")) {
        if (xServerReachable() && !xServerHasBoxFonts())
            return "the X server has no core fonts to draw it with; the package xfonts-base "
                   "brings them";
        if (onWayland() && !xServerReachable())
            return "on Wayland the box is shown by " + zenity +
                   ", and no X server answers on "
                   "DISPLAY=" +
                   std::getenv("DISPLAY") + " to draw SDL's X11 box instead";
        if (zenityTried) return "SDL's X11 box could not be drawn";
        return error;
    }
    if (zenityTried) return "without X11 the box is shown by " + zenity;
    return error;
}

// Fills in SDL's box and shows it; SDL_ShowMessageBox's result.
int showSdlBox(SDL_Window* parent, const char* text, const char* caption, uint32_t style,
               int* pressed) {
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
    data.window = parent;
    data.title = caption ? caption : "";
    data.message = text ? text : "";
    data.numbuttons = count;
    data.buttons = buttons;
    return SDL_ShowMessageBox(&data, pressed);
}

// SDL 2.26 fell back to its X11 box through Xwayland where zenity could not
// show one; from 2.32 on, SDL's Wayland driver tries zenity alone. A copy of
// the program, its SDL told to use X11, shows the box the 2.26 way (SDL draws
// its X11 box in a forked child too). The button pressed, 0 for none, or
// X11_BOX_UNSHOWN.
int showThroughX11(const char* text, const char* caption, uint32_t style) {
    std::vector<char*> environment;
    for (char** entry = environ; *entry; ++entry)
        if (std::strncmp(*entry, "SDL_VIDEODRIVER=", 16) != 0 &&
            std::strncmp(*entry, "SDL_VIDEO_DRIVER=", 17) != 0)
            environment.push_back(*entry);
    char x11[] = "SDL_VIDEODRIVER=x11";
    environment.push_back(x11);
    environment.push_back(nullptr);
    std::string name = "merrowind", argument = X11_BOX_ARGUMENT;
    std::string captionText = caption ? caption : "", message = text ? text : "";
    std::string styleText = std::to_string(style);
    char* arguments[] = {&name[0],    &argument[0],  &captionText[0],
                         &message[0], &styleText[0], nullptr};
    pid_t child;
    if (posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, arguments, environment.data()))
        return X11_BOX_UNSHOWN;
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return X11_BOX_UNSHOWN;
    return WIFEXITED(status) ? WEXITSTATUS(status) : X11_BOX_UNSHOWN;
}

}  // namespace

int platMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
    logBox(caption, text);
    if (!ensureVideo()) {
        reportUnshownBox(caption, text, style, SDL_GetError());
        return 0;
    }
    const bool yesNo = (style & 0x0F) == BOX_YESNO;
    PlatWindow* parent = knownWindow(owner);
    // The box needs the pointer: under Xwayland the grab would stay on our
    // window and the box could not be clicked. The hold comes back with the
    // next pump, and nothing the hand did meanwhile steers.
    if (SDL_GetRelativeMouseMode()) SDL_SetRelativeMouseMode(SDL_FALSE);
    int pressed = -1;
    int shown = showSdlBox(parent ? parent->sdl : nullptr, text, caption, style, &pressed);
    if (shown != 0 && onWayland() && xServerReachable()) {
        const int answer = showThroughX11(text, caption, style);
        if (answer != X11_BOX_UNSHOWN) {
            shown = 0;
            pressed = answer == 0 ? -1 : answer;
        }
    }
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

namespace sdlport {

const char* const X11_BOX_ARGUMENT = "--show-box-through-x11";

int x11BoxMain(const char* caption, const char* text, const char* style) {
    int pressed = -1;
    const uint32_t flags = static_cast<uint32_t>(std::strtoul(style, nullptr, 10));
    if (showSdlBox(nullptr, text, caption, flags, &pressed) != 0) return X11_BOX_UNSHOWN;
    return pressed < 0 ? 0 : pressed;
}

}  // namespace sdlport
