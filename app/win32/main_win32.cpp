// The program's entry point on Windows: everything happens in appEntry. The
// previous instance, the command line and the show command are not used; the
// window is always shown in its normal state.
#include "app/startup.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return appEntry(reinterpret_cast<InstanceHandle>(instance));
}
