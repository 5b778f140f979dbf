#include "import/keywords.h"

#include <array>

namespace {

struct Keyword {
    std::string_view name;
    KeywordId id;
};

// Grouped by first byte so that a value is compared with at most five names, and most values
// (numbers, layer names) are turned away after one or two byte tests.
constexpr std::array kKeywords{
    Keyword{"VERTEX", KeywordId::Vertex},
    Keyword{"POLYLINE", KeywordId::Polyline},
    Keyword{"POINT", KeywordId::Point},
    Keyword{"SECTION", KeywordId::Section},
    Keyword{"SEQEND", KeywordId::SeqEnd},
    Keyword{"HEADER", KeywordId::Header},
    Keyword{"ENDSEC", KeywordId::EndSec},
    Keyword{"ENTITIES", KeywordId::Entities},
    Keyword{"EOF", KeywordId::Eof},
    Keyword{"ENDTAB", KeywordId::EndTab},
    Keyword{"ENDBLK", KeywordId::EndBlk},
    Keyword{"CLASSES", KeywordId::Classes},
    Keyword{"CIRCLE", KeywordId::Circle},
    Keyword{"BLOCKS", KeywordId::Blocks},
    Keyword{"BLOCK", KeywordId::Block},
    Keyword{"OBJECTS", KeywordId::Objects},
    Keyword{"TABLES", KeywordId::Tables},
    Keyword{"TABLE", KeywordId::Table},
    Keyword{"TEXT", KeywordId::Text},
    Keyword{"LTYPE", KeywordId::LType},
    Keyword{"LAYER", KeywordId::Layer},
    Keyword{"LINE", KeywordId::Line},
    Keyword{"LWPOLYLINE", KeywordId::LwPolyline},
    Keyword{"INSERT", KeywordId::Insert},
    Keyword{"ATTRIB", KeywordId::Attrib},
    Keyword{"ARC", KeywordId::Arc},
    Keyword{"$EXTMIN", KeywordId::ExtMin},
    Keyword{"$EXTMAX", KeywordId::ExtMax},
};

struct Range {
    std::uint8_t first = 0;
    std::uint8_t count = 0;
};

// For every byte value, the run of kKeywords whose names start with it.
constexpr std::array<Range, 256> MakeIndex() {
    std::array<Range, 256> index{};
    for (std::size_t i = 0; i < kKeywords.size(); ++i) {
        auto& range = index[static_cast<unsigned char>(kKeywords[i].name[0])];
        if (range.count == 0)
            range.first = static_cast<std::uint8_t>(i);
        ++range.count;
    }
    return index;
}

constexpr auto kIndex = MakeIndex();

constexpr bool IndexIsContiguous() {
    for (std::size_t i = 0; i < kKeywords.size(); ++i) {
        const auto& range = kIndex[static_cast<unsigned char>(kKeywords[i].name[0])];
        if (i < range.first || i >= static_cast<std::size_t>(range.first + range.count))
            return false;
    }
    return true;
}
static_assert(IndexIsContiguous(), "keywords sharing a first byte must stand together");
static_assert(kKeywords.size() == 28);

constexpr bool EveryNameMayBeKeyword() {
    for (const Keyword& keyword : kKeywords) {
        if (!MayBeKeyword(keyword.name))
            return false;
    }
    return true;
}
static_assert(EveryNameMayBeKeyword(), "MayBeKeyword must let every name through");

} // namespace

KeywordId ClassifyKeyword(std::string_view value) {
    if (value.size() < kShortestKeyword || value.size() > kLongestKeyword)
        return KeywordId::None;
    const Range range = kIndex[static_cast<unsigned char>(value[0])];
    for (std::size_t i = range.first; i < static_cast<std::size_t>(range.first + range.count);
         ++i) {
        if (kKeywords[i].name == value)
            return kKeywords[i].id;
    }
    return KeywordId::None;
}
