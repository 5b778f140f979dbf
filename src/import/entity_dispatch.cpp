#include "import/entity_handlers.h"

#include <exception>

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

EntityHandler HandlerForPair(const GroupPair& pair, const ImportContext& context, bool useBlocks) {
    if (EntityHandler handler = EntityHandlerFor(pair.keyword, useBlocks))
        return handler;
    if (!context.extendedEntities || pair.code != 0 || pair.keyword != KeywordId::None)
        return nullptr;
    return ExtendedEntityHandlerFor(pair.value);
}

namespace {
std::uint64_t ReadPosition(const GroupReader& reader) {
    return reader.bufferOffset + reader.begin;
}
} // namespace

void RunEntityHandler(EntityHandler handler, HWND map, GroupReader& reader, GroupPair& pair,
                      ImportContext& context, OBJHANDLE* blockSlot) {
    const std::uint64_t start = ReadPosition(reader);
    try {
        handler(map, reader, pair, context, blockSlot);
    } catch (const std::exception&) {
        // Memory running out inside one entity ends that entity; the driver reads on from the
        // pair the handler stopped at. A handler that failed before reading anything would leave
        // its own keyword current and be called again forever: step past that pair.
        if (ReadPosition(reader) == start && ReadPair(pair, reader))
            LookupKeyword(pair);
    }
}
