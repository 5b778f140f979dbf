// The three items of a map window's per-window record that the module reads.
#pragma once

#include "host/vexcore.h"

#include <cstdint>

// The object database: first argument of the object-tree calls.
DBHANDLE WindowObjectDatabase(HWND map);
// The presentation manager: first argument of PM_SetAllObjectsRect.
PMHANDLE WindowPresentation(HWND map);
// The map's unit id, kept by the presentation manager.
std::int32_t WindowUnitId(HWND map);
// The text base value, kept in a movable memory block of the window; 0 when it cannot be read.
std::int32_t WindowTextBase(HWND map);
