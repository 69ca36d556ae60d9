#pragma once
// A thread of the module's own that keeps the module's code while it runs:
// Start takes a reference to the module that holds this code before the
// thread exists, and the thread gives it up as its very last act
// (FreeLibraryAndExitThread). So a thread left behind, or one still on its
// way out, keeps its code while the host unloads the module, and nobody
// need wait for a thread's end; nobody may where the host calls under the
// loader lock (tearing the panel down in its own DllMain), since no thread
// can start or end while the lock is held.
//
// When a thread's reference is the module's last, the module's unload (its
// DllMain detach and its static destructors) runs on that thread as it ends.
// Whatever the thread touches must therefore stay valid without its owner:
// its own argument, shared by reference count, never the owner's members.
#include <windows.h>

class ModuleThread {
public:
    using Body = void (*)(void* argument);

    // Runs body(argument) on a new thread that holds its own module
    // reference, and ends it with code 0 (an exception out of body ends it
    // too). Returns the thread's handle, for the caller to close, and its id
    // when `id` is given; null when no module reference or no thread can be
    // had: body then never runs.
    static HANDLE Start(Body body, void* argument, unsigned* id = nullptr);

    // Stands in for the system's answer to "a reference to this module",
    // for tests; null restores it. No thread starts while it answers null.
    using ReferenceSource = HMODULE (*)();
    static void SetReferenceSource(ReferenceSource source);
};
