// Where the module's own resources are found.
#include "module/module_instance.h"

#if defined(_WIN32)
namespace {
HINSTANCE g_module = nullptr; // set once by the loader, before any exported call
}

// The C runtime's start-up calls DllMain by its C name; a C++ name would leave it unseen.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}

HINSTANCE ModuleInstance() {
    return g_module;
}
#else
HINSTANCE ModuleInstance() {
    return nullptr;
}
#endif
