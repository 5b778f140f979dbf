// Object coordinate systems: entities such as ARC, CIRCLE, LWPOLYLINE, INSERT and TEXT give their
// points in a plane whose normal is the extrusion direction (groups 210/220/230). The axes of that
// plane follow from the normal alone by the arbitrary-axis rule of the DXF format; the plan view
// of the map is the world's x and y.
#pragma once

#include <optional>

struct Vector3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

struct ObjectAxes {
    Vector3 xAxis{1.0, 0.0, 0.0};
    Vector3 yAxis{0.0, 1.0, 0.0};
    Vector3 zAxis{0.0, 0.0, 1.0};
};

// The axes of the plane with this extrusion direction; empty when the direction is not finite
// or has no length, which makes the entity's coordinates meaningless.
std::optional<ObjectAxes> AxesForExtrusion(const Vector3& extrusion);

// True for the direction (0, 0, 1) (after normalising), whose plane is the world's.
bool IsWorldExtrusion(const Vector3& extrusion);

// A point given in the object plane, in world coordinates.
Vector3 ToWorld(const ObjectAxes& axes, const Vector3& point);
