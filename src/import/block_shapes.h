// What the extended import keeps of objects inside block definitions that the flat map cannot
// give back: the height of their points and the circle of an arc. A copy of a block into a
// tilted plane, which the host's transform cannot make, is rebuilt from them point by point.
#pragma once

#include "host/vexcore.h"

#include <unordered_map>

// The height of an object's points over the plan view, as a plane: z = a x + b y + c, all in map
// units of the block's coordinates. Objects without a record lie at height 0.
struct HeightPlane {
    double a = 0.0;
    double b = 0.0;
    double c = 0.0;
    double At(double x, double y) const { return a * x + b * y + c; }
};

// One object's record; the arc fields only when `isArc` (the host gives no arc back).
struct BlockShape {
    HeightPlane height;
    bool isArc = false;
    double centreX = 0.0;
    double centreY = 0.0;
    double radius = 0.0;
    double startDegrees = 0.0;
    double endDegrees = 0.0;
};

using BlockShapes = std::unordered_map<OBJHANDLE, BlockShape>;
