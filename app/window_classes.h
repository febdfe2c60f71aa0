// Window classes for ports whose system keeps none (SDL, the browser, the unit
// tests' fake), by Win32's rules: a class is a name within one module instance.
// Names match exactly, where Win32 ignores case: the program spells its one name alike.
#pragma once

#include "app/platform.h"

// False without a name or a procedure, or for a name the instance has: Win32 never replaces.
bool classRegister(const WindowClassDesc* desc);
// False for a class the instance does not have, so a second call for one class fails.
bool classUnregister(const char* name, InstanceHandle instance);
// The class's procedure, or null: the same name under another instance is another class.
WindowProcedure classProcedure(const char* name, InstanceHandle instance);
// For the unit tests' fake only: a real process keeps its classes until it ends.
void classForgetAll();
