// The stand-in's layers: numbering, search, the mode bits, map order and stale handles.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using testing_support::MapWindow;

constexpr std::uint32_t kAll = 0xFFFFFFFFu;
constexpr std::uint16_t kAll16 = 0xFFFFu;

standin::ObjectId Id(OBJHANDLE handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

OBJHANDLE CreateLayer(HWND map, std::int32_t number, const char* name, std::int32_t mode = 7) {
    OBJHANDLE layer = nullptr;
    map_layer_Create(map, &layer, nullptr, 0, number, name, 0, kAll, 0, 1, mode, 0, 0);
    return layer;
}

std::int32_t NumberOf(HWND map, OBJHANDLE layer) {
    std::int32_t number = -99;
    map_layer_Get(map, layer, &number, nullptr, 0, nullptr);
    return number;
}

std::string NameOf(HWND map, OBJHANDLE layer) {
    char name[128] = "unread";
    map_layer_Get(map, layer, nullptr, name, sizeof name, nullptr);
    return name;
}

std::vector<std::string> LayerNamesInOrder(HWND map) {
    std::vector<std::string> names;
    for (const standin::Layer& layer : standin::Snapshot(map).layers) {
        names.push_back(layer.name);
    }
    return names;
}

OBJHANDLE Line(HWND map, std::int32_t x) {
    const MAP_COORDPT points[] = {{x, 0}, {x + 1, 1}};
    OBJHANDLE line = nullptr;
    map_polyline_Create(map, &line, points, 2, 0);
    return line;
}

TEST(StandinLayers, NewMapHoldsLayerOneNamedZeroAsCurrent) {
    MapWindow map;
    const OBJHANDLE current = map_layer_Search(map.Handle(), -1, nullptr);
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(NumberOf(map.Handle(), current), 1);
    EXPECT_EQ(NameOf(map.Handle(), current), "0");
    EXPECT_EQ(map_get_MaxLayNumber(map.Handle()), 1);
}

TEST(StandinLayers, AnyNumberTakesOneAboveTheHighestAndTakenNumbersAreRefused) {
    MapWindow map;
    const OBJHANDLE seven = CreateLayer(map.Handle(), 7, "seven");
    EXPECT_EQ(NumberOf(map.Handle(), seven), 7);
    EXPECT_EQ(NumberOf(map.Handle(), CreateLayer(map.Handle(), -1, "next")), 8);

    OBJHANDLE refused = seven;
    EXPECT_EQ(
        map_layer_Create(map.Handle(), &refused, nullptr, 0, 7, "again", 0, kAll, 0, 1, 7, 0, 0),
        0);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(map_layer_Create(map.Handle(), &refused, nullptr, 0, -5, "negative", 0, kAll, 0, 1, 7,
                               0, 0),
              0);
    EXPECT_EQ(standin::Snapshot(map.Handle()).layers.size(), 3u);
}

TEST(StandinLayers, SearchByNumberCurrentAndFirstNameInMapOrder) {
    MapWindow map;
    const HWND m = map.Handle();
    const OBJHANDLE first = CreateLayer(m, 5, "Twin", 3);
    const OBJHANDLE second = CreateLayer(m, 6, "Twin", 7);
    EXPECT_EQ(map_layer_Search(m, 5, nullptr), first);
    EXPECT_EQ(map_layer_Search(m, -1, nullptr), second) << "mode 7 made it current";
    EXPECT_EQ(map_layer_Search(m, -1, "Twin"), first);
    EXPECT_EQ(map_layer_Search(m, 42, nullptr), nullptr);
    EXPECT_EQ(map_layer_Search(m, -2, nullptr), nullptr);
    EXPECT_EQ(map_layer_Search(m, -1, "twin"), nullptr) << "names are case-sensitive";

    // Moving the second in front makes it the first of that name.
    ASSERT_EQ(map_layer_predecessor_Set(m, second, nullptr), 1);
    EXPECT_EQ(map_layer_Search(m, -1, "Twin"), second);
    // After a rename only the other one is found by the old name.
    map_layer_Set(m, second, nullptr, 0, -1, "Single", kAll, kAll, -1, kAll, 1, kAll16, 0, 0);
    EXPECT_EQ(map_layer_Search(m, -1, "Twin"), first);
    EXPECT_EQ(map_layer_Search(m, -1, "Single"), second);
}

// The name index against a plain scan of the map order, through enough layers, renames and
// deletions to grow the index several times and leave erased slots in the probe runs.
TEST(StandinLayers, NameSearchAgreesWithAScanAfterManyRenamesAndDeletions) {
    MapWindow map;
    const HWND m = map.Handle();
    constexpr int kLayers = 3000;
    std::vector<OBJHANDLE> layers;
    for (int i = 0; i < kLayers; ++i) {
        layers.push_back(CreateLayer(m, 10 + i, ("N" + std::to_string(i % 97)).c_str(), 3));
    }
    for (int i = 0; i < kLayers; i += 3) {
        map_layer_Set(m, layers[i], nullptr, 0, -1, ("R" + std::to_string(i % 41)).c_str(), kAll,
                      kAll, -1, kAll, 1, kAll16, 0, 0);
    }
    for (int i = 1; i < kLayers; i += 5) {
        ASSERT_EQ(DeleteTree(standin_WindowObjectDatabase(m), layers[i], kRefLayerChildren), 1);
    }
    const std::vector<standin::Layer> order = standin::Snapshot(m).layers;
    auto firstByScan = [&](const std::string& name) -> standin::ObjectId {
        for (const standin::Layer& layer : order) {
            if (layer.name == name) {
                return layer.id;
            }
        }
        return 0;
    };
    for (const char* prefix : {"N", "R", "X"}) {
        for (int k = 0; k < 100; ++k) {
            const std::string name = prefix + std::to_string(k);
            EXPECT_EQ(Id(map_layer_Search(m, -1, name.c_str())), firstByScan(name)) << name;
        }
    }
}

TEST(StandinLayers, AllBitsLeaveSettingsUnchangedAndModeSevenMakesCurrent) {
    MapWindow map;
    const HWND m = map.Handle();
    OBJHANDLE layer = nullptr;
    map_layer_Create(m, &layer, nullptr, 0, 4, "L", 11, 22, 33, 1, 3, 55, 0);
    ASSERT_NE(map_layer_Search(m, -1, nullptr), layer) << "mode 3 does not make it current";

    ASSERT_EQ(
        map_layer_Set(m, layer, nullptr, 0, -1, nullptr, kAll, kAll, -1, kAll, 7, kAll16, 0, 0), 1);
    std::int32_t attributes[6] = {};
    map_layer_Get(m, layer, nullptr, nullptr, 0, attributes);
    EXPECT_EQ(attributes[0], 11);
    EXPECT_EQ(attributes[1], 22);
    EXPECT_EQ(attributes[2], 33);
    EXPECT_EQ(attributes[3], 1);
    EXPECT_EQ(attributes[5], 55);
    EXPECT_EQ(NumberOf(m, layer), 4);
    EXPECT_EQ(NameOf(m, layer), "L");
    EXPECT_EQ(map_layer_Search(m, -1, nullptr), layer);

    map_layer_Set(m, layer, nullptr, 0, -1, "Named", 1, 2, 3, 1, 7, 6, 0, 0);
    map_layer_Get(m, layer, nullptr, nullptr, 0, attributes);
    EXPECT_EQ(NameOf(m, layer), "Named");
    EXPECT_EQ((std::vector<std::int32_t>(attributes, attributes + 6)),
              (std::vector<std::int32_t>{1, 2, 3, 1, 7, 6}));
}

TEST(StandinLayers, ModeThreeRenumbersOutOfTheWayWithoutMakingCurrent) {
    // The layer-resolution flow: a layer holding number 5 moves to the highest number + 1, and
    // number 5 is free for a new layer.
    MapWindow map;
    const HWND m = map.Handle();
    const OBJHANDLE a = CreateLayer(m, 5, "A");
    const OBJHANDLE current = CreateLayer(m, 9, "Current");
    const std::int32_t moved = map_get_MaxLayNumber(m) + 1;
    ASSERT_EQ(
        map_layer_Set(m, a, nullptr, 0, moved, nullptr, kAll, kAll, -1, kAll, 3, kAll16, 0, 0), 1);
    EXPECT_EQ(NumberOf(m, a), 10);
    EXPECT_EQ(NameOf(m, a), "A");
    EXPECT_EQ(map_layer_Search(m, 5, nullptr), nullptr);
    EXPECT_EQ(map_layer_Search(m, 10, nullptr), a);
    EXPECT_EQ(map_layer_Search(m, -1, nullptr), current);
    EXPECT_NE(CreateLayer(m, 5, "B"), nullptr);
}

TEST(StandinLayers, RenumberingOntoATakenNumberChangesNothing) {
    MapWindow map;
    const HWND m = map.Handle();
    const OBJHANDLE a = CreateLayer(m, 5, "A");
    CreateLayer(m, 6, "B");
    EXPECT_EQ(map_layer_Set(m, a, nullptr, 0, 6, "Renamed", kAll, kAll, -1, kAll, 7, kAll16, 0, 0),
              0);
    EXPECT_EQ(NumberOf(m, a), 5);
    EXPECT_EQ(NameOf(m, a), "A");
}

TEST(StandinLayers, ObjectListsMoveObjectsAndGroupMembersToTheEnd) {
    MapWindow map;
    const HWND m = map.Handle();
    const OBJHANDLE first = map_layer_Search(m, -1, nullptr);
    const OBJHANDLE a = Line(m, 1);
    const OBJHANDLE b = Line(m, 2);
    const OBJHANDLE c = Line(m, 3);
    OBJHANDLE group = nullptr;
    const OBJHANDLE members[] = {b, c};
    map_group_Create(m, &group, members, 2, 0);

    const OBJHANDLE target = CreateLayer(m, 2, "Target", 3);
    const OBJHANDLE moving[] = {group, a, b};
    ASSERT_EQ(
        map_layer_Set(m, target, moving, 3, -1, nullptr, kAll, kAll, -1, kAll, 3, kAll16, 0, 0), 1);
    const auto snapshot = standin::Snapshot(m);
    EXPECT_TRUE(snapshot.layers[0].objects.empty());
    EXPECT_EQ(snapshot.layers[1].objects, (std::vector<standin::ObjectId>{Id(b), Id(c), Id(a)}));
    EXPECT_EQ(standin::FindObject(m, a)->layer, Id(target));
    EXPECT_EQ(map_layer_Search(m, -1, nullptr), first);
}

TEST(StandinLayers, PredecessorPutsALayerRightAfterAnother) {
    MapWindow map;
    const HWND m = map.Handle();
    const OBJHANDLE a = CreateLayer(m, 2, "A");
    const OBJHANDLE b = CreateLayer(m, 3, "B");
    const OBJHANDLE c = CreateLayer(m, 4, "C");
    const OBJHANDLE zero = map_layer_Search(m, 1, nullptr);

    EXPECT_EQ(map_layer_predecessor_Set(m, c, zero), 1);
    EXPECT_EQ(LayerNamesInOrder(m), (std::vector<std::string>{"0", "C", "A", "B"}));
    EXPECT_EQ(map_layer_predecessor_Set(m, zero, b), 1);
    EXPECT_EQ(LayerNamesInOrder(m), (std::vector<std::string>{"C", "A", "B", "0"}));
    EXPECT_EQ(map_layer_predecessor_Set(m, b, nullptr), 1);
    EXPECT_EQ(LayerNamesInOrder(m), (std::vector<std::string>{"B", "C", "A", "0"}));
    EXPECT_EQ(map_layer_predecessor_Set(m, a, a), 0);
    EXPECT_EQ(LayerNamesInOrder(m), (std::vector<std::string>{"B", "C", "A", "0"}));

    // map_layers_Get follows the same order and stops at the capacity.
    std::int32_t count = 0;
    EXPECT_EQ(map_layers_Get(m, &count, nullptr, 0), 4);
    EXPECT_EQ(count, 4);
    OBJHANDLE two[3] = {nullptr, nullptr, nullptr};
    EXPECT_EQ(map_layers_Get(m, nullptr, two, 2), 2);
    EXPECT_EQ(two[0], b);
    EXPECT_EQ(two[1], c);
    EXPECT_EQ(two[2], nullptr);
}

TEST(StandinLayers, ForeignAndDeletedLayerHandlesAreNone) {
    MapWindow map;
    MapWindow other;
    const HWND m = map.Handle();
    const OBJHANDLE foreign = map_layer_Search(other.Handle(), -1, nullptr);
    std::int32_t number = -7;
    EXPECT_EQ(map_layer_Get(m, foreign, &number, nullptr, 0, nullptr), 0);
    EXPECT_EQ(number, -7);
    EXPECT_EQ(map_layer_Set(m, foreign, nullptr, 0, 3, "x", 0, 0, 0, 0, 7, 0, 0, 0), 0);
    EXPECT_EQ(map_layer_predecessor_Set(m, foreign, nullptr), 0);
    EXPECT_EQ(OBJectLock(standin_WindowObjectDatabase(m), foreign), nullptr);

    // Deleting the current layer leaves no layer current: the next object gets a new layer.
    const OBJHANDLE doomed = map_layer_Search(m, -1, nullptr);
    const OBJHANDLE line = Line(m, 0);
    ASSERT_EQ(DeleteTree(standin_WindowObjectDatabase(m), doomed, kRefLayerChildren), 1);
    EXPECT_EQ(map_layer_Get(m, doomed, &number, nullptr, 0, nullptr), 0);
    EXPECT_EQ(map_object_type_Get(m, line), 0);
    EXPECT_EQ(map_layer_Search(m, -1, nullptr), nullptr);
    const OBJHANDLE later = Line(m, 5);
    ASSERT_NE(later, nullptr);
    const OBJHANDLE made = map_layer_Search(m, -1, nullptr);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(standin::FindObject(m, later)->layer, Id(made));
}

TEST(StandinLayers, LayerRecordHoldsNumberNameAndSwitches) {
    MapWindow map;
    const HWND m = map.Handle();
    const DBHANDLE db = standin_WindowObjectDatabase(m);
    const std::string longName(80, 'n');
    OBJHANDLE layer = nullptr;
    // Attribute 10: bit 1 visible, bit 2 locked.
    map_layer_Create(m, &layer, nullptr, 0, 12, longName.c_str(), 0, 0, 0, 2, 7, 0, 0);
    const auto* record = static_cast<const unsigned char*>(OBJectLock(db, layer));
    ASSERT_NE(record, nullptr);
    std::int32_t number = 0;
    std::memcpy(&number, record + layer_record::kNumber, sizeof number);
    EXPECT_EQ(number, 12);
    const char* name = reinterpret_cast<const char*>(record + layer_record::kName);
    EXPECT_EQ(std::string(name), longName.substr(0, 47));
    EXPECT_EQ(record[layer_record::kFirstSwitch], 0);
    EXPECT_EQ(record[layer_record::kSecondSwitch], 0);

    map_layer_Set(m, layer, nullptr, 0, 13, "short", kAll, kAll, -1, 1, 7, kAll16, 0, 0);
    const auto* again = static_cast<const unsigned char*>(OBJectLock(db, layer));
    EXPECT_EQ(again, record) << "the record keeps its address while the layer lives";
    std::memcpy(&number, again + layer_record::kNumber, sizeof number);
    EXPECT_EQ(number, 13);
    EXPECT_STREQ(reinterpret_cast<const char*>(again + layer_record::kName), "short");
    EXPECT_EQ(again[layer_record::kFirstSwitch], 1);
    EXPECT_EQ(again[layer_record::kSecondSwitch], 1);
}

} // namespace
