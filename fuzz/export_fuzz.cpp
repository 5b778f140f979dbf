// The export (DXFFileExport) of maps built from arbitrary map documents. Whatever the map
// holds, the export must write a whole drawing without a message, leave no temporary file
// beside it, and the import must read that drawing back.
#include "fuzz_support.h"
#include "module/exports.h"

#include <filesystem>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::PrepareHost();
    static const std::string folder = fuzzing::ScratchFolder() + "/out";
    static const std::string drawing = folder + "/drawing.dxf";
    std::filesystem::create_directories(folder);
    const std::string& input =
        fuzzing::InMemory(std::string_view(reinterpret_cast<const char*>(data), size));

    HWND map = standin::CreateMapWindow();
    if (standin::LoadMapDocument(map, input, nullptr)) {
        fuzzing::messageBoxes.clear();
        FUZZ_CHECK(DXFFileExport(map, drawing.c_str(), 0, 0) == 0);
        FUZZ_CHECK(fuzzing::messageBoxes.empty());
        FUZZ_CHECK(std::distance(std::filesystem::directory_iterator(folder), {}) == 1);
        const std::string written = fuzzing::ReadText(drawing);
        FUZZ_CHECK(written.starts_with("  0\r\nSECTION\r\n") &&
                   written.ends_with("  0\r\nEOF\r\n"));
        HWND back = standin::CreateMapWindow();
        FUZZ_CHECK(DXFFileImport(back, drawing.c_str(), 0, nullptr) == 1);
        FUZZ_CHECK(fuzzing::ReferencesHold(standin::Snapshot(back)));
        standin::DestroyMapWindow(back);
    }
    standin::DestroyMapWindow(map);
    return 0;
}
