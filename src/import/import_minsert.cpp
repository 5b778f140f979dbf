// MINSERT: an INSERT whose block is repeated in columns and rows (70, 71, 44, 45). Most drawings
// write such arrays as INSERT with those groups; both are read by the INSERT handler.
#include "import/entity_handlers.h"
#include "import/entity_reading.h"

std::int32_t ImportMInsert(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                           OBJHANDLE* blockSlot) {
    if (context.useBlocks || blockSlot)
        return ImportInsert(map, reader, pair, context, blockSlot);
    for (;;) {
        const EntityStep step = NextEntityGroup(reader, pair);
        if (step != EntityStep::Group)
            return step == EntityStep::Ended ? 1 : 0;
    }
}
