// The extended import shows the ATTRIB values of an INSERT that are not invisible as map texts
// where the drawing places them, besides their rows in the attribute table. The texts are
// collected while the INSERT reads and created after its copy, so that they take the layer step
// only once the INSERT has placed its copy.
#pragma once

#include "import/deferred_inserts.h"
#include "import/placed_text.h"

#include <vector>

class AttributeTexts {
  public:
    // A group of the ATTRIB being read, but its insertion point.
    void Take(const GroupPair& pair);
    // Its insertion coordinate (10 or 20), checked once for the table and the text.
    void TakeInsertion(std::int32_t code, const CheckedNumber& number);
    // The ATTRIB being read is complete: kept when it is visible and well formed.
    void EndAttribute();
    // Creates the kept texts (inside a block in its group) and forgets them. An array INSERT
    // repeats them in every cell; the repeats count against the cap on inserted objects.
    void Create(HWND map, ImportContext& context, OBJHANDLE* blockSlot,
                const InsertPlacement& placement);

  private:
    struct Attribute {
        PlacedText placed;
        double alignX = kNotGiven; // 11/21: the point a justified value hangs on
        double alignY = kNotGiven;
        std::int32_t horizontal = 0; // 72
        std::int32_t vertical = 0;   // 74
        std::int32_t flags = 0;      // 70: bit 1 invisible
        bool malformed = false;
        bool inEmbeddedObject = false; // after "101 Embedded Object": the multiline form's groups
    };
    void TakeNumber(const GroupPair& pair, double& target);
    // Creates the texts shifted by (dx, dy) in their plane; false once the cap is reached.
    bool CreateShifted(HWND map, ImportContext& context, OBJHANDLE* blockSlot, double dx, double dy,
                       bool repeat);

    Attribute current_;
    std::vector<PlacedText> texts_;
};
