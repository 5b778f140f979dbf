#include "import/numbers.h"
#include "import/sections.h"

namespace {

// Reads groups 10 and 20 of the variable just found into x and y; false when a value is not
// finite or does not fit the map's 32-bit range.
bool ReadCorner(GroupReader& reader, GroupPair& pair, const ImportContext& context, std::int32_t& x,
                std::int32_t& y) {
    bool fits = true;
    if (SeekCode(pair, reader, 10)) {
        const auto value = ToMapLength(context, ParseDouble(pair.value));
        fits = fits && value.has_value();
        x = value.value_or(0);
    }
    if (SeekCode(pair, reader, 20)) {
        const auto value = ToMapLength(context, ParseDouble(pair.value));
        fits = fits && value.has_value();
        y = value.value_or(0);
    }
    return fits;
}

} // namespace

std::int32_t ImportHeaderSection(GroupReader& reader, GroupPair& pair, ImportContext& context) {
    bool fits = true;
    if (SeekKeywordInSection(pair, reader, KeywordId::ExtMin))
        fits = ReadCorner(reader, pair, context, context.extent.minX, context.extent.minY);
    if (pair.keyword == KeywordId::EndSec)
        return 0;
    if (SeekKeywordInSection(pair, reader, KeywordId::ExtMax))
        fits = ReadCorner(reader, pair, context, context.extent.maxX, context.extent.maxY) && fits;
    if (pair.keyword == KeywordId::EndSec)
        return 0;
    const std::int32_t ended = SeekKeyword(pair, reader, KeywordId::EndSec);
    return ended && fits ? 1 : 0;
}
