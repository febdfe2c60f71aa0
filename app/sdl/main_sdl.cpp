// The program's entry point on SDL platforms: everything happens in appEntry.
#include "app/startup.h"

int main() { return appEntry(platModuleInstance()); }
