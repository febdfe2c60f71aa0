// Window classes for ports whose system keeps none (SDL, the browser, the unit
// tests' fake), by Win32's rules: a class is a name within one module
// instance, and windows are made only from a registered one.
#pragma once

#include "app/platform.h"

// False without a name or a procedure, and for a name the instance already
// has: Win32 refuses a second registration rather than replacing the first.
// Names match exactly (Win32 ignores case; the program spells its one name alike).
bool classRegister(const WindowClassDesc* desc);
// False for a class the instance does not have, so a second call fails too.
bool classUnregister(const char* name, InstanceHandle instance);
// The class's window procedure, or null when the instance has no such class:
// the same name under another instance is another class.
WindowProcedure classProcedure(const char* name, InstanceHandle instance);
// Only the unit tests' fake needs it: a real process keeps its classes until it ends.
void classForgetAll();
