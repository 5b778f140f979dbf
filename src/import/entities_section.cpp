#include "import/entity_handlers.h"
#include "import/sections.h"

std::int32_t ImportEntitiesSection(HWND map, GroupReader& reader, GroupPair& pair,
                                   ImportContext& context) {
    while (pair.keyword != KeywordId::EndSec) {
        if (EntityHandler handler = HandlerForPair(pair, context, context.useBlocks)) {
            RunEntityHandler(handler, map, reader, pair, context, nullptr);
            ProgressStep(reader);
            if (reader.exhausted)
                return 0;
            continue;
        }
        if (!ReadPair(pair, reader))
            return 0;
        LookupKeyword(pair);
    }
    return 1;
}
