// Limits of the import: the bounds that keep a hostile or broken drawing from taking all memory
// or time. docs/limits.md explains each one to users.
#pragma once

#include <cstddef>
#include <cstdint>

// The objects that the copies made by INSERTs in one import may hold in all, groups counted,
// unless the setting "MaxInsertedObjects" names another number. An INSERT whose copy would take
// the total past it is passed over, so that blocks nested ten deep with ten inserts each cannot
// multiply into billions of objects. Two million copies stay well inside the memory of a 32-bit
// host process.
inline constexpr std::uint64_t kMaxInsertedObjects = 2'000'000;

// The bytes of an attribute-table cell, its zero terminator included; longer texts are cut.
inline constexpr std::size_t kAttributeCellBytes = 256;
