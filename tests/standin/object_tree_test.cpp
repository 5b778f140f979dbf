// The stand-in's object store where a fault would hurt the module's imports: group nesting far
// deeper than any stack, handles that no longer (or never did) name an object of the map, and
// point runs that move when the store compacts them, records beyond the first chunks of their
// tables.
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using testing_support::MapWindow;

OBJHANDLE Line(HWND map, MAP_COORDPT a, MAP_COORDPT b) {
    const MAP_COORDPT points[] = {a, b};
    OBJHANDLE line = nullptr;
    map_polyline_Create(map, &line, points, 2, 0);
    return line;
}

TEST(ObjectTree, TenThousandNestedGroupsCopyAndDeleteWithoutRecursion) {
    constexpr std::size_t kDepth = 10'000;
    MapWindow map;
    const HWND m = map.Handle();
    const DBHANDLE db = standin_WindowObjectDatabase(m);
    OBJHANDLE top = Line(m, {0, 0}, {1, 1});
    for (std::size_t i = 0; i < kDepth; ++i) {
        const OBJHANDLE member = top;
        ASSERT_EQ(map_group_Create(m, &top, &member, 1, 0), 1);
    }
    const OBJHANDLE copy = CopyStruct(nullptr, db, top);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(map.Snapshot().objects.size(), 2 * (kDepth + 1));
    MAP_COORDRECT rect{};
    ASSERT_EQ(map_object_boundrect_Get(m, copy, &rect), 1);
    EXPECT_EQ(rect.max.x, 1);
    const MAP_COORDPT origin{0, 0};
    ASSERT_EQ(DoOperations2(m, &copy, 1, &origin, 5, 0, 0, 1.0, 1.0, 1.0, 0.0, 0), 1);
    ASSERT_EQ(DeleteTree(db, top, kRefGroupChildren), 1);
    EXPECT_EQ(map.Snapshot().objects.size(), kDepth + 1);
    ASSERT_EQ(DeleteTree(db, copy, kRefGroupChildren), 1);
    EXPECT_TRUE(map.Snapshot().objects.empty());
    EXPECT_TRUE(map.Snapshot().layers[0].objects.empty());
}

TEST(ObjectTree, StaleAndForeignHandlesAreRefusedByEveryCall) {
    MapWindow map;
    MapWindow other;
    const HWND m = map.Handle();
    const DBHANDLE db = standin_WindowObjectDatabase(m);
    const OBJHANDLE deleted = Line(m, {0, 0}, {1, 1});
    ASSERT_EQ(DeleteTree(db, deleted, kRefGroupChildren), 1);
    OBJHANDLE deletedLayer = nullptr;
    map_layer_Create(m, &deletedLayer, nullptr, 0, 5, "gone", 0, 0xFFFFFFFF, 0, 1, 3, 0, 0);
    ASSERT_EQ(DeleteTree(db, deletedLayer, kRefLayerChildren), 1);
    const OBJHANDLE kept = Line(m, {0, 0}, {1, 1});
    const std::pair<const char*, OBJHANDLE> stale[] = {
        {"deleted object", deleted},
        {"deleted layer", deletedLayer},
        {"object of another map", Line(other.Handle(), {0, 0}, {1, 1})},
        {"layer of another map", map_layer_Search(other.Handle(), -1, nullptr)},
        {"made up", standin::HandleOf(0xDEADBEEF)},
    };
    for (const auto& [what, handle] : stale) {
        SCOPED_TRACE(what);
        std::int32_t count = 5;
        MAP_COORDRECT rect{};
        const MAP_COORDPT origin{0, 0};
        EXPECT_EQ(map_object_type_Get(m, handle), 0);
        EXPECT_EQ(map_polyline_Get(m, handle, &count, nullptr, 0), 0);
        EXPECT_EQ(count, 0);
        EXPECT_EQ(map_layer_Get(m, handle, &count, nullptr, 0, nullptr), 0);
        EXPECT_EQ(map_layer_Set(m, handle, nullptr, 0, 9, "x", 0, 0, 0, 0, 7, 0, 0, 0), 0);
        EXPECT_EQ(map_object_boundrect_Get(m, handle, &rect), 0);
        EXPECT_EQ(OBJectLock(db, handle), nullptr);
        EXPECT_EQ(CopyStruct(nullptr, db, handle), nullptr);
        DoOperations2(m, &handle, 1, &origin, 5, 0, 0, 1.0, 1.0, 1.0, 0.0, 0); // skipped
        EXPECT_EQ(DeleteTree(db, handle, kRefGroupChildren), 0);
        EXPECT_EQ(map_group_Set(m, handle, &kept, 1, 0, 0), 0);
        EXPECT_EQ(standin::FindObject(m, handle), nullptr);
    }
    // The map itself is unharmed.
    ASSERT_EQ(map.Snapshot().objects.size(), 1u);
    EXPECT_EQ(testing_support::XY(map.Snapshot().objects[0]),
              (std::vector<std::pair<std::int32_t, std::int32_t>>{{0, 0}, {1, 1}}));
}

// Enough runs that deleting two of every three leaves far more dead points than live ones, so
// the live runs move into fresh blocks; they, and objects made afterwards, keep their points,
// and the deleted handles stay refused.
TEST(ObjectTree, CompactingThePointStoreKeepsLiveRunsAndRefusesDeletedOnes) {
    MapWindow map;
    const HWND m = map.Handle();
    constexpr std::int32_t kRuns = 1500, kPoints = 1000;
    const auto run = [](std::int32_t first, std::int32_t count) {
        std::vector<MAP_COORDPT> points;
        for (std::int32_t i = 0; i < count; ++i)
            points.push_back({first + i, -first - i});
        return points;
    };
    const auto create = [&](const std::vector<MAP_COORDPT>& points) {
        OBJHANDLE object = nullptr;
        map_polyline_Create(m, &object, points.data(), static_cast<std::int32_t>(points.size()), 0);
        return object;
    };
    const auto keeps = [&](OBJHANDLE object, const std::vector<MAP_COORDPT>& points) {
        std::vector<MAP_COORDPT> got(points.size() + 1);
        const auto count = map_polyline_Get(m, object, nullptr, got.data(), kPoints + 1);
        return count == static_cast<std::int32_t>(points.size()) &&
               std::equal(points.begin(), points.end(), got.begin(),
                          [](auto& p, auto& q) { return p.x == q.x && p.y == q.y; });
    };
    std::vector<OBJHANDLE> runs;
    for (std::int32_t r = 0; r < kRuns; ++r)
        runs.push_back(create(run(r * kPoints, kPoints)));
    for (std::int32_t r = 0; r < kRuns; ++r) {
        if (r % 3 != 0) {
            ASSERT_EQ(DeleteTree(standin_WindowObjectDatabase(m), runs[r], kRefGroupChildren), 1);
        }
    }
    const OBJHANDLE later = create(run(-7, 5));
    for (std::int32_t r = 0; r < kRuns; ++r) {
        if (r % 3 == 0) {
            ASSERT_TRUE(keeps(runs[r], run(r * kPoints, kPoints))) << r;
        } else {
            ASSERT_EQ(map_object_type_Get(m, runs[r]), 0) << r;
        }
    }
    EXPECT_TRUE(keeps(later, run(-7, 5)));
}

// Enough texts and lines that the records, the texts and the points fill the first, small-paged
// chunk of their tables and whole large chunks after it, then erased places handed out again:
// every object keeps what it was made with, and the erased ones stay refused.
TEST(ObjectTree, ObjectsBeyondTheFirstChunksKeepTheirContent) {
    MapWindow map;
    const HWND m = map.Handle();
    constexpr std::int32_t kMade = 60000, kLater = 20000;
    const auto textOf = [](std::int32_t i) { return "text " + std::to_string(i); };
    std::vector<OBJHANDLE> texts, lines;
    const auto make = [&](std::int32_t i) {
        OBJHANDLE text = nullptr;
        const MAP_COORDPT at{i, -i};
        map_text_CreateEx(m, &text, textOf(i).c_str(), &at, "Arial", 10, 0, 0, 0, 0, 0, 0, 0, 0);
        texts.push_back(text);
        lines.push_back(Line(m, {i, 2 * i}, {-i, 3 * i}));
    };
    for (std::int32_t i = 0; i < kMade; ++i)
        make(i);
    const DBHANDLE database = standin_WindowObjectDatabase(m);
    for (std::int32_t i = 0; i < kMade; i += 3) {
        ASSERT_EQ(DeleteTree(database, texts[i], kRefGroupChildren), 1);
        ASSERT_EQ(DeleteTree(database, lines[i], kRefGroupChildren), 1);
    }
    for (std::int32_t i = kMade; i < kMade + kLater; ++i)
        make(i);
    for (std::int32_t i = 0; i < kMade + kLater; ++i) {
        if (i < kMade && i % 3 == 0) {
            ASSERT_EQ(map_object_type_Get(m, texts[i]), 0) << i;
            ASSERT_EQ(map_object_type_Get(m, lines[i]), 0) << i;
            continue;
        }
        const standin::Object* text = standin::FindObject(m, texts[i]);
        ASSERT_TRUE(text) << i;
        ASSERT_EQ(text->text, textOf(i));
        ASSERT_EQ(text->position.x, i);
        ASSERT_EQ(text->position.y, -i);
        const standin::Object* line = standin::FindObject(m, lines[i]);
        ASSERT_TRUE(line) << i;
        ASSERT_EQ(line->points.size(), 2u) << i;
        ASSERT_EQ(line->points[0].y, 2 * i);
        ASSERT_EQ(line->points[1].x, -i);
        ASSERT_EQ(line->points[1].y, 3 * i);
    }
}

// The first run of a map may be longer than the arena's small first block without being long
// enough for a block of its own; it and a short run after it keep their points.
TEST(ObjectTree, AFirstRunOfAnyLengthKeepsItsPoints) {
    for (const std::int32_t points : {65536, 65537, 100000, 131072, 131073}) {
        MapWindow map;
        const HWND m = map.Handle();
        std::vector<MAP_COORDPT> run;
        for (std::int32_t i = 0; i < points; ++i)
            run.push_back({i, -i});
        OBJHANDLE first = nullptr;
        map_polyline_Create(m, &first, run.data(), points, 0);
        const OBJHANDLE second = Line(m, {7, 8}, {9, 10});
        const standin::Object* got = standin::FindObject(m, first);
        ASSERT_TRUE(got) << points;
        ASSERT_EQ(got->points.size(), static_cast<std::size_t>(points));
        for (std::int32_t i = 0; i < points; ++i) {
            ASSERT_EQ(got->points[i].x, i) << points;
            ASSERT_EQ(got->points[i].y, -i) << points;
        }
        got = standin::FindObject(m, second);
        ASSERT_TRUE(got) << points;
        ASSERT_EQ(got->points.size(), 2u);
        EXPECT_EQ(got->points[1].y, 10);
    }
}

} // namespace
