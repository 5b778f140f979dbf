// The whole import (DXFFileImport) over arbitrary drawings, under every combination of its
// settings. Input: four option bytes, then the DXF text.
//
//   byte 0: bit 0 UseBlock, 1 "Group polylines after SEQEND", 2 "Attributes into one column",
//           3 SetLayerOrderFromIniFile, 4 an attribute window, 5 that window is a host window
//           whose first row is near the largest row number, 6 a ZOffset, 7 a second import
//           into the map the first one filled
//   byte 1: bits 0-3 the multiplier, 4-5 the layer-mapping file, 6-7 the point-symbol registry
//   byte 2: bits 0-2 the X offset, 3-5 the Y offset
//   byte 3: bits 0-1 the path: a file in memory, a file in a folder, a file whose name holds
//           blanks, or a folder (which cannot be opened); bit 2 ExtendedEntities (which also
//           reads binary DXF)
//
// The import must open the file (result 1, no message) or, for the folder, refuse it with one
// message and leave the map as it was; it must end, and leave a map whose layers and groups
// name only objects of the map.
#include "fuzz_support.h"
#include "module/exports.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>

namespace {

constexpr std::size_t kOptionBytes = 4;
constexpr const char* kPointKey = "HKEY_CURRENT_USER\\Software\\Orv\\Vexa 8.0\\Settings\\Point";

constexpr std::array<const char*, 16> kMultipliers{
    nullptr,       "double:0",     "double:1",      "double:2.5",  "double:-1",  "double:0.001",
    "double:1e6",  "double:1e300", "double:-1e300", "double:1e-9", "double:nan", "double:inf",
    "double:-inf", "int:2",        "text:3",        "double:3"};
constexpr std::array<std::int64_t, 8> kOffsets{0,       1,          -1,          100,
                                               -100000, 2147483647, -2147483648, 123456789};

std::string Flag(const char* name, bool on) {
    return std::string(name) + "=int:" + (on ? "1" : "0") + "\n";
}

std::string SettingsText(const std::uint8_t* options, const std::string& iniPath) {
    const std::uint8_t flags = options[0];
    std::string text = "[Converters\\Imports\\Dxf]\n";
    text += Flag("UseBlock", flags & 1);
    text += Flag("Group polylines after SEQEND", flags & 2);
    text += Flag("Attributes into one column", flags & 4);
    text += Flag("SetLayerOrderFromIniFile", flags & 8);
    text += Flag("ExtendedEntities", options[3] & 4);
    if (flags & 64)
        text += "ZOffset=int:-7\n";
    if (const char* multiplier = kMultipliers[options[1] & 15])
        text += std::string("Multiplier=") + multiplier + "\n";
    text += "XOffset=int:" + std::to_string(kOffsets[options[2] & 7]) + "\n";
    text += "YOffset=int:" + std::to_string(kOffsets[(options[2] >> 3) & 7]) + "\n";
    if (!iniPath.empty())
        text += "IniFile=text:" + iniPath + "\n";
    return text;
}

// The layer-mapping file: none, the bundled sample, or records that catch every layer.
std::string LayerMapping(std::uint8_t choice) {
    return std::array<std::string, 4>{"", fuzzing::ReadText(DXFCNV_SOURCE_DIR "/samples/dxf.ini"),
                                      "0 1 \"0\" 0 -1 0 1 0 1\nA* 2147483647 \"Top\" 0x7fffffff -1 "
                                      "-1 3 -1 1\n?* 0 \"\" 0 -1 0 0 0 1\n",
                                      "* 7 \"Everything\" 0 -1 0 2 0 0\n"}[choice];
}

// The point-symbol values in the registry: the defaults, empty values, long values, values of
// the wrong type.
std::string Registry(std::uint8_t choice) {
    const std::array<std::string, 4> values{
        "", "Symbol=sz:\nFontName=sz:\nFontSize=dword:0\n",
        "Symbol=sz:" + std::string(300, 'S') + "\nFontName=sz:" + std::string(300, 'F') +
            "\nFontSize=dword:4294967295\n",
        "Symbol=hex(3):00ff\nFontName=dword:7\nFontSize=hex(4):0102\n"};
    return choice ? std::string("[") + kPointKey + "]\n" + values[choice] : "";
}

// A host attribute window that answers the first-row question (1042) with a row near the
// largest and every column question as the table window would, so that the row count can run
// out of room.
HWND HostileAttributeWindow() {
    return standin::CreateHostWindow([](UINT message, WPARAM, LPARAM) -> LRESULT {
        return message == 1042   ? std::numeric_limits<std::int32_t>::max() - 1
               : message == 1025 ? -1
               : message == 1043 ? 5
                                 : 1;
    });
}

struct Paths {
    std::string folder = fuzzing::ScratchFolder() + "/in";
    std::string plain = folder + "/drawing.dxf";
    std::string blanks = folder + "/a drawing with blanks .dxf";
    std::string ini = fuzzing::ScratchFolder() + "/layers.ini";
};

void Run(const std::uint8_t* options, std::string_view dxf) {
    static Paths paths;
    const std::string home = fuzzing::ScratchFolder() + "/home";
    const std::uint8_t iniChoice = (options[1] >> 4) & 3;
    if (iniChoice)
        fuzzing::WriteWholeFile(paths.ini, LayerMapping(iniChoice));
    fuzzing::WriteWholeFile(home + "/settings.ini",
                            SettingsText(options, iniChoice ? paths.ini : ""));
    fuzzing::WriteWholeFile(home + "/registry.ini", Registry((options[1] >> 6) & 3));
    standin::ReloadConfiguration();

    std::filesystem::create_directories(paths.folder);
    const std::string path =
        std::array{fuzzing::InMemory(dxf), paths.plain, paths.blanks, paths.folder}[options[3] & 3];
    if ((options[3] & 3) == 1 || (options[3] & 3) == 2)
        fuzzing::WriteWholeFile(path, dxf);

    HWND map = standin::CreateMapWindow();
    HWND attributes = nullptr;
    if (options[0] & 16)
        attributes =
            (options[0] & 32) ? HostileAttributeWindow() : standin::CreateAttributeWindow();
    fuzzing::messageBoxes.clear();
    if ((options[3] & 3) == 3) {
        const standin::MapSnapshot before = standin::Snapshot(map);
        FUZZ_CHECK(DXFFileImport(map, path.c_str(), 0, attributes) == 0);
        FUZZ_CHECK(fuzzing::messageBoxes == std::vector<std::string>{"File Opening Problems"});
        FUZZ_CHECK(fuzzing::SameMap(before, standin::Snapshot(map)));
    } else {
        FUZZ_CHECK(DXFFileImport(map, path.c_str(), 0, attributes) == 1);
        if (options[0] & 128)
            FUZZ_CHECK(VexaImport(map, path.c_str(), 0, attributes) == 1);
        FUZZ_CHECK(fuzzing::messageBoxes.empty());
    }
    FUZZ_CHECK(fuzzing::ReferencesHold(standin::Snapshot(map)));
    if (attributes)
        standin::DestroyHostWindow(attributes);
    standin::DestroyMapWindow(map);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::PrepareHost();
    if (size < kOptionBytes)
        return 0;
    Run(data,
        std::string_view(reinterpret_cast<const char*>(data) + kOptionBytes, size - kOptionBytes));
    return 0;
}

// A drawing as it is, under the defaults and under a few settings far from them, classic and
// extended.
extern "C" void DxfcnvReplayRaw(const std::uint8_t* data, std::size_t size) {
    fuzzing::PrepareHost();
    const std::string_view dxf(reinterpret_cast<const char*>(data), size);
    constexpr std::uint8_t kVariants[][kOptionBytes] = {
        {0x0F, 0x00, 0x00, 0x00}, // the defaults
        {0x18, 0x63, 0x1B, 0x01}, // no blocks or grouping, multiplier 2.5, offsets, attributes
        {0x37, 0x97, 0x2D, 0x00}, // multiplier 1e300, extreme offsets, a hostile row number
        {0x0F, 0x00, 0x00, 0x04}, // the defaults, extended
        {0x18, 0x63, 0x1B, 0x05}, // the second one, extended
    };
    for (const auto& options : kVariants)
        Run(options, dxf);
}
