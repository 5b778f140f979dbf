// Map documents that are broken or built to hurt, loaded as the command-line host loads them
// (standin::LoadMapDocument): every prefix of a real document, and the inputs the fuzzer found
// (fuzz/regressions/document/). A document that cannot be loaded gives a reason that names the
// place of the fault and leaves the map as it was.
#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <sstream>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testing_support::MapWindow;
using testing_support::TempHome;

const fs::path kRegressions = fs::path(DXFCNV_SOURCE_DIR) / "fuzz" / "regressions" / "document";

struct Loaded {
    bool ok = false;
    std::string error;
    standin::MapSnapshot map;
};

Loaded Load(const fs::path& path) {
    MapWindow map;
    Loaded loaded;
    loaded.ok = standin::LoadMapDocument(map.Handle(), path.string(), &loaded.error);
    loaded.map = map.Snapshot();
    return loaded;
}

TEST(HostileDocuments, EveryPrefixOfADocumentIsRefusedWithAReason) {
    TempHome home;
    MapWindow source;
    const std::string drawing =
        testing_support::EntitiesFile("0\nLINE\n8\nA\n10\n0\n20\n0\n11\n5\n21\n5\n"
                                      "0\nTEXT\n8\nB\n10\n1\n20\n2\n40\n3\n1\nHall\n"
                                      "0\nARC\n10\n0\n20\n0\n40\n5\n50\n0\n51\n90\n");
    ASSERT_EQ(testing_support::ImportDxf(home, source.Handle(), drawing), 1);
    const fs::path whole = home.Path() / "whole.json";
    ASSERT_TRUE(standin::SaveMapDocument(source.Handle(), whole.string(), nullptr));
    std::ifstream in(whole, std::ios::binary);
    const std::string document((std::istreambuf_iterator<char>(in)), {});

    const fs::path cut = home.Path() / "cut.json";
    std::size_t loadable = 0;
    for (std::size_t length = 0; length < document.size(); ++length) {
        testing_support::WriteFile(home.Path(), "cut.json", document.substr(0, length));
        const Loaded loaded = Load(cut);
        if (loaded.ok) {
            ++loadable;
            continue;
        }
        ASSERT_FALSE(loaded.error.empty()) << length;
        ASSERT_EQ(loaded.error.find('\n'), std::string::npos) << length;
        // The map keeps what a new map holds: one layer, no objects.
        ASSERT_EQ(loaded.map.layers.size(), 1u) << length;
        ASSERT_TRUE(loaded.map.objects.empty()) << length;
    }
    // Only the document without its last line end is whole JSON.
    EXPECT_EQ(loadable, 1u);
}

TEST(HostileDocuments, AGroupFaultNamesTheGroupAndTheMember) {
    // Found by fuzzing: the place of a group fault was spelt out through a chain of
    // locations that had already ended.
    const Loaded missing = Load(kRegressions / "group-member-missing-names-its-place.json");
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error, "groups[1].members[1]: no object with id 99");
    const Loaded cycle = Load(kRegressions / "group-cycle-names-its-place.json");
    EXPECT_FALSE(cycle.ok);
    EXPECT_TRUE(cycle.error == "groups[0]: the group holds itself through its members" ||
                cycle.error == "groups[1]: the group holds itself through its members")
        << cycle.error;
}

TEST(HostileDocuments, AnObjectTypeWithLineBreaksGivesAOneLineReason) {
    // Found by fuzzing: the unknown type went into the reason as it stood, line breaks and all.
    const Loaded loaded = Load(kRegressions / "object-type-with-a-line-break.json");
    EXPECT_FALSE(loaded.ok);
    EXPECT_EQ(loaded.error,
              "layers[0].objects[0].type: unknown object type \"SECTION\\nENTITIES\\u0000\\r\"");
}

TEST(HostileDocuments, LayerNumbersAtTheTopOfTheRangeDoNotOverflow) {
    // Found by fuzzing: a repeated layer number was moved to the highest number plus one, which
    // overflowed when the highest was the largest 32-bit number.
    const Loaded loaded = Load(kRegressions / "layers-numbered-at-the-top.json");
    ASSERT_TRUE(loaded.ok) << loaded.error;
    ASSERT_FALSE(loaded.map.layers.empty());
    EXPECT_EQ(loaded.map.layers[0].name, "top");
    EXPECT_EQ(loaded.map.layers[0].number, std::numeric_limits<std::int32_t>::max());
    for (const standin::Layer& layer : loaded.map.layers)
        EXPECT_GE(layer.number, 0) << layer.name;
}

TEST(HostileDocuments, NestingBeyondAnyReasonIsRefused) {
    TempHome home;
    for (const auto& [what, text] : std::vector<std::pair<std::string, std::string>>{
             {"arrays", std::string(100'000, '[') + std::string(100'000, ']')},
             {"objects", [] {
                  std::string text;
                  for (int i = 0; i < 100'000; ++i)
                      text += "{\"a\":";
                  return text + "1" + std::string(100'000, '}');
              }()}}) {
        SCOPED_TRACE(what);
        const fs::path path = testing_support::WriteFile(home.Path(), "deep.json", text);
        const Loaded loaded = Load(path);
        EXPECT_FALSE(loaded.ok);
        EXPECT_FALSE(loaded.error.empty());
    }
}

} // namespace
