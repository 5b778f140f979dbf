// Block insertion: the pieces of the INSERT handler. The attributes that follow an INSERT, the
// rows they become in the host's attribute-table window, the transform of a copied object tree,
// and the object count that the insertion limit is measured in.
#pragma once

#include "host/host_calls.h"
#include "host/vexcore.h"
#include "import/import_context.h"
#include "import/import_limits.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The record whose address goes with the set-cell message. `text` is zero-terminated.
struct AttributeCell {
    std::int32_t row;
    std::int32_t column;
    char text[kAttributeCellBytes];
};
static_assert(sizeof(AttributeCell) == 8 + kAttributeCellBytes);

// Puts `text` into the cell, cut to the cell's room (255 bytes) at a byte that does not split a
// UTF-8 sequence, and zero-fills the rest.
void SetCellText(AttributeCell& cell, std::string_view text);

// A value and the name of the column it goes into.
struct ColumnValue {
    std::string_view column;
    std::string_view value;
};

// Writes one row of the attribute window at the context's attribute row: the position in
// columns 0 and 1, each value in its named column (made on first use). Advances the row.
// Returns 1; 0 without an attribute window.
std::int32_t WriteAttributeRow(ImportContext& context, std::span<const ColumnValue> values,
                               MAP_COORDPT position);

// The complete attributes of one INSERT on their way to the attribute table. With "Attributes
// into one column" each attribute is a row of its own, written when it is added; otherwise the
// INSERT makes one row of all its attributes, one column per tag (a later value of a tag wins,
// the position is that of the last attribute), written by Finish. Without an attribute window
// nothing is kept or written.
class InsertAttributes {
  public:
    explicit InsertAttributes(ImportContext& context) : context_(context) {}
    void Add(std::string_view tag, std::string_view value, MAP_COORDPT position);
    void Finish();

  private:
    ImportContext& context_;
    std::vector<std::string> tags_; // in order of first appearance
    std::vector<std::string> values_;
    std::unordered_map<std::string, std::size_t> indexOfTag_;
    MAP_COORDPT lastPosition_{};
};

class AttributeTexts;

// How a run of attributes ended.
enum class AttributesEnd {
    SeqEnd,  // at SEQEND, which is current; the INSERT reads on (the SEQEND's groups are its)
    Keyword, // at a keyword that cannot continue the run, which stays current; the INSERT ends
    FileEnd, // no further pair could be read
};

// Reads the ATTRIB records that follow an INSERT, entered on the first ATTRIB pair. An ATTRIB
// keyword under any code starts the next attribute; each complete one (tag, value, both
// coordinates) goes to `sink`. Coordinates get the multiplier and the offsets, for an INSERT
// inside a block definition too; one that does not convert counts as 0. With `texts` (the
// extended import), each ATTRIB also goes there.
AttributesEnd ReadAttributes(GroupReader& reader, GroupPair& pair, const ImportContext& context,
                             InsertAttributes& sink, AttributeTexts* texts);

// The arguments of the host's DoOperations2 for one INSERT.
struct TreeTransform {
    MAP_COORDPT reference{};
    std::int32_t dx = 0;
    std::int32_t dy = 0;
    std::int32_t dz = 0;
    double scaleX = 1.0;
    double scaleY = 1.0;
    double scaleZ = 1.0;
    double angleDegrees = 0.0;
    // The copy's heights, z' = heightScale z + heightShift (map units): never passed to the host,
    // only carried into the extended import's height records (rebuilt_copies.h).
    double heightScale = 1.0;
    double heightShift = 0.0;
};

// Copies the block, puts the copy on the INSERT's layer (when it names one), transforms it and,
// inside a block, adds it to the block's group. Nothing is made when the copy would take the
// inserted objects past their cap. True when a copy was made.
bool PlaceBlockCopy(HWND map, ImportContext& context, const BlockRecord& block,
                    const TreeTransform& transform, const std::string& layerName,
                    OBJHANDLE* blockSlot);

// Has the host transform `object` and every object below it, each by itself, children before
// their parent (depth first, in child order). The walk keeps its own stack, so the nesting depth
// of the data costs no call depth. Returns 1.
std::int32_t TransformObjectTree(HWND map, OBJHANDLE object, const TreeTransform& transform);

// The objects of the tree below `object`, the object itself and every group included; 0 for
// null. Walked with an explicit stack like TransformObjectTree.
std::uint64_t CountObjectTree(HWND map, OBJHANDLE object);
