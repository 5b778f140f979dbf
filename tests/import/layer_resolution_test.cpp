// Layer resolution through the layer-mapping file, by name, and the grouping of objects.
#include "import/layer_resolution.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <string>

namespace {

using namespace testing_support;

// The host's layer calls but Get (Search, Create, Set) of an import of LINEs on the layers named.
std::size_t LayerCalls(const TempHome& home, const std::vector<std::string>& layers) {
    MapWindow map;
    standin::EnableJournal(map.Handle(), true);
    std::string body;
    for (const std::string& layer : layers)
        body += "0\nLINE\n8\n" + layer + "\n10\n0\n20\n0\n11\n1\n21\n1\n";
    EXPECT_EQ(ImportDxf(home, map.Handle(), EntitiesFile(body)), 1);
    std::size_t calls = 0;
    for (const std::string& line : standin::Journal(map.Handle()))
        calls += line.rfind("map_layer_", 0) == 0 && line.rfind("map_layer_Get", 0) != 0;
    return calls;
}

// The layer step is taken once per layer change, and never for the current map layer.
TEST(LayerStep, OnlyALayerChangeCallsTheHost) {
    TempHome home;
    EXPECT_GT(LayerCalls(home, {"A"}), 0u);
    EXPECT_EQ(LayerCalls(home, {"A", "A", "A"}), LayerCalls(home, {"A"}));
    EXPECT_EQ(LayerCalls(home, {"0", "0"}), 1u) << "one search finds the current layer";
}

ZOVIniEntry Entry(std::int32_t number, const std::string& name, std::uint32_t attr7 = 0) {
    ZOVIniEntry entry{};
    std::memcpy(entry.bytes + zov::kLayerNumber, &number, sizeof number);
    std::memcpy(entry.bytes + zov::kLayerName, name.c_str(), name.size() + 1);
    std::memcpy(entry.bytes + zov::kAttr7, &attr7, sizeof attr7);
    return entry;
}

// A DXF layer met first without a mapping takes a number that a mapped layer claims later:
// the first layer moves to one above the highest number and the mapped one gets the number.
TEST(ResolveLayer, RenumbersALayerWhoseNumberAnEntryClaims) {
    TempHome home;
    MapWindow map;
    LayerList list;
    ASSERT_NE(ResolveLayer(map.Handle(), -1, "A", nullptr, &list), nullptr);
    const std::int32_t claimed = FindLayer(map.Snapshot(), "A")->number;
    ASSERT_EQ(list, LayerList{claimed});
    const ZOVIniEntry entry = Entry(claimed, "Mapped", 3);
    ASSERT_NE(ResolveLayer(map.Handle(), -1, "B", &entry, &list), nullptr);

    const auto snapshot = map.Snapshot();
    const standin::Layer* layerA = FindLayer(snapshot, "A");
    const standin::Layer* mapped = FindLayer(snapshot, "Mapped");
    ASSERT_NE(layerA, nullptr);
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(mapped->number, claimed);
    EXPECT_EQ(layerA->number,
              std::max_element(snapshot.layers.begin(), snapshot.layers.end(),
                               [](const auto& x, const auto& y) { return x.number < y.number; })
                  ->number);
    EXPECT_EQ(list, LayerList{layerA->number});
    EXPECT_EQ(mapped->attributes[0], 3);
    EXPECT_EQ(snapshot.currentLayer, claimed) << "the mapped layer is current";
}

// When an entry claims the number of a layer taken by name, the list follows the move, so that
// the mapped layer, resolved again after switches, stays the one layer of its entry instead of
// being moved away in its turn.
TEST(ResolveLayer, AClaimedNumberLeavesTheListForGood) {
    TempHome home;
    MapWindow map;
    LayerList list;
    for (const char* name : {"A", "B", "A"})
        ASSERT_NE(ResolveLayer(map.Handle(), -1, name, nullptr, &list), nullptr);
    const std::int32_t claimed = FindLayer(map.Snapshot(), "A")->number;
    const ZOVIniEntry entry = Entry(claimed, "Mapped");
    for (int i = 0; i < 2; ++i) {
        ASSERT_NE(ResolveLayer(map.Handle(), -1, "C", &entry, &list), nullptr);
        ASSERT_NE(ResolveLayer(map.Handle(), -1, "B", nullptr, &list), nullptr);
        ASSERT_NE(ResolveLayer(map.Handle(), -1, "A", nullptr, &list), nullptr);
    }
    const auto snapshot = map.Snapshot();
    EXPECT_EQ(std::count_if(snapshot.layers.begin(), snapshot.layers.end(),
                            [](const standin::Layer& layer) { return layer.name == "Mapped"; }),
              1);
    EXPECT_EQ(FindLayer(snapshot, "Mapped")->number, claimed);
    EXPECT_EQ(list,
              (LayerList{FindLayer(snapshot, "A")->number, FindLayer(snapshot, "B")->number}));
}

TEST(ResolveLayer, EntryWithUnknownNumberTakesOverTheLayerOfTheName) {
    TempHome home;
    MapWindow map;
    ResolveLayer(map.Handle(), -1, "Plan", nullptr, nullptr);
    const std::int32_t before = FindLayer(map.Snapshot(), "Plan")->number;
    const ZOVIniEntry entry = Entry(77, "Renamed");
    ResolveLayer(map.Handle(), -1, "Plan", &entry, nullptr);
    const auto snapshot = map.Snapshot();
    ASSERT_NE(FindLayer(snapshot, "Renamed"), nullptr);
    EXPECT_EQ(FindLayer(snapshot, "Renamed")->number, before) << "its number stays";
    EXPECT_EQ(FindLayer(snapshot, "Plan"), nullptr);
}

// The layer list's set against std::set, over random inserts and erases that reach the two
// numbers sharing the bits of its slot marks, the limits, and enough numbers for rebuilds that
// drop erased slots.
TEST(LayerList, AgreesWithAnOrderedSet) {
    std::mt19937 random(2026);
    const std::int32_t special[] = {-1, -2, INT32_MIN, INT32_MAX, 0};
    LayerList numbers;
    std::set<std::int32_t> expected;
    for (int step = 0; step < 200000; ++step) {
        const std::int32_t number = step % 50 == 0
                                        ? special[random() % 5]
                                        : static_cast<std::int32_t>(random() % 20000) - 10000;
        if (random() % 3 == 0) {
            numbers.Erase(number);
            expected.erase(number);
        } else {
            numbers.Insert(number);
            expected.insert(number);
        }
        ASSERT_EQ(numbers.Contains(number), expected.count(number) == 1) << step;
    }
    ASSERT_EQ(numbers.Size(), expected.size());
    for (std::int32_t number = -10001; number <= 10001; ++number)
        ASSERT_EQ(numbers.Contains(number), expected.count(number) == 1) << number;
    for (const std::int32_t number : special)
        ASSERT_EQ(numbers.Contains(number), expected.count(number) == 1) << number;
}

TEST(ResolveLayer, EntryNameWithoutTerminatorIsCutAtItsField) {
    ZOVIniEntry entry{};
    std::memset(entry.bytes, 'N', sizeof entry.bytes);
    EXPECT_EQ(EntryLayerName(entry).size(), zov::kLayerNameEnd - zov::kLayerName);
}

// Nothing without a slot or an object; the first object waits in the slot, the second makes the
// group, which the third joins.
TEST(AddToGroup, GathersThreeObjectsIntoOneGroup) {
    TempHome home;
    MapWindow map;
    const MAP_COORDPT points[2] = {{0, 0}, {1, 1}};
    OBJHANDLE objects[3] = {};
    for (OBJHANDLE& object : objects)
        map_polyline_Create(map.Handle(), &object, points, 2, 0);
    OBJHANDLE slot = nullptr;
    EXPECT_EQ(AddToGroup(map.Handle(), nullptr, objects[0]), nullptr);
    EXPECT_EQ(AddToGroup(map.Handle(), &slot, nullptr), nullptr);
    EXPECT_EQ(AddToGroup(map.Handle(), &slot, objects[0]), objects[0]);
    EXPECT_EQ(slot, objects[0]);
    OBJHANDLE group = AddToGroup(map.Handle(), &slot, objects[1]);
    EXPECT_EQ(map_object_type_Get(map.Handle(), group), kTypeGroup);
    EXPECT_EQ(AddToGroup(map.Handle(), &slot, objects[2]), group);
    ASSERT_NE(standin::FindObject(map.Handle(), group), nullptr);
    EXPECT_EQ(standin::FindObject(map.Handle(), group)->members.size(), 3u);
}

} // namespace
