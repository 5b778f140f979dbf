// What the fuzz targets share: a scratch folder of the process for the files a run needs, a
// quiet stand-in host, files that live in memory, and the check that ends a run on a fault.
#pragma once

#include "standin/standin.h"
#include "test_support.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fuzzing {

using testing_support::ReadText;
using testing_support::ReferencesHold;

// Ends the run with a message when `condition` fails: libFuzzer records the input as a crash,
// the replay program exits with a failure.
#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? static_cast<void>(0) : ::fuzzing::CheckFailed(#condition, __FILE__, __LINE__))
[[noreturn]] void CheckFailed(const char* condition, const char* file, int line);

// A folder of this process (under /dev/shm when it exists, so that no run writes to the disk),
// made on first use and removed when the process ends. VEXA_HOME points at its "home" folder.
const std::string& ScratchFolder();

// Makes the stand-in host quiet: the texts of the message boxes are kept instead of printed
// (clear them before a run).
void PrepareHost();
inline std::vector<std::string> messageBoxes;

// Replaces the whole content of `path`.
void WriteWholeFile(const std::string& path, std::string_view bytes);

// Puts `bytes` into the process's file that lives in memory only (memfd), replacing what it
// held, and gives the path that reaches it.
const std::string& InMemory(std::string_view bytes);

// Whether two snapshots hold the same map (object ids aside); reals compare by their bits, so
// NaN equals NaN.
bool SameMap(const standin::MapSnapshot& a, const standin::MapSnapshot& b);

} // namespace fuzzing
