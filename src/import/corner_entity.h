// The four-cornered entities of the extended import (SOLID, TRACE, 3DFACE): one reading of their
// layer, corners 10 to 13 and extrusion direction.
#pragma once

#include "import/extended_reading.h"

#include <array>
#include <string>

struct CornerEntity {
    std::string layerName;
    std::array<Vector3, 4> corners{
        Vector3{kNotGiven, kNotGiven, 0.0}, Vector3{kNotGiven, kNotGiven, 0.0},
        Vector3{kNotGiven, kNotGiven, 0.0}, Vector3{kNotGiven, kNotGiven, 0.0}};
    Vector3 extrusion{0.0, 0.0, 1.0};

    bool Given(std::size_t corner) const {
        return corners[corner].x != kNotGiven && corners[corner].y != kNotGiven;
    }
};

// One group of the entity; false when its value is malformed.
inline bool TakeCornerGroup(const GroupPair& pair, CornerEntity& entity) {
    if (pair.code == 8) {
        entity.layerName.assign(pair.value);
        return true;
    }
    bool malformed = false;
    if (TakeExtrusion(pair, entity.extrusion, malformed))
        return !malformed;
    for (std::size_t corner = 0; corner < entity.corners.size(); ++corner) {
        const int which = CoordinateOf(pair.code, 10 + static_cast<std::int32_t>(corner));
        if (which >= 0)
            return StoreCoordinate(pair, entity.corners[corner], which);
    }
    return true;
}

// Reads the entity's groups up to the pair that ends it. False when the file ends, a value is
// malformed, or one of the first three corners is missing: the entity is dropped. A missing
// fourth corner repeats the third (a triangle).
inline bool ReadCornerEntity(GroupReader& reader, GroupPair& pair, CornerEntity& entity) {
    if (!ReadExtendedEntity(reader, pair,
                            [&](const GroupPair& group) { return TakeCornerGroup(group, entity); }))
        return false;
    if (!entity.Given(0) || !entity.Given(1) || !entity.Given(2))
        return false;
    if (!entity.Given(3))
        entity.corners[3] = entity.corners[2];
    return true;
}
