#include "import/attribute_texts.h"
#include "import/entity_reading.h"
#include "import/inserts.h"

#include <optional>
#include <string>

namespace {

// Keywords that cannot stand inside a run of attributes: the run has lost its SEQEND, and the
// pair belongs to whatever comes next.
bool EndsAttributeRun(KeywordId keyword) {
    switch (keyword) {
    case KeywordId::Polyline:
    case KeywordId::Vertex:
    case KeywordId::Line:
    case KeywordId::Point:
    case KeywordId::Text:
    case KeywordId::LwPolyline:
    case KeywordId::Insert:
    case KeywordId::Arc:
    case KeywordId::Circle:
    case KeywordId::EndBlk:
    case KeywordId::EndSec:
    case KeywordId::Eof:
        return true;
    default:
        return false;
    }
}

// The groups of one ATTRIB. The texts keep their room from one attribute to the next, so a run
// of attributes allocates only when a text grows.
struct AttributeFields {
    std::string tag;
    std::string value;
    std::optional<std::int32_t> x;
    std::optional<std::int32_t> y;

    void Reset() {
        tag.clear();
        value.clear();
        x.reset();
        y.reset();
    }
    // Tag, value and both coordinates: only such an attribute reaches the table.
    bool Complete() const { return !tag.empty() && !value.empty() && x && y; }
};

// A coordinate of an attribute, shifted by the offsets whether the INSERT stands at the top
// level or inside a block definition. An attribute coordinate is never refused: a malformed
// value, and one that is no map coordinate (not finite, or outside the 32-bit map), counts as a
// file value of 0, which still gets the offset.
std::int32_t AttributeCoordinate(const ImportContext& context, const CheckedNumber& number,
                                 Axis axis) {
    constexpr bool kShifted = true;
    const auto converted = ToMapUnits(context, number.value, axis, kShifted);
    return converted ? *converted : ToMapUnits(context, 0.0, axis, kShifted).value_or(0);
}

void TakeGroup(const GroupPair& pair, AttributeFields& fields) {
    switch (pair.code) {
    case 1:
        fields.value.assign(pair.value);
        break;
    case 2:
        fields.tag.assign(pair.value);
        break;
    default:
        break; // z, layer, style, flags and code 0 of unread entities do not reach the table
    }
}

void Deliver(AttributeFields& fields, InsertAttributes& sink, AttributeTexts* texts) {
    if (texts)
        texts->EndAttribute();
    if (fields.Complete())
        sink.Add(fields.tag, fields.value, MAP_COORDPT{*fields.x, *fields.y});
    fields.Reset();
}

} // namespace

AttributesEnd ReadAttributes(GroupReader& reader, GroupPair& pair, const ImportContext& context,
                             InsertAttributes& sink, AttributeTexts* texts) {
    AttributeFields fields;
    for (;;) {
        if (!ReadPair(pair, reader)) {
            Deliver(fields, sink, texts);
            return AttributesEnd::FileEnd;
        }
        LookupKeyword(pair);
        if (pair.keyword == KeywordId::SeqEnd) {
            Deliver(fields, sink, texts);
            return AttributesEnd::SeqEnd;
        }
        if (pair.keyword == KeywordId::Attrib) {
            Deliver(fields, sink, texts);
            continue;
        }
        if (EndsAttributeRun(pair.keyword)) {
            Deliver(fields, sink, texts);
            return AttributesEnd::Keyword;
        }
        if (pair.code == 10 || pair.code == 20) {
            // The coordinate is checked once, for the table's row and the extended import's text.
            const CheckedNumber number = CheckNumber(pair.value);
            (pair.code == 10 ? fields.x : fields.y) =
                AttributeCoordinate(context, number, pair.code == 10 ? Axis::X : Axis::Y);
            if (texts)
                texts->TakeInsertion(pair.code, number);
            continue;
        }
        TakeGroup(pair, fields);
        if (texts)
            texts->Take(pair);
    }
}
