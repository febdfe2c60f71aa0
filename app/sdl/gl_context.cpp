// The OpenGL rendering context on a window, and extension entry points.
#include "app/platform.h"
#include "app/sdl/windows.h"

#include <cstdio>
#include <cstring>

using namespace sdlport;

namespace {

PlatWindow* windowOfContext(DeviceContextHandle dc) { return knownWindow(dc); }

// Extension entry points and the extension that must be offered for each.
struct ExtensionEntry {
    const char* prefix;  // the entry point's name up to its suffix
    const char* suffix;
    const char* extension;
};
const ExtensionEntry extensionEntries[] = {
    {"glActiveTexture", "ARB", "GL_ARB_multitexture"},
    {"glClientActiveTexture", "ARB", "GL_ARB_multitexture"},
    {"glMultiTexCoord", "ARB", "GL_ARB_multitexture"},
    {"glLockArrays", "EXT", "GL_EXT_compiled_vertex_array"},
    {"glUnlockArrays", "EXT", "GL_EXT_compiled_vertex_array"},
    {"glBindBuffer", "ARB", "GL_ARB_vertex_buffer_object"},
    {"glBufferData", "ARB", "GL_ARB_vertex_buffer_object"},
    {"glBufferSubData", "ARB", "GL_ARB_vertex_buffer_object"},
    {"glGenBuffers", "ARB", "GL_ARB_vertex_buffer_object"},
    {"glDeleteBuffers", "ARB", "GL_ARB_vertex_buffer_object"},
};

// The extension that must be offered before `name` may be handed out, or null.
const char* owningExtension(const char* name) {
    size_t length = std::strlen(name);
    for (const ExtensionEntry& entry : extensionEntries) {
        size_t prefix = std::strlen(entry.prefix), suffix = std::strlen(entry.suffix);
        if (length < prefix + suffix) continue;
        if (std::strncmp(name, entry.prefix, prefix) != 0) continue;
        if (std::strcmp(name + length - suffix, entry.suffix) != 0) continue;
        return entry.extension;
    }
    return nullptr;
}

}  // namespace

DeviceContextHandle platGetDeviceContext(WindowHandle handle) {
    return reinterpret_cast<DeviceContextHandle>(knownWindow(handle));
}

void platReleaseDeviceContext(WindowHandle, DeviceContextHandle) {}

int platChoosePixelFormat(DeviceContextHandle dc, const PixelFormatRequest*) {
    PlatWindow* window = windowOfContext(dc);
    return window && (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_OPENGL) ? 1 : 0;
}

bool platSetPixelFormat(DeviceContextHandle dc, int format, const PixelFormatRequest*) {
    return windowOfContext(dc) && format == 1;
}

RenderContextHandle platCreateRenderContext(DeviceContextHandle dc) {
    PlatWindow* window = windowOfContext(dc);
    if (!window) return nullptr;
    SDL_GLContext context = SDL_GL_CreateContext(window->sdl);
    // The program shows nothing for this (it goes on without drawing); the
    // reason is still worth a line for whoever started it.
    if (!context && (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_OPENGL))
        std::fprintf(stderr, "merrowind: no OpenGL rendering context: %s\n", SDL_GetError());
    return reinterpret_cast<RenderContextHandle>(context);
}

bool platMakeCurrent(DeviceContextHandle dc, RenderContextHandle rc) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
    if (!rc) return SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr) == 0;
    PlatWindow* window = windowOfContext(dc);
    if (!window) return false;
    if (SDL_GL_MakeCurrent(window->sdl, reinterpret_cast<SDL_GLContext>(rc)) != 0) return false;
    // The swap interval belongs to the context that is current.
    if (SDL_GL_SetSwapInterval(-1) != 0) SDL_GL_SetSwapInterval(1);
    return true;
}

void platDeleteRenderContext(RenderContextHandle rc) {
    if (rc && SDL_WasInit(SDL_INIT_VIDEO))
        SDL_GL_DeleteContext(reinterpret_cast<SDL_GLContext>(rc));
}

void* platGetProcAddress(const char* name) {
    if (!name || !SDL_WasInit(SDL_INIT_VIDEO) || !SDL_GL_GetCurrentContext()) return nullptr;
    const char* extension = owningExtension(name);
    if (extension && !SDL_GL_ExtensionSupported(extension)) return nullptr;
    return SDL_GL_GetProcAddress(name);
}

void platSwapBuffers(DeviceContextHandle dc) {
    PlatWindow* window = windowOfContext(dc);
    if (window) SDL_GL_SwapWindow(window->sdl);
}
