#include "import/entity_handlers.h"

#include <new>
#include <stdexcept>

EntityHandler EntityHandlerFor(KeywordId keyword, bool useBlocks) {
    switch (keyword) {
    case KeywordId::Polyline:
        return ImportPolyline;
    case KeywordId::Line:
        return ImportLine;
    case KeywordId::Point:
        return ImportPoint;
    case KeywordId::Text:
        return ImportText;
    case KeywordId::LwPolyline:
        return ImportLwPolyline;
    case KeywordId::Insert:
        return useBlocks ? ImportInsert : nullptr;
    case KeywordId::Arc:
        return ImportArc;
    case KeywordId::Circle:
        return ImportCircle;
    default:
        return nullptr;
    }
}

void RunEntityHandler(EntityHandler handler, HWND map, GroupReader& reader, GroupPair& pair,
                      ImportContext& context, OBJHANDLE* blockSlot) {
    try {
        handler(map, reader, pair, context, blockSlot);
    } catch (const std::bad_alloc&) {
        // Out of memory inside one entity ends that entity; the driver reads on from the pair
        // the handler stopped at.
    } catch (const std::length_error&) {
    }
}
