// The group reader over arbitrary bytes. Input: a filler byte, an operation byte, then the text.
//
// The filler byte puts a generated first group in front of the text so that the text meets the
// end of the reader's 256 KiB block (1 to 31: the text starts just before it) or follows a line
// longer than the block (32 to 47), where the buffer must keep, move and grow partial lines.
// Other values put nothing in front, which keeps most runs short.
// A text that begins with the sentinel of binary DXF (no filler) is read as binary.
// The operation byte seeds the sequence of reads and searches. The same operations run on a
// reader over the text in memory and on a reader over the same bytes as a file: both must give
// the same results, pairs and positions; every search must end, and no result may come after a
// failed read.
#include "fuzz_support.h"
#include "import/group_reader.h"

#include <array>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr std::size_t kBlock = 256 * 1024;

std::string Filler(std::uint8_t selector) {
    if (selector == 0 || selector >= 48)
        return {};
    // One comment group whose value line brings the text to the place the selector picks.
    std::size_t total = 0;
    if (selector < 32)
        total = kBlock - (static_cast<std::size_t>(selector) * 61) % 2048 - 8;
    else
        total = kBlock + (static_cast<std::size_t>(selector - 32) * 4099) % (kBlock / 2);
    std::string filler = "999\n";
    filler.append(total - filler.size() - 1, 'x');
    filler += '\n';
    return filler;
}

constexpr std::array kSoughtKeywords{KeywordId::Section, KeywordId::EndSec, KeywordId::Eof,
                                     KeywordId::ExtMax,  KeywordId::Block,  KeywordId::Vertex,
                                     KeywordId::SeqEnd,  KeywordId::None};
constexpr std::array kSoughtCodes{0, 2, 8, 10, 20, 70, -1, 2147483647};

// Result, code, value, keyword, exhausted, position.
using Outcome = std::tuple<std::int32_t, std::int32_t, std::string, KeywordId, bool, std::uint64_t>;

Outcome Apply(std::uint32_t operation, GroupReader& reader, GroupPair& pair) {
    std::int32_t result = 0;
    switch (operation % 8) {
    case 0:
    case 1:
    case 2:
        result = ReadPair(pair, reader);
        LookupKeyword(pair);
        break;
    case 3:
        result = SeekKeyword(pair, reader, kSoughtKeywords[(operation >> 3) % 8]);
        break;
    case 4:
        result = SeekKeywordInSection(pair, reader, kSoughtKeywords[(operation >> 3) % 8]);
        break;
    case 5:
        result = SeekCode(pair, reader, kSoughtCodes[(operation >> 3) % 8]);
        break;
    case 6:
        result = ProgressStep(reader);
        break;
    default:
        result = LookupKeyword(pair);
        break;
    }
    return {result,       pair.code,        std::string(pair.value),
            pair.keyword, reader.exhausted, reader.bufferOffset + reader.begin};
}

// The messages of one import: -1 and 0 at the start, percentages that only grow, each within
// 1 to 100, then 100 and -2 at the end.
void CheckProgress(const std::vector<LPARAM>& v) {
    FUZZ_CHECK(v.size() >= 4 && v[0] == -1 && v[1] == 0);
    FUZZ_CHECK(v[v.size() - 2] == 100 && v[v.size() - 1] == -2);
    for (std::size_t i = 2; i + 2 < v.size(); ++i)
        FUZZ_CHECK(v[i] > (i == 2 ? 0 : v[i - 1]) && v[i] <= 100);
}

HWND ProgressWindow(std::vector<LPARAM>& log) {
    return standin::CreateHostWindow([&log](UINT message, WPARAM, LPARAM value) {
        if (message == kProgressMessage)
            log.push_back(value);
        return LRESULT{0};
    });
}

void Run(std::uint8_t fillerSelector, std::uint8_t operationSeed, std::string_view text) {
    std::string bytes = Filler(fillerSelector);
    bytes.append(text);
    const std::string& path = fuzzing::InMemory(bytes);

    std::vector<LPARAM> memoryLog, diskLog;
    HWND memoryWindow = ProgressWindow(memoryLog);
    HWND diskWindow = ProgressWindow(diskLog);
    GroupReader memory, disk;
    GroupPair memoryPair, diskPair;
    OpenReaderOnText(memory, bytes);
    FUZZ_CHECK(OpenReader(disk, path.c_str()));
    FUZZ_CHECK(StartBinaryIfPresent(memory) == StartBinaryIfPresent(disk));
    memory.progressWindow = memoryWindow;
    disk.progressWindow = diskWindow;
    ProgressStart(memory);
    ProgressStart(disk);

    // Each operation that succeeds consumes at least one line, so the lines bound the count.
    const std::size_t bound = 2 * bytes.size() + 16;
    // A small xorshift generator: the same seed byte gives the same sequence of operations.
    std::uint32_t operation = 0x9E3779B9u ^ (operationSeed * 0x01000193u);
    std::size_t steps = 0;
    for (; steps < bound && !(memory.exhausted && disk.exhausted); ++steps) {
        operation ^= operation << 13;
        operation ^= operation >> 17;
        operation ^= operation << 5;
        const Outcome fromMemory = Apply(operation, memory, memoryPair);
        FUZZ_CHECK(fromMemory == Apply(operation, disk, diskPair));
        FUZZ_CHECK(memory.encoding != GroupEncoding::Text ||
                   std::get<2>(fromMemory).find('\n') == std::string::npos);
        FUZZ_CHECK(std::get<5>(fromMemory) <= bytes.size());
    }
    FUZZ_CHECK(steps < bound);
    // Once exhausted, every search fails at once and the pair keeps its value.
    const std::string kept(memoryPair.value);
    FUZZ_CHECK(SeekKeyword(memoryPair, memory, KeywordId::Eof) == 0);
    FUZZ_CHECK(SeekCode(memoryPair, memory, 0) == 0);
    FUZZ_CHECK(memoryPair.value == kept);
    CloseReader(disk);
    ProgressEnd(memory);
    ProgressEnd(disk);
    CheckProgress(memoryLog);
    FUZZ_CHECK(memoryLog == diskLog);
    standin::DestroyHostWindow(memoryWindow);
    standin::DestroyHostWindow(diskWindow);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::PrepareHost();
    if (size < 2)
        return 0;
    Run(data[0], data[1], std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2));
    return 0;
}

// A drawing as it is: read from the start, and once more across the end of the first block.
extern "C" void DxfcnvReplayRaw(const std::uint8_t* data, std::size_t size) {
    fuzzing::PrepareHost();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const std::uint8_t filler : {0, 1, 17, 40})
        Run(filler, static_cast<std::uint8_t>(size), text);
}
