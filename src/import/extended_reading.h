// Reading steps shared by the handlers of the extended import: points by their x/y/z group
// codes, extrusion directions, and checked counts.
#pragma once

#include "import/entity_reading.h"
#include "import/object_coordinates.h"

#include <cmath>
#include <cstdint>

// Reads and classifies the next pair of an entity of the extended import. Only a code-0 pair
// ends these entities: their text groups (a hatch pattern named LINE, a style named TEXT) may
// hold any keyword.
inline EntityStep NextExtendedGroup(GroupReader& reader, GroupPair& pair) {
    if (!ReadPair(pair, reader))
        return EntityStep::Exhausted;
    LookupKeyword(pair);
    return pair.code == 0 ? EntityStep::Ended : EntityStep::Group;
}

// Reads an entity's groups up to the code-0 pair that ends it (left current), handing each to
// `takeGroup`. False when the file ends first or `takeGroup` refuses a value: the entity is
// dropped.
template <typename TakeGroup>
bool ReadExtendedEntity(GroupReader& reader, GroupPair& pair, TakeGroup takeGroup) {
    for (;;) {
        const EntityStep step = NextExtendedGroup(reader, pair);
        if (step == EntityStep::Exhausted)
            return false;
        if (step == EntityStep::Ended)
            return true;
        if (!takeGroup(pair))
            return false;
    }
}

// Which coordinate of a point a group code gives, for points whose x code is `xCode` (10, 11,
// ...): 0 for x, 1 for y, 2 for z, -1 for a code of another point.
constexpr int CoordinateOf(std::int32_t code, std::int32_t xCode) {
    if (code == xCode)
        return 0;
    if (code == xCode + 10)
        return 1;
    if (code == xCode + 20)
        return 2;
    return -1;
}

// Stores a checked value into the point's coordinate `which` (from CoordinateOf); false when the
// value is malformed.
inline bool StoreCoordinate(const GroupPair& pair, Vector3& point, int which) {
    double& target = which == 0 ? point.x : (which == 1 ? point.y : point.z);
    return StoreChecked(pair, target);
}

// Groups 210/220/230: the extrusion direction. Returns true when the pair was one of them; a
// malformed value sets `malformed`.
inline bool TakeExtrusion(const GroupPair& pair, Vector3& extrusion, bool& malformed) {
    const int which = CoordinateOf(pair.code, 210);
    if (which < 0)
        return false;
    if (!StoreCoordinate(pair, extrusion, which))
        malformed = true;
    return true;
}

// A checked real of the entity (radius, angle, ratio, knot); false when malformed or not finite.
inline bool StoreFinite(const GroupPair& pair, double& target) {
    return StoreChecked(pair, target) && std::isfinite(target);
}
