#include "import/numbers.h"
#include "import/sections.h"

#include <cmath>
#include <string_view>

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

// The extended import's header variables after $EXTMAX: the arrowhead size $DIMASZ, where the
// header has it. The name is compared here rather than made a keyword, since a keyword value
// ends an entity wherever it stands. Reads on to ENDSEC (1) or the file's end (0).
std::int32_t ReadExtendedVariables(GroupReader& reader, GroupPair& pair, ImportContext& context) {
    if (reader.exhausted)
        return 0;
    bool arrowSizeNext = false;
    for (;;) {
        if (!ReadPair(pair, reader))
            return 0;
        LookupKeyword(pair);
        if (pair.keyword == KeywordId::EndSec)
            return 1;
        if (pair.code == 9) {
            arrowSizeNext = pair.value == std::string_view("$DIMASZ");
        } else if (arrowSizeNext && pair.code == 40) {
            const double size = ParseDouble(pair.value);
            if (std::isfinite(size) && size > 0.0)
                context.arrowSize = size;
            arrowSizeNext = false;
        }
    }
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
    const std::int32_t ended = context.extendedEntities
                                   ? ReadExtendedVariables(reader, pair, context)
                                   : SeekKeyword(pair, reader, KeywordId::EndSec);
    return ended && fits ? 1 : 0;
}
