// The Win32-like message queue, fed from SDL's events.
#include "app/platform.h"
#include "app/sdl/keys.h"
#include "app/sdl/pointer.h"
#include "app/sdl/windows.h"

#include <deque>

using namespace sdlport;

namespace {

std::deque<PlatMessage> queue;
bool quitPending = false;
int quitCode = 0;
size_t messagesBeforeQuit = 0;  // queued messages still ahead of the quit request

void post(PlatWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    // Win32 keeps at most one paint pending per window.
    if (message == MSG_PAINT)
        for (const PlatMessage& queued : queue)
            if (queued.window == window && queued.message == MSG_PAINT) return;
    queue.push_back({window, message, wParam, lParam});
}

void translateWindowEvent(const SDL_WindowEvent& event) {
    PlatWindow* window = windowFromId(event.windowID);
    if (!window) return;
    switch (event.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED: post(window, MSG_SIZE, 0, drawableSize(window)); break;
    case SDL_WINDOWEVENT_MINIMIZED: post(window, MSG_SIZE, SIZE_KIND_MINIMIZED, 0); break;
    case SDL_WINDOWEVENT_RESTORED:
        post(window, MSG_SIZE, 0, drawableSize(window));
        post(window, MSG_PAINT, 0, 0);
        break;
    case SDL_WINDOWEVENT_EXPOSED: post(window, MSG_PAINT, 0, 0); break;
    case SDL_WINDOWEVENT_CLOSE: post(window, MSG_CLOSE, 0, 0); break;
    case SDL_WINDOWEVENT_FOCUS_GAINED: keyboardFocus = window; break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        if (keyboardFocus == window) keyboardFocus = nullptr;
        break;
    default: break;
    }
}

void translateButton(const SDL_MouseButtonEvent& event) {
    uint32_t message = 0;
    if (event.button == SDL_BUTTON_LEFT) message = MSG_LBUTTONDOWN;
    if (event.button == SDL_BUTTON_RIGHT) message = MSG_RBUTTONDOWN;
    PlatWindow* window = windowFromId(event.windowID);
    if (!message || !window) return;
    // Event coordinates are window units; client coordinates are pixels.
    int unitsW = 0, unitsH = 0, pixelsW = 0, pixelsH = 0;
    SDL_GetWindowSize(window->sdl, &unitsW, &unitsH);
    SDL_GL_GetDrawableSize(window->sdl, &pixelsW, &pixelsH);
    int x = unitsW > 0 ? event.x * pixelsW / unitsW : event.x;
    int y = unitsH > 0 ? event.y * pixelsH / unitsH : event.y;
    post(window, message, 0, packSize(x, y));
}

// Moves every pending SDL event into the message queue.
void pumpEvents() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_QUIT:
            if (!windows.empty()) post(windows.front(), MSG_CLOSE, 0, 0);
            break;
        case SDL_WINDOWEVENT: translateWindowEvent(event.window); break;
        case SDL_KEYDOWN: {
            PlatWindow* window = windowFromId(event.key.windowID);
            int virtualKey = virtualKeyOf(event.key.keysym.sym);
            if (window && virtualKey)
                post(window, MSG_KEYDOWN, static_cast<uintptr_t>(virtualKey), 0);
            break;
        }
        case SDL_MOUSEBUTTONDOWN: translateButton(event.button); break;
        case SDL_MOUSEMOTION: countMotion(event.motion); break;
        default: break;
        }
    }
    holdPointer();
    countRawMotion();
}

}  // namespace

void platWaitMessage() {
    pumpEvents();
    if (!queue.empty() || quitPending || !SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_WaitEvent(nullptr);
}

bool platPeekMessage(PlatMessage* message) {
    pumpEvents();
    if (quitPending && messagesBeforeQuit == 0) {
        quitPending = false;
        *message = {nullptr, MSG_QUIT, static_cast<uintptr_t>(quitCode), 0};
        return true;
    }
    if (queue.empty()) return false;
    *message = queue.front();
    queue.pop_front();
    if (quitPending) --messagesBeforeQuit;
    return true;
}

void platTranslateMessage(const PlatMessage*) {}

intptr_t platDispatchMessage(const PlatMessage* message) {
    PlatWindow* window = message ? knownWindow(message->window) : nullptr;
    if (!window) return 0;
    return window->procedure(window, message->message, message->wParam, message->lParam);
}

void platPostQuitMessage(int exitCode) {
    if (!quitPending) messagesBeforeQuit = queue.size();
    quitPending = true;
    quitCode = exitCode;
}

intptr_t platDefWindowProc(WindowHandle handle, uint32_t message, uintptr_t, intptr_t) {
    PlatWindow* window = knownWindow(handle);
    if (window && message == MSG_CLOSE) SDL_HideWindow(window->sdl);
    return 0;
}

// SDL keeps no invalid region, so there is nothing to validate.
void platBeginPaint(WindowHandle) {}
void platEndPaint(WindowHandle) {}
