// The state of one import, handed to every section and entity handler, and the map-unit
// conversion every handler applies to DXF coordinates.
#pragma once

#include "host/vexcore.h"
#include "import/block_shapes.h"
#include "import/block_store.h"
#include "import/deferred_inserts.h"
#include "import/group_reader.h"
#include "import/import_limits.h"
#include "import/import_settings.h"
#include "import/number_set.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

struct ImportExtent {
    std::int32_t minX = 0;
    std::int32_t minY = 0;
    std::int32_t maxX = 0;
    std::int32_t maxY = 0;
};

// The numbers of the map layers taken by name for DXF layers without a layer-mapping entry, each
// once, in a hash set: it is asked at every switch to a mapped layer, and a drawing may switch
// layers at every entity.
using LayerList = NumberSet;

struct ImportContext {
    bool offsetInUse = false;
    std::int32_t xOffset = 0;
    std::int32_t yOffset = 0;
    std::int32_t zOffset = 0;
    ImportExtent extent;
    bool multiplierInUse = false;
    double multiplier = 1.0;
    std::string currentLayerName;
    bool useBlocks = true;
    bool groupPolylines = true;
    // The extended import: entities and readings beyond the classic set; off keeps the classic
    // import exactly.
    bool extendedEntities = false;
    // INSERTs inside blocks of blocks not defined yet (extended import only), placed once the
    // BLOCKS section has been read.
    std::vector<DeferredInsert> deferredInserts;
    // The blocks that own such INSERTs, until they are placed.
    std::unordered_set<std::string> waitingBlocks;
    BlockStore blocks;
    const ZOVIniEntry* iniEntries = nullptr;
    std::uint32_t iniEntryCount = 0;
    LayerList layerList;
    HWND attributeWindow = nullptr;
    std::int32_t attributeRow = 0;
    bool attributesOneColumn = true;
    // Objects created by INSERT copies so far; past the limit further INSERTs are passed over.
    std::uint64_t insertedObjects = 0;
    // That limit: "MaxInsertedObjects" when it is above 0, the built-in default otherwise.
    std::uint64_t insertedObjectCap = kMaxInsertedObjects;
    // Room the extended import's LWPOLYLINE reuses from entity to entity: the file values x, y
    // and bulge of the vertices of the one being read.
    std::vector<std::array<double, 3>> bulgeVertices;
    // The drawing's arrowhead size ($DIMASZ; extended import only), for dimensions without
    // their block.
    double arrowSize = 2.5;
    // Heights and arcs of objects inside blocks (extended import only), for copies into tilted
    // planes (block_shapes.h).
    BlockShapes blockShapes;
};

// Fills the context from the import settings (multiplier and offsets "in use" rules included).
void ApplySettings(ImportContext& context, const ImportSettings& settings);

// The entity handler contract: entered with the entity's keyword pair current, returns with the
// pair that ended the entity current. `blockSlot` is null in the ENTITIES section and the group
// slot of the block being defined inside a BLOCK. The result is ignored by every caller.
using EntityHandler = std::int32_t (*)(HWND map, GroupReader& reader, GroupPair& pair,
                                       ImportContext& context, OBJHANDLE* blockSlot);

enum class Axis { X, Y };

// The map-unit conversion before truncation: v × multiplier (when in use), plus the axis offset
// for top-level entities (no block slot) when offsets are in use.
double ScaleAndShift(const ImportContext& context, double value, Axis axis, bool topLevel);
// The same, truncated toward zero to a map coordinate; empty when it is no 32-bit number.
std::optional<std::int32_t> ToMapUnits(const ImportContext& context, double value, Axis axis,
                                       bool topLevel);
// A length (radius): multiplied, never shifted, truncated; empty when it is no 32-bit number.
std::optional<std::int32_t> ToMapLength(const ImportContext& context, double value);

// The layer step every entity takes before it creates its first object: nothing for an empty
// name or the name made current last; otherwise resolve the layer and remember its name.
void TakeLayerStep(HWND map, ImportContext& context, std::string_view layerName);
