// The reading step shared by the entity handlers.
#pragma once

#include "import/group_reader.h"
#include "import/numbers.h"

#include <limits>

// The not-given marker of a double coordinate: the largest finite double.
inline constexpr double kNotGiven = std::numeric_limits<double>::max();
// The not-given marker of an integer coordinate (INSERT, ATTRIB).
inline constexpr std::int32_t kNotGivenInt = std::numeric_limits<std::int32_t>::max();

enum class EntityStep {
    Group,     // the pair belongs to the entity
    Ended,     // the pair has code 0 or is a keyword: it ends the entity and stays current
    Exhausted, // no further pair can be read
};

// Reads and classifies the next pair of an entity.
inline EntityStep NextEntityGroup(GroupReader& reader, GroupPair& pair) {
    if (!ReadPair(pair, reader))
        return EntityStep::Exhausted;
    LookupKeyword(pair);
    if (pair.code == 0 || pair.keyword != KeywordId::None)
        return EntityStep::Ended;
    return EntityStep::Group;
}

// Runs the numeric value check on the pair's value and stores the number; false when the value
// is malformed (the number is stored all the same).
inline bool StoreChecked(const GroupPair& pair, double& target) {
    const CheckedNumber number = CheckNumber(pair.value);
    target = number.value;
    return !number.malformed;
}
