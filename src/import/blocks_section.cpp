#include "host/window_record.h"
#include "import/entity_handlers.h"
#include "import/extended_inserts.h"
#include "import/sections.h"

std::int32_t ImportBlocksSection(HWND map, GroupReader& reader, GroupPair& pair,
                                 ImportContext& context) {
    // A definition that lost its ENDBLK leaves ENDSEC or EOF current; either ends the section.
    std::int32_t read = 1;
    while (pair.keyword != KeywordId::EndSec && pair.keyword != KeywordId::Eof) {
        read = ReadPair(pair, reader);
        LookupKeyword(pair);
        if (!read)
            break;
        // A definition that lost its ENDBLK leaves the next BLOCK current: it is read at once.
        while (pair.keyword == KeywordId::Block && !reader.exhausted)
            ReadBlock(map, reader, pair, context);
    }
    // The extended import's INSERTs of blocks defined after the block that inserts them.
    if (!context.deferredInserts.empty())
        ResolveDeferredInserts(map, context);
    return read && pair.keyword == KeywordId::EndSec ? 1 : 0;
}

std::int32_t ReleaseBlockObjects(HWND map, ImportContext& context) {
    DBHANDLE database = WindowObjectDatabase(map);
    for (const BlockRecord& record : context.blocks.Records()) {
        if (record.object)
            DeleteTree(database, record.object, kRefGroupChildren);
    }
    return 1;
}
