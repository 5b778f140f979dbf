// The plane of an entity of the extended import, as its groups give it.
#pragma once

#include "import/entity_reading.h"
#include "import/object_coordinates.h"

// The plane an entity's points lie in: its elevation (30) and extrusion direction (210/220/230).
struct ObjectPlane {
    double z = 0.0;
    Vector3 extrusion{0.0, 0.0, 1.0};
    bool malformed = false; // a value of these groups did not pass the numeric check
};

// Takes a group of the plane; false for a group that is none of its codes.
bool TakePlaneGroup(const GroupPair& pair, ObjectPlane& plane);
