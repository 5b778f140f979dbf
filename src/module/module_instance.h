// The module's own instance: where its resources (the dialog template and the string table) are
// found. Every call that loads a resource names it, so each operation runs with the module's
// resources, not the host's.
#pragma once

#include "host/win32.h"

// On Windows the handle the loader gave DllMain; in the stand-in null, which stands for the
// module's resources.
HINSTANCE ModuleInstance();
