// The extended import's placing of blocks (see deferred_inserts.h for what it covers).
#pragma once

#include "import/import_context.h"
#include "import/inserts.h"

#include <string>

// Takes an INSERT group only the extended import reads (30, 44, 45, 70, 71, 210, 220, 230);
// false for any other code. Counts outside 1..32767 mark the placement malformed.
bool TakeInsertArrayGroup(const GroupPair& pair, InsertPlacement& placement);

// Whether the block waits for INSERTs of blocks defined after it: a copy of it now would lack
// them, so INSERTs of it inside other blocks wait as well.
bool IsWaiting(const ImportContext& context, const std::string& blockName);

// One copy in the world's plane: what the classic transform places.
bool IsPlainPlacement(const InsertPlacement& placement);

// Places a copy of the block for each cell of the array, seen from above, on the layer (inside a
// block, in its group). A malformed placement or a plane seen edge-on places nothing; the cells
// stop where the cap on inserted objects is reached.
void PlaceInsertCopies(HWND map, ImportContext& context, const BlockRecord& block,
                       const InsertPlacement& placement, const std::string& layerName,
                       OBJHANDLE* blockSlot);

// Places the block when it is defined and waits for nothing; inside a block, any other is kept for
// ResolveDeferredInserts (the block being read names the owner when its definition ends).
void PlaceOrDeferInsert(HWND map, ImportContext& context, const std::string& blockName,
                        const std::string& layerName, const InsertPlacement& placement,
                        OBJHANDLE* blockSlot);

// After the BLOCKS section: places every kept INSERT into its owner's definition, blocks that
// wait for others after those, so that a copy is made of a complete definition. INSERTs in a
// cycle of definitions, or of blocks never defined, are dropped.
void ResolveDeferredInserts(HWND map, ImportContext& context);
