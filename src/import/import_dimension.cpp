// DIMENSION as an insert of its anonymous block (group 2), which holds the lines, arrows and
// text the drawing shows, placed at the origin as the drawing defines it.
#include "import/entity_handlers.h"
#include "import/extended_inserts.h"

#include <string>

std::int32_t ImportDimension(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                             OBJHANDLE* blockSlot) {
    std::string blockName;
    std::string layerName;
    for (;;) {
        const EntityStep step = NextEntityGroup(reader, pair);
        if (step == EntityStep::Exhausted)
            return 0;
        if (step == EntityStep::Ended)
            break;
        if (pair.code == 2)
            blockName.assign(pair.value);
        else if (pair.code == 8)
            layerName.assign(pair.value);
    }
    // Without blocks in use there is nothing to insert; inside a block definition blocks are
    // always read.
    if (!context.useBlocks && !blockSlot)
        return 1;
    PlaceOrDeferInsert(map, context, blockName, layerName, InsertPlacement{}, blockSlot);
    return 1;
}
