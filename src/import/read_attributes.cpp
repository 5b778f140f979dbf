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

// A coordinate of an attribute. A malformed value counts as 0; a value that is no map
// coordinate leaves the coordinate missing, so the attribute gives no row.
std::optional<std::int32_t> AttributeCoordinate(const ImportContext& context, const GroupPair& pair,
                                                Axis axis, bool topLevel) {
    return ToMapUnits(context, CheckNumber(pair.value).value, axis, topLevel);
}

void TakeGroup(const ImportContext& context, const GroupPair& pair, bool topLevel,
               AttributeFields& fields) {
    switch (pair.code) {
    case 1:
        fields.value.assign(pair.value);
        break;
    case 2:
        fields.tag.assign(pair.value);
        break;
    case 10:
        fields.x = AttributeCoordinate(context, pair, Axis::X, topLevel);
        break;
    case 20:
        fields.y = AttributeCoordinate(context, pair, Axis::Y, topLevel);
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
                             bool topLevel, InsertAttributes& sink, AttributeTexts* texts) {
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
        TakeGroup(context, pair, topLevel, fields);
        if (texts)
            texts->Take(pair);
    }
}
