// ARC and CIRCLE of the extended import whose extrusion direction is not (0, 0, 1): their centre
// and angles lie in the object plane of that direction. Seen from below (0, 0, -1) an arc stays
// an arc, mirrored; in a tilted plane it is an elliptical arc in the plan view and is sampled.
#pragma once

#include "import/import_context.h"
#include "import/object_coordinates.h"

// Creates the ARC of the object plane (centre in that plane, angles in degrees); the layer step
// is taken already. Values that make no arc (no plane, radius not positive) create nothing.
void CreatePlaneArc(HWND map, ImportContext& context, OBJHANDLE* blockSlot, const Vector3& centre,
                    double radius, double startDegrees, double endDegrees,
                    const Vector3& extrusion);

// Creates the CIRCLE of the object plane, like CreatePlaneArc.
void CreatePlaneCircle(HWND map, ImportContext& context, OBJHANDLE* blockSlot,
                       const Vector3& centre, double radius, const Vector3& extrusion);
