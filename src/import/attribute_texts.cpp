#include "import/attribute_texts.h"

#include "import/text_codes.h"
#include "module/line_breaks.h"

#include <cmath>
#include <numbers>

namespace {
constexpr std::int32_t kInvisible = 1;
} // namespace

void AttributeTexts::TakeNumber(const GroupPair& pair, double& target) {
    if (!StoreChecked(pair, target))
        current_.malformed = true;
}

void AttributeTexts::TakeInsertion(std::int32_t code, const CheckedNumber& number) {
    if (current_.inEmbeddedObject)
        return;
    (code == 10 ? current_.placed.x : current_.placed.y) = number.value;
    if (number.malformed)
        current_.malformed = true;
}

// One switch over the codes, as this runs for every group of every ATTRIB.
void AttributeTexts::Take(const GroupPair& pair) {
    if (current_.inEmbeddedObject)
        return;
    PlacedText& placed = current_.placed;
    switch (pair.code) {
    case 1:
        placed.text.assign(pair.value);
        break;
    case 8:
        placed.layerName.assign(pair.value);
        break;
    case 11:
        TakeNumber(pair, current_.alignX);
        break;
    case 21:
        TakeNumber(pair, current_.alignY);
        break;
    case 40:
        TakeNumber(pair, placed.height);
        break;
    case 50:
        TakeNumber(pair, placed.rotationDegrees);
        break;
    case 70:
        current_.flags = ParseInt(pair.value);
        break;
    case 72:
        current_.horizontal = ParseInt(pair.value);
        break;
    case 74:
        current_.vertical = ParseInt(pair.value);
        break;
    case 101:
        current_.inEmbeddedObject = true;
        break;
    case 30:
    case 210:
    case 220:
    case 230:
        TakePlaneGroup(pair, placed.plane);
        break;
    default:
        break;
    }
}

void AttributeTexts::EndAttribute() {
    Attribute attribute = std::move(current_);
    current_ = Attribute{};
    if (attribute.malformed || attribute.placed.plane.malformed || (attribute.flags & kInvisible))
        return;
    PlacedText& placed = attribute.placed;
    // An aligned or fitted value (72 = 3, 5) on the baseline runs from its insertion point
    // toward its alignment point; any other justified one hangs on its alignment point. Both as
    // a TEXT does.
    const bool between =
        (attribute.horizontal == 3 || attribute.horizontal == 5) && attribute.vertical == 0;
    if (between && attribute.alignX != kNotGiven && attribute.alignY != kNotGiven) {
        const double dx = attribute.alignX - placed.x;
        const double dy = attribute.alignY - placed.y;
        if (dx != 0.0 || dy != 0.0)
            placed.rotationDegrees = std::atan2(dy, dx) * 180.0 / std::numbers::pi;
    } else if (!between && (attribute.horizontal != 0 || attribute.vertical != 0)) {
        if (attribute.alignX != kNotGiven)
            placed.x = attribute.alignX;
        if (attribute.alignY != kNotGiven)
            placed.y = attribute.alignY;
    }
    placed.flags = TextAlignmentFlags(attribute.horizontal, attribute.vertical);
    ConvertLineBreaks(placed.text.data(), placed.text.size(), LineBreakMode::BackslashNToCrLf);
    DecodeUnicodeEscapes(placed.text);
    DecodePercentCodes(placed.text);
    if (!placed.text.empty())
        texts_.push_back(std::move(placed));
}

bool AttributeTexts::CreateShifted(HWND map, ImportContext& context, OBJHANDLE* blockSlot,
                                   double dx, double dy, bool repeat) {
    for (PlacedText& text : texts_) {
        if (repeat && context.insertedObjects >= context.insertedObjectCap)
            return false;
        // Shifted in place and put back, so that a cell costs no copy of the text.
        const double x = text.x;
        const double y = text.y;
        text.x = x + dx;
        text.y = y + dy;
        CreatePlacedText(map, context, text, blockSlot);
        text.x = x;
        text.y = y;
        // Every repeat counts, made or not, so that an array of texts the map cannot take
        // still ends at the cap.
        if (repeat)
            ++context.insertedObjects;
    }
    return true;
}

void AttributeTexts::Create(HWND map, ImportContext& context, OBJHANDLE* blockSlot,
                            const InsertPlacement& placement) {
    if (texts_.empty())
        return;
    const bool array = !placement.malformed && (placement.columns > 1 || placement.rows > 1);
    const std::int32_t rows = array ? placement.rows : 1;
    const std::int32_t columns = array ? placement.columns : 1;
    const double radians = placement.rotationDegrees * std::numbers::pi / 180.0;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    for (std::int32_t row = 0; row < rows; ++row) {
        for (std::int32_t column = 0; column < columns; ++column) {
            const double u = column * placement.columnSpacing;
            const double v = row * placement.rowSpacing;
            if (!CreateShifted(map, context, blockSlot, c * u - s * v, s * u + c * v,
                               row != 0 || column != 0)) {
                texts_.clear();
                return;
            }
        }
    }
    texts_.clear();
}
