// The program's entry point on SDL platforms: everything happens in appEntry,
// except in the copy that only shows a box (app/sdl/message_box.h).
#include "app/sdl/message_box.h"
#include "app/startup.h"

#include <cstring>

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], sdlport::X11_BOX_ARGUMENT) == 0)
        return sdlport::x11BoxMain(argv[2], argv[3], argv[4]);
    return appEntry(platModuleInstance());
}
