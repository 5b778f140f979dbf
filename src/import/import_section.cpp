#include "host/window_record.h"
#include "import/sections.h"

std::int32_t ImportSection(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context) {
    SeekKeyword(pair, reader, KeywordId::Section);
    if (!SeekCode(pair, reader, 2))
        return 0;
    switch (pair.keyword) {
    case KeywordId::Header:
        if (ImportHeaderSection(reader, pair, context)) {
            const ImportExtent& e = context.extent;
            PM_SetAllObjectsRect(WindowPresentation(map), map, e.minX, e.minY, e.maxX, e.maxY);
        }
        ProgressStep(reader);
        break;
    case KeywordId::Tables:
        ImportTablesSection(map, reader, pair, context);
        ProgressStep(reader);
        break;
    case KeywordId::Blocks:
        if (context.useBlocks) {
            ImportBlocksSection(map, reader, pair, context);
            ProgressStep(reader);
        }
        break;
    case KeywordId::Entities:
        ImportEntitiesSection(map, reader, pair, context);
        ProgressStep(reader);
        break;
    default:
        break;
    }
    return 1;
}
