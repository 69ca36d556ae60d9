#pragma once
// A reference to the module that holds this code, for a thread of the
// module's own: taken before the thread starts and given up by
// FreeLibraryAndExitThread as its last act, so that a thread left behind
// keeps its code while the host unloads the module.
#include <windows.h>

// Null when none can be had: then no thread may start.
HMODULE TakeModuleReference();

// Stands in for the system's answer, for tests: a null function restores it.
using ModuleReferenceSource = HMODULE (*)();
void SetModuleReferenceSource(ModuleReferenceSource source);
