// The stand-in's compact object store: points in shared blocks that are compacted once deleted
// runs outweigh live ones, copies and transforms of every kind of object, and handles that stay
// "none" through all of it.
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using testing_support::MapWindow;

constexpr std::int32_t kRefGroupChildren = 0x8807;

std::vector<MAP_COORDPT> PointRun(std::int32_t first, std::int32_t count) {
    std::vector<MAP_COORDPT> points;
    for (std::int32_t i = 0; i < count; ++i) {
        points.push_back({first + i, -first - i});
    }
    return points;
}

std::vector<MAP_COORDPT> PointsOf(HWND map, OBJHANDLE object) {
    const std::int32_t count = map_polyline_Get(map, object, nullptr, nullptr, 0);
    std::vector<MAP_COORDPT> points(static_cast<std::size_t>(count));
    map_polyline_Get(map, object, nullptr, points.data(), count);
    return points;
}

// Everything an object holds, but its id, as one line.
std::string Describe(const standin::Object& o) {
    std::string line = std::to_string(static_cast<int>(o.kind)) + (o.is3d ? " 3d" : " 2d") +
                       " layer " + std::to_string(o.layer);
    for (const MAP3D_COORDPT& p : o.points) {
        line += " (" + std::to_string(p.x) + "," + std::to_string(p.y) + "," + std::to_string(p.z) +
                ")";
    }
    line += " arc " + std::to_string(o.center.x) + "," + std::to_string(o.center.y) + " r" +
            std::to_string(o.radius) + " " + std::to_string(o.startAngle) + "-" +
            std::to_string(o.endAngle) + " q" + std::to_string(o.quality);
    line += " text [" + o.text + "] [" + o.font + "] " + std::to_string(o.position.x) + "," +
            std::to_string(o.position.y) + "," + std::to_string(o.position.z) + " s" +
            std::to_string(o.size) + " r" + std::to_string(o.rotation);
    return line;
}

bool SamePoints(const std::vector<MAP_COORDPT>& a, const std::vector<MAP_COORDPT>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](auto& p, auto& q) {
               return p.x == q.x && p.y == q.y;
           });
}

// Enough runs that deleting two of every three leaves far more dead points than live ones, so
// the live runs move into fresh blocks; they, and objects made afterwards, keep their points.
TEST(StandinStore, DeletingMostRunsMovesTheRestIntact) {
    MapWindow map;
    const HWND m = map.Handle();
    const DBHANDLE db = standin_WindowObjectDatabase(m);
    constexpr std::int32_t kRuns = 1500;
    constexpr std::int32_t kPoints = 1000;
    std::vector<OBJHANDLE> runs;
    for (std::int32_t r = 0; r < kRuns; ++r) {
        OBJHANDLE object = nullptr;
        const auto points = PointRun(r * kPoints, kPoints);
        ASSERT_EQ(map_polyline_Create(m, &object, points.data(), kPoints, 0), 1);
        runs.push_back(object);
    }
    for (std::int32_t r = 0; r < kRuns; ++r) {
        if (r % 3 != 0) {
            ASSERT_EQ(DeleteTree(db, runs[static_cast<std::size_t>(r)], kRefGroupChildren), 1);
        }
    }
    OBJHANDLE later = nullptr;
    const auto laterPoints = PointRun(-7, 5);
    ASSERT_EQ(map_polyline_Create(m, &later, laterPoints.data(), 5, 0), 1);
    for (std::int32_t r = 0; r < kRuns; ++r) {
        const OBJHANDLE object = runs[static_cast<std::size_t>(r)];
        if (r % 3 == 0) {
            ASSERT_TRUE(SamePoints(PointsOf(m, object), PointRun(r * kPoints, kPoints))) << r;
        } else {
            ASSERT_EQ(map_object_type_Get(m, object), 0) << "a deleted handle is none";
        }
    }
    EXPECT_TRUE(SamePoints(PointsOf(m, later), laterPoints));
}

// Copies of every kind carry what the original holds, 3-D points included, and a transform of a
// copy leaves the original where it was.
TEST(StandinStore, CopiesOfEveryKindHoldTheirOwnContent) {
    MapWindow map;
    const HWND m = map.Handle();
    standin::MapSnapshot snapshot = standin::Snapshot(m);
    auto add = [&](standin::Object object) {
        object.id = snapshot.objects.size() + 1000;
        object.layer = snapshot.layers.front().id;
        snapshot.layers.front().objects.push_back(object.id);
        snapshot.objects.push_back(object);
    };
    standin::Object line;
    line.kind = standin::ObjectKind::Polyline;
    line.is3d = true;
    line.points = {{1, 2, 3}, {4, 5, 6}};
    add(line);
    standin::Object arc;
    arc.kind = standin::ObjectKind::Arc;
    arc.center = {10, 20};
    arc.radius = 5;
    arc.startAngle = 15.5;
    arc.endAngle = 200.25;
    arc.quality = 7;
    add(arc);
    standin::Object text;
    text.kind = standin::ObjectKind::Text;
    text.text = "a text longer than any short-string buffer holds";
    text.font = "Arial";
    text.position = {7, 8, 9};
    text.size = 12;
    text.rotation = 450;
    add(text);
    standin::Restore(m, snapshot);

    const DBHANDLE db = standin_WindowObjectDatabase(m);
    const std::vector<standin::Object> originals = standin::Snapshot(m).objects;
    ASSERT_EQ(originals.size(), 3u);
    const MAP_COORDPT reference{0, 0};
    for (const standin::Object& original : originals) {
        const OBJHANDLE copy = CopyStruct(nullptr, db, standin::HandleOf(original.id));
        ASSERT_NE(copy, nullptr);
        standin::Object made = *standin::FindObject(m, copy);
        EXPECT_NE(made.id, original.id);
        made.id = original.id;
        EXPECT_EQ(Describe(made), Describe(original));
        DoOperations2(m, &copy, 1, &reference, 100, 100, 100, 1.0, 1.0, 1.0, 0.0, 0);
        const standin::Object* kept = standin::FindObject(m, standin::HandleOf(original.id));
        EXPECT_EQ(Describe(*kept), Describe(original));
    }
    const standin::Object moved = standin::Snapshot(m).objects.at(3);
    EXPECT_EQ(moved.points.at(1).x, 104);
    EXPECT_EQ(moved.points.at(1).z, 106) << "z moves with a 3-D run";
}

} // namespace
