// Inserts of the extended import that the classic transform does not cover: column and row
// arrays (MINSERT, or INSERT with groups 70/71/44/45), insertion planes other than the world's,
// DIMENSIONs as inserts of their blocks, and INSERTs inside a block of blocks defined after it,
// which wait until every definition has been read.
#pragma once

#include "import/object_plane.h"

#include <cstdint>
#include <string>

// Where and how an INSERT places its block, in file units as the drawing gives them.
struct InsertPlacement {
    double x = 0.0;
    double y = 0.0;
    double scaleX = 1.0;
    double scaleY = 1.0;
    double scaleZ = 1.0; // 43: in a tilted plane the block's heights show in the plan view
    double rotationDegrees = 0.0;
    std::int32_t columns = 1;   // 70
    std::int32_t rows = 1;      // 71
    double columnSpacing = 0.0; // 44
    double rowSpacing = 0.0;    // 45
    ObjectPlane plane;
    bool malformed = false; // an array group was malformed or out of range
};

// An INSERT inside the block `owner` of the block `blockName`, which was not defined yet.
struct DeferredInsert {
    std::string owner;
    std::string blockName;
    std::string layerName;
    InsertPlacement placement;
};
