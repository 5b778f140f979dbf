// The map-document loader of the command-line host (standin::LoadMapDocument) over arbitrary
// bytes. A document that loads must save and load again to the same map; a document that does
// not load must give a one-line reason and leave the map as it was.
#include "fuzz_support.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::PrepareHost();
    static const std::string saved = fuzzing::ScratchFolder() + "/saved.json";
    const std::string& input =
        fuzzing::InMemory(std::string_view(reinterpret_cast<const char*>(data), size));

    HWND map = standin::CreateMapWindow();
    const standin::MapSnapshot fresh = standin::Snapshot(map);
    std::string error;
    if (!standin::LoadMapDocument(map, input, &error)) {
        FUZZ_CHECK(!error.empty() && error.find('\n') == std::string::npos);
        FUZZ_CHECK(fuzzing::SameMap(fresh, standin::Snapshot(map)));
    } else {
        const standin::MapSnapshot loaded = standin::Snapshot(map);
        FUZZ_CHECK(fuzzing::ReferencesHold(loaded));
        FUZZ_CHECK(standin::SaveMapDocument(map, saved, &error));
        HWND again = standin::CreateMapWindow();
        FUZZ_CHECK(standin::LoadMapDocument(again, saved, &error));
        FUZZ_CHECK(fuzzing::SameMap(loaded, standin::Snapshot(again)));
        standin::DestroyMapWindow(again);
    }
    standin::DestroyMapWindow(map);
    return 0;
}
