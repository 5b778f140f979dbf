#include "import/entity_handlers.h"
#include "import/entity_reading.h"
#include "import/inserts.h"

namespace {

bool EndsDefinitionWithoutEndBlk(KeywordId keyword) {
    return keyword == KeywordId::Block || keyword == KeywordId::EndSec || keyword == KeywordId::Eof;
}

// A block's own group (name or base point), read before its first entity. Returns false when a
// base point value is malformed or no map coordinate, which ends the definition.
bool TakeBlockGroup(const GroupPair& pair, const ImportContext& context, BlockRecord& record) {
    switch (pair.code) {
    case 2:
    case 3:
        record.name.assign(pair.value);
        return true;
    case 10:
    case 20:
    case 30: {
        double number = 0.0;
        const bool wellFormed = StoreChecked(pair, number);
        // The base point is scaled like the block's entities, so inserts land right whatever
        // the multiplier; it is never shifted.
        const auto value = ToMapLength(context, number);
        const std::int32_t coordinate = wellFormed ? value.value_or(0) : 0;
        (pair.code == 10   ? record.baseX
         : pair.code == 20 ? record.baseY
                           : record.baseZ) = coordinate;
        return wellFormed && value.has_value();
    }
    default:
        return true;
    }
}

} // namespace

std::int32_t ReadBlock(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context) {
    BlockRecord record;
    std::int32_t continueFlag = 1;
    const std::size_t deferredBefore = context.deferredInserts.size();
    // Only the BLOCK's own groups name it and give its base point: those before the first pair
    // with code 0 or the first entity. Groups of ATTDEF and other unread entities are not its.
    bool inOwnGroups = true;
    for (bool entering = true;; entering = false) {
        if (pair.keyword == KeywordId::EndBlk)
            break;
        // A definition that lost its ENDBLK ends where the next definition, the section or the
        // file begins; that pair stays current instead of being swallowed with the rest.
        if (!entering && EndsDefinitionWithoutEndBlk(pair.keyword))
            break;
        if (EntityHandler handler = HandlerForPair(pair, context, true)) {
            inOwnGroups = false;
            RunEntityHandler(handler, map, reader, pair, context, &record.object);
            ProgressStep(reader);
            if (reader.exhausted)
                break;
            continue;
        }
        continueFlag = ReadPair(pair, reader);
        LookupKeyword(pair);
        if (!continueFlag)
            break;
        // Any pair with code 0, a keyword such as VERTEX or SEQEND too, starts an entity.
        if (pair.code == 0)
            inOwnGroups = false;
        if (pair.keyword != KeywordId::None)
            continue;
        if (inOwnGroups && !TakeBlockGroup(pair, context, record))
            continueFlag = 0;
        if (!continueFlag)
            break;
    }
    // INSERTs of blocks defined later (extended import) name this block as their owner; it is
    // kept even without objects of its own, to receive their copies.
    const bool hasDeferred = context.deferredInserts.size() > deferredBefore;
    for (std::size_t i = deferredBefore; i < context.deferredInserts.size(); ++i)
        context.deferredInserts[i].owner = record.name;
    if (hasDeferred)
        context.waitingBlocks.insert(record.name);
    if (record.object || hasDeferred) {
        record.objectCount = CountObjectTree(map, record.object);
        context.blocks.Append(std::move(record));
    }
    return continueFlag && pair.keyword == KeywordId::EndBlk ? 1 : 0;
}
