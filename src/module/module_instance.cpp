// Where the module's own resources are found.
#include "host/win32.h"

#if defined(_WIN32)
namespace {
HINSTANCE g_module = nullptr; // set once by the loader, before any exported call
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == 1 /* DLL_PROCESS_ATTACH */)
        g_module = instance;
    return TRUE;
}

HINSTANCE ModuleInstance() {
    return g_module;
}
#else
// The stand-in finds the module's strings without an instance handle.
HINSTANCE ModuleInstance() {
    return nullptr;
}
#endif
