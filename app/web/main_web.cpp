// The program's entry point in the browser: everything happens in appEntry;
// afterwards the page says that the scene has ended, and with which code.
#include "app/startup.h"
#include "app/web/web_page.h"

int main() {
    int exitCode = appEntry(platModuleInstance());
    webProgramEnded(exitCode);
    return exitCode;
}
