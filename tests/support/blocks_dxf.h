// DXF texts of block definitions and inserts for the block, insert and attribute tests.
#pragma once

#include "test_support.h"

#include <string>
#include <vector>

namespace blocks_dxf {

// A BLOCK with its name and base point, the entities of `body`, then ENDBLK.
inline std::string Block(const std::string& name, const std::string& baseX,
                         const std::string& baseY, const std::string& body) {
    return "0\nBLOCK\n8\n0\n2\n" + name + "\n70\n0\n10\n" + baseX + "\n20\n" + baseY + "\n30\n0\n" +
           body + "0\nENDBLK\n8\n0\n";
}

inline std::string LineEntity(const std::string& x1, const std::string& y1, const std::string& x2,
                              const std::string& y2, const std::string& layer = "") {
    std::string text = "0\nLINE\n";
    if (!layer.empty())
        text += "8\n" + layer + "\n";
    return text + "10\n" + x1 + "\n20\n" + y1 + "\n11\n" + x2 + "\n21\n" + y2 + "\n";
}

// An INSERT of `name` at (x, y) followed by `more` groups (DXF text).
inline std::string Insert(const std::string& name, const std::string& x, const std::string& y,
                          const std::string& more = "") {
    return "0\nINSERT\n2\n" + name + "\n10\n" + x + "\n20\n" + y + "\n" + more;
}

// An ATTRIB with its groups in the usual order; empty arguments leave the group out.
inline std::string Attrib(const std::string& tag, const std::string& value, const std::string& x,
                          const std::string& y) {
    std::string text = "0\nATTRIB\n8\n0\n";
    if (!x.empty())
        text += "10\n" + x + "\n";
    if (!y.empty())
        text += "20\n" + y + "\n";
    if (!value.empty())
        text += "1\n" + value + "\n";
    if (!tag.empty())
        text += "2\n" + tag + "\n";
    return text + "70\n0\n";
}

inline const std::string kSeqEnd = "0\nSEQEND\n8\n0\n";

// A drawing of a BLOCKS section holding `blocks` and an ENTITIES section holding `entities`.
inline std::string Drawing(const std::string& blocks, const std::string& entities) {
    return "0\nSECTION\n2\nBLOCKS\n" + blocks + "0\nENDSEC\n" +
           testing_support::EntitiesFile(entities);
}

using Points = std::vector<std::pair<std::int32_t, std::int32_t>>;

// Journal lines of the map that start with `call`.
inline std::vector<std::string> CallsOf(HWND map, const std::string& call) {
    std::vector<std::string> found;
    for (const std::string& line : standin::Journal(map)) {
        if (line.rfind(call + "(", 0) == 0)
            found.push_back(line);
    }
    return found;
}

} // namespace blocks_dxf
