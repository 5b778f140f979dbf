// Copies of a block into a tilted plane (extended import). Seen from above, such a plane shears
// the block and brings the heights of its points into the plan view, which the host's transform
// (scale, rotate, move) cannot do. These copies are rebuilt instead: each point of the block's
// polylines and polygons, its arcs as sampled curves and its texts' positions go through the
// whole placement in space, at the heights the block's records give (block_shapes.h).
#pragma once

#include "import/deferred_inserts.h"
#include "import/import_context.h"
#include "import/inserts.h"
#include "import/object_coordinates.h"

// Whether copies into the plane with these axes are rebuilt: any plane but the world's, seen from
// above or from below.
bool NeedsRebuiltCopy(const ObjectAxes& axes);

// Rebuilds one copy of the block for the array cell whose offset in the insert's rotated plane is
// (u, v) in file units, on the current layer; inside a block (a block slot), the copy joins its
// group and its objects get height records for further copies. False when nothing was made or a
// point is no map coordinate.
bool PlaceRebuiltCopy(HWND map, ImportContext& context, const BlockRecord& block,
                      const InsertPlacement& placement, const ObjectAxes& axes, double u, double v,
                      OBJHANDLE* blockSlot);

// Records the height of an object just made inside a block whose points lie in the plane with
// these axes through `pointOfPlane` (object coordinates, file units).
void RecordPlaneHeight(ImportContext& context, OBJHANDLE object, const ObjectAxes& axes,
                       const Vector3& pointOfPlane);

// Records an arc just made inside a block: centre, radius (map units) and angles as the host got
// them, at the height `elevation` (file units).
void RecordArc(ImportContext& context, OBJHANDLE object, MAP_COORDPT centre, std::int32_t radius,
               double startDegrees, double endDegrees, double elevation);

// Gives the objects of a copy the host just transformed inside a block the records of the
// block's objects they copy, taken through the transform (an object without one at height 0):
// heights always, arcs when the copy keeps them round (equal positive scales).
void CarryBlockShapes(HWND map, ImportContext& context, OBJHANDLE source, OBJHANDLE copy,
                      const TreeTransform& transform);
