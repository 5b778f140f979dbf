// Polyface and polygon-mesh POLYLINEs of the extended import: their vertices and faces drawn as
// face outlines.
#pragma once

#include "import/import_context.h"

#include <cstdint>
#include <string>

// The POLYLINE header flags of a polyface (64) and of a polygon mesh (16).
inline constexpr std::int32_t kPolyfaceFlag = 64;
inline constexpr std::int32_t kMeshFlag = 16;

// What the header says of the vertices that follow.
struct MeshHeader {
    bool polyface = false;
    std::int32_t m = 0; // a mesh's vertex count in M, or a polyface's vertex count
    std::int32_t n = 0; // a mesh's vertex count in N, or a polyface's face count
    bool closedM = false;
    bool closedN = false;
};

// Reads the VERTEX entities from the current VERTEX pair to the SEQEND and creates the outlines:
// one polygon per polyface face, or one polyline per row and column of a mesh (together, the
// outlines of its faces), on the entity's layer. Leaves the pair after SEQEND current, or the
// pair that ended the vertices without it. Malformed values or more vertices than the limit
// drop the entity.
std::int32_t ImportMeshVertices(HWND map, GroupReader& reader, GroupPair& pair,
                                ImportContext& context, OBJHANDLE* blockSlot,
                                const std::string& layerName, const MeshHeader& header);
