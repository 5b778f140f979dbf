// The reading step shared by the entity handlers.
#pragma once

#include "import/group_reader.h"
#include "import/numbers.h"

#include <array>
#include <cstddef>
#include <initializer_list>
#include <limits>
#include <string>

// The not-given marker of a double coordinate: the largest finite double.
inline constexpr double kNotGiven = std::numeric_limits<double>::max();

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

// The index of `code` in `codes`, or N when the entity does not store that code.
template <std::size_t N>
constexpr std::size_t FieldIndex(const std::array<std::int32_t, N>& codes, std::int32_t code) {
    std::size_t i = 0;
    while (i < N && codes[i] != code)
        ++i;
    return i;
}

// The values of an entity's checked groups, one per code of its code list, kNotGiven until read.
template <std::size_t N>
struct CheckedFields {
    std::array<double, N> values;
    CheckedFields() { values.fill(kNotGiven); }
    double operator[](std::size_t i) const { return values[i]; }
    // Whether every one of the `required` fields was given.
    bool Given(std::initializer_list<std::size_t> required) const {
        for (std::size_t i : required) {
            if (values[i] == kNotGiven)
                return false;
        }
        return true;
    }
};

// The `other` of ReadCheckedEntity for an entity that skips every group it does not store.
constexpr bool SkipOtherGroup(const GroupPair&) {
    return true;
}

// The reading loop of an entity made of checked values (LINE, ARC, CIRCLE): reads until the
// entity ends, keeps group 8 as the layer name, stores the value of each group of `codes` with
// the numeric value check and hands every other group to `other`, which returns false to drop
// the entity. False when the input ran out or the entity is dropped; a malformed value leaves
// its pair current.
template <std::size_t N, typename Other>
bool ReadCheckedEntity(GroupReader& reader, GroupPair& pair,
                       const std::array<std::int32_t, N>& codes, std::string& layerName,
                       CheckedFields<N>& fields, Other other) {
    for (;;) {
        const EntityStep step = NextEntityGroup(reader, pair);
        if (step == EntityStep::Exhausted)
            return false;
        if (step == EntityStep::Ended)
            return true;
        if (pair.code == 8) {
            layerName.assign(pair.value);
            continue;
        }
        const std::size_t field = FieldIndex(codes, pair.code);
        if (field < N ? !StoreChecked(pair, fields.values[field]) : !other(pair))
            return false;
    }
}
