/* Preloaded into the native program by the browser leg: from the frame
 * numbered MERROWIND_STOP_FROM_FRAME on, while the file MERROWIND_STOP_WHILE
 * exists, the program stops itself (SIGSTOP) after each frame is shown, so
 * that its picture can be set beside the browser's after the same number of
 * frames; SIGCONT lets it draw one more. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

void SDL_GL_SwapWindow(void* window) {
    static void (*real)(void*);
    static long shown;
    if (!real) real = (void (*)(void*))dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
    real(window);
    const char* from = getenv("MERROWIND_STOP_FROM_FRAME");
    const char* file = getenv("MERROWIND_STOP_WHILE");
    if (from && file && ++shown >= atol(from) && access(file, F_OK) == 0) raise(SIGSTOP);
}
