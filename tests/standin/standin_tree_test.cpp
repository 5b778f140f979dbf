// The stand-in's object tree: walks with a cursor, groups, deep copies and deletions (also of
// very deep group nesting) and the DoOperations2 transform.
#include "test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

using testing_support::MapWindow;

OBJHANDLE Line(HWND map, MAP_COORDPT a, MAP_COORDPT b) {
    const MAP_COORDPT points[] = {a, b};
    OBJHANDLE line = nullptr;
    map_polyline_Create(map, &line, points, 2, 0);
    return line;
}

OBJHANDLE Group(HWND map, std::vector<OBJHANDLE> members) {
    OBJHANDLE group = nullptr;
    map_group_Create(map, &group, members.data(), static_cast<std::int32_t>(members.size()), 0);
    return group;
}

OBJHANDLE NewLayer(HWND map, std::int32_t number, const char* name) {
    OBJHANDLE layer = nullptr;
    map_layer_Create(map, &layer, nullptr, 0, number, name, 0, 0xFFFFFFFF, 0, 1, 7, 0, 0);
    return layer;
}

std::vector<OBJHANDLE> Children(DBHANDLE db, OBJHANDLE parent, std::int32_t kind) {
    std::vector<OBJHANDLE> children;
    std::int32_t cursor = 0;
    for (OBJHANDLE child = FirstReference(db, parent, kind, &cursor); child;
         child = GetReference(db, parent, kind, &cursor)) {
        children.push_back(child);
    }
    return children;
}

std::vector<OBJHANDLE> ChildrenBackwards(DBHANDLE db, OBJHANDLE parent, std::int32_t kind) {
    std::vector<OBJHANDLE> children;
    std::int32_t cursor = 0;
    for (OBJHANDLE child = LastReference(db, parent, kind, &cursor); child;
         child = PrevReference(db, parent, kind, &cursor)) {
        children.push_back(child);
    }
    return children;
}

std::vector<std::pair<std::int32_t, std::int32_t>> PointsOf(HWND map, OBJHANDLE object) {
    return testing_support::XY(*standin::FindObject(map, object));
}

// A fresh map, its object database and its first layer.
class StandinTree : public ::testing::Test {
  protected:
    MapWindow map;
    const HWND m = map.Handle();
    const DBHANDLE db = standin_WindowObjectDatabase(m);
    const OBJHANDLE zero = map_layer_Search(m, -1, nullptr);
};

TEST_F(StandinTree, LayersAndObjectsWalkBothWaysWithTheirClasses) {
    const OBJHANDLE a = Line(m, {0, 0}, {1, 1});
    const MAP_COORDPT at{0, 0};
    OBJHANDLE text = nullptr;
    map_text_CreateEx(m, &text, "T", &at, "Arial", 10, 0, 0, 0, 0, 0, 0, 0, 0);
    const OBJHANDLE second = NewLayer(m, 2, "Second");
    const OBJHANDLE arc = m_ArcCreate(m, 0, 0, 5, 0.0, 90.0, 20);
    const OBJHANDLE circle = map_Circle_Create_AsPolygon(m, 0, 0, 5, 2);
    const OBJHANDLE group = Group(m, {a, arc});

    const OBJHANDLE root = GetRootOBJect(m, kRootLayers);
    EXPECT_EQ(GetOBJectClassID(db, root), kRootLayers);
    EXPECT_EQ(Children(db, root, kRefLayerChildren), (std::vector<OBJHANDLE>{zero, second}));
    EXPECT_EQ(Children(db, zero, kRefLayerChildren), (std::vector<OBJHANDLE>{a, text}));
    EXPECT_EQ(ChildrenBackwards(db, second, kRefLayerChildren),
              (std::vector<OBJHANDLE>{circle, arc}));
    EXPECT_TRUE(Children(db, root, kRefGroupChildren).empty()) << "wrong reference kind";
    EXPECT_EQ(Children(db, group, kRefGroupChildren), (std::vector<OBJHANDLE>{a, arc}));
    EXPECT_TRUE(Children(db, group, kRefLayerChildren).empty()) << "groups are no layer";

    const std::pair<OBJHANDLE, std::int32_t> classes[] = {
        {zero, kClassLayer},     {a, kClassPolyline},  {text, kClassText}, {arc, kClassArc},
        {circle, kClassPolygon}, {group, kClassGroup}, {nullptr, 0},
    };
    for (const auto& [object, expected] : classes) {
        EXPECT_EQ(GetOBJectClassID(db, object), expected);
    }

    // The cursor stays just outside at the end, and a walk picks up from any cursor.
    std::int32_t cursor = 0;
    EXPECT_EQ(LastReference(db, zero, kRefLayerChildren, &cursor), text);
    EXPECT_EQ(cursor, 1);
    EXPECT_EQ(GetReference(db, zero, kRefLayerChildren, &cursor), nullptr);
    EXPECT_EQ(cursor, 2);
    EXPECT_EQ(PrevReference(db, zero, kRefLayerChildren, &cursor), text);
    EXPECT_EQ(GetReference(db, zero, kRefLayerChildren, nullptr), nullptr);
    EXPECT_EQ(FirstReference(nullptr, zero, kRefLayerChildren, &cursor), nullptr);
}

TEST_F(StandinTree, CopyTargetRootAndCopiesOnTheLayersOfTheOriginals) {
    const OBJHANDLE a = Line(m, {0, 0}, {1, 1});
    const OBJHANDLE other = NewLayer(m, 2, "Other");
    const OBJHANDLE b = Line(m, {2, 2}, {3, 3});
    const OBJHANDLE inner = Group(m, {b});
    const OBJHANDLE outer = Group(m, {a, inner});

    std::int32_t cursor = 0;
    const OBJHANDLE target =
        FirstReference(db, GetRootOBJect(m, kRootCopyTarget), kRefGroupChildren, &cursor);
    ASSERT_NE(target, nullptr);
    const OBJHANDLE copy = CopyStruct(target, db, outer);
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, outer);
    const auto copyMembers = Children(db, copy, kRefGroupChildren);
    ASSERT_EQ(copyMembers.size(), 2u);
    EXPECT_EQ(GetOBJectClassID(db, copyMembers[0]), kClassPolyline);
    EXPECT_EQ(GetOBJectClassID(db, copyMembers[1]), kClassGroup);
    const auto innerCopy = Children(db, copyMembers[1], kRefGroupChildren);
    ASSERT_EQ(innerCopy.size(), 1u);

    // Each copy sits at the end of its original's layer.
    EXPECT_EQ(Children(db, zero, kRefLayerChildren), (std::vector<OBJHANDLE>{a, copyMembers[0]}));
    EXPECT_EQ(Children(db, other, kRefLayerChildren), (std::vector<OBJHANDLE>{b, innerCopy[0]}));
    EXPECT_EQ(PointsOf(m, innerCopy[0]), PointsOf(m, b));

    // The copy is independent of its original.
    const MAP_COORDPT origin{0, 0};
    DoOperations2(m, &innerCopy[0], 1, &origin, 100, 0, 0, 1.0, 1.0, 1.0, 0.0, 0);
    EXPECT_EQ(PointsOf(m, b), (std::vector<std::pair<std::int32_t, std::int32_t>>{{2, 2}, {3, 3}}));

    MapWindow foreign;
    std::int32_t foreignCursor = 0;
    const OBJHANDLE foreignTarget = FirstReference(standin_WindowObjectDatabase(foreign.Handle()),
                                                   GetRootOBJect(foreign.Handle(), kRootCopyTarget),
                                                   kRefGroupChildren, &foreignCursor);
    EXPECT_EQ(CopyStruct(foreignTarget, db, outer), nullptr);
    EXPECT_NE(CopyStruct(nullptr, db, a), nullptr);
}

TEST_F(StandinTree, DeleteTreeTakesEverythingBelowOutOfLayersAndGroups) {
    const OBJHANDLE keep = Line(m, {0, 0}, {1, 1});
    const OBJHANDLE a = Line(m, {0, 0}, {2, 2});
    const OBJHANDLE b = Line(m, {0, 0}, {3, 3});
    const OBJHANDLE inner = Group(m, {a, b});
    const OBJHANDLE outer = Group(m, {keep, inner});

    ASSERT_EQ(DeleteTree(db, inner, kRefGroupChildren), 1);
    EXPECT_EQ(Children(db, zero, kRefLayerChildren), (std::vector<OBJHANDLE>{keep}));
    EXPECT_EQ(Children(db, outer, kRefGroupChildren), (std::vector<OBJHANDLE>{keep}));
    for (const OBJHANDLE gone : {a, b, inner}) {
        EXPECT_EQ(map_object_type_Get(m, gone), 0);
    }
    EXPECT_EQ(DeleteTree(db, outer, 0x1234), 0) << "unknown reference kind";
    EXPECT_EQ(map_object_type_Get(m, outer), kTypeGroup);
}

TEST_F(StandinTree, ObjectsLeavingALayerKeepTheOthersInOrder) {
    std::vector<OBJHANDLE> lines;
    for (std::int32_t i = 0; i < 8; ++i) {
        lines.push_back(Line(m, {i, 0}, {i, 1}));
    }
    const OBJHANDLE other = NewLayer(m, 2, "Other");
    const OBJHANDLE moving[] = {lines[5], lines[1]};
    map_layer_Set(m, other, moving, 2, -1, nullptr, 0xFFFFFFFF, 0xFFFFFFFF, -1, 0xFFFFFFFF, 3,
                  0xFFFF, 0, 0);
    DeleteTree(db, lines[3], kRefGroupChildren);
    DeleteTree(db, lines[7], kRefGroupChildren);
    const std::vector<OBJHANDLE> left{lines[0], lines[2], lines[4], lines[6]};
    EXPECT_EQ(Children(db, zero, kRefLayerChildren), left);
    EXPECT_EQ(ChildrenBackwards(db, zero, kRefLayerChildren),
              (std::vector<OBJHANDLE>{left.rbegin(), left.rend()}));
    EXPECT_EQ(Children(db, other, kRefLayerChildren), (std::vector<OBJHANDLE>{lines[5], lines[1]}));
    // Moving back appends, also after the list was closed up by the walk.
    map_layer_Set(m, zero, &lines[5], 1, -1, nullptr, 0xFFFFFFFF, 0xFFFFFFFF, -1, 0xFFFFFFFF, 3,
                  0xFFFF, 0, 0);
    DeleteTree(db, lines[2], kRefGroupChildren);
    const auto snapshot = standin::Snapshot(m);
    const auto id = [](OBJHANDLE h) {
        return standin::ObjectId(reinterpret_cast<std::uintptr_t>(h));
    };
    EXPECT_EQ(
        snapshot.layers[0].objects,
        (std::vector<standin::ObjectId>{id(lines[0]), id(lines[4]), id(lines[6]), id(lines[5])}));
    EXPECT_EQ(snapshot.layers[1].objects, (std::vector<standin::ObjectId>{id(lines[1])}));
}

TEST_F(StandinTree, ManyObjectsLeaveALayerOneAtATimeInLinearTime) {
    // Deleting from the front of a long layer, one call each, as the release of block
    // definitions does: a list rebuilt per call would take minutes here.
    constexpr std::int32_t kCount = 100'000;
    std::vector<OBJHANDLE> lines;
    lines.reserve(kCount);
    for (std::int32_t i = 0; i < kCount; ++i) {
        lines.push_back(Line(m, {i, 0}, {i, 1}));
    }
    for (std::int32_t i = 0; i + 1 < kCount; ++i) {
        ASSERT_EQ(DeleteTree(db, lines[static_cast<std::size_t>(i)], kRefGroupChildren), 1);
    }
    EXPECT_EQ(Children(db, zero, kRefLayerChildren), (std::vector<OBJHANDLE>{lines.back()}));
}

TEST_F(StandinTree, GroupsRefuseToHoldThemselves) {
    const OBJHANDLE line = Line(m, {0, 0}, {1, 1});
    const OBJHANDLE inner = Group(m, {line});
    const OBJHANDLE outer = Group(m, {inner});
    EXPECT_EQ(map_group_Set(m, inner, &outer, 1, 0, 0), 1);
    EXPECT_EQ(map_group_Set(m, inner, &inner, 1, 0, 0), 1);
    std::int32_t count = -1;
    OBJHANDLE members[4] = {};
    EXPECT_EQ(map_group_Get(m, inner, &count, members, 4, 1), 1);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(members[0], line);
    EXPECT_EQ(map_group_Set(m, line, &inner, 1, 0, 0), 0) << "a line is no group";

    // Adding a member to a second group takes it out of the first.
    const OBJHANDLE third = Group(m, {line});
    EXPECT_EQ(map_group_Get(m, inner, &count, nullptr, 0, 1), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(map_group_Get(m, third, nullptr, nullptr, 0, 1), 1);
}

TEST_F(StandinTree, TenThousandNestedGroupsCopyAndDeleteWithoutRecursion) {
    constexpr int kDepth = 10'000;
    OBJHANDLE top = Line(m, {0, 0}, {1, 1});
    for (int i = 0; i < kDepth; ++i) {
        top = Group(m, {top});
    }
    ASSERT_EQ(standin::Snapshot(m).objects.size(), static_cast<std::size_t>(kDepth + 1));

    const OBJHANDLE copy = CopyStruct(nullptr, db, top);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(standin::Snapshot(m).objects.size(), static_cast<std::size_t>(2 * (kDepth + 1)));
    EXPECT_EQ(standin::Snapshot(m).layers[0].objects.size(), 2u);
    MAP_COORDRECT rect{};
    ASSERT_EQ(map_object_boundrect_Get(m, copy, &rect), 1);
    EXPECT_EQ(rect.max.x, 1);

    ASSERT_EQ(DeleteTree(db, top, kRefGroupChildren), 1);
    EXPECT_EQ(standin::Snapshot(m).objects.size(), static_cast<std::size_t>(kDepth + 1));
    ASSERT_EQ(DeleteTree(db, copy, kRefGroupChildren), 1);
    EXPECT_TRUE(standin::Snapshot(m).objects.empty());
    EXPECT_TRUE(standin::Snapshot(m).layers[0].objects.empty());
}

struct PointCase {
    const char* name;
    double scaleX, scaleY, angle;
    std::int32_t dx, dy;
    MAP_COORDPT reference;
    MAP_COORDPT in;
    MAP_COORDPT out;
};

TEST_F(StandinTree, DoOperationsScalesAndRotatesAboutTheReferenceThenTranslates) {
    const PointCase cases[] = {
        {"translate", 1, 1, 0, 100, 200, {10, 20}, {15, 25}, {115, 225}},
        {"scale about reference", 2, 3, 0, 0, 0, {10, 20}, {15, 25}, {20, 35}},
        {"rotate 90 then translate", 1, 1, 90, 5, 0, {10, 20}, {15, 20}, {15, 25}},
        {"scale, rotate 180, translate", 2, 2, 180, 1, 1, {0, 0}, {3, 4}, {-5, -7}},
        {"mirror x", -1, 1, 0, 0, 0, {10, 0}, {15, 7}, {5, 7}},
        {"halves round to nearest", 0.5, 0.5, 0, 0, 0, {0, 0}, {3, -5}, {2, -3}},
        {"saturates high", 1e12, 1, 0, 0, 0, {0, 0}, {5, 5}, {INT_MAX, 5}},
        {"saturates low", 1, 1, 0, INT_MIN, 0, {0, 0}, {-5, 5}, {INT_MIN, 5}},
    };
    for (const PointCase& c : cases) {
        SCOPED_TRACE(c.name);
        const OBJHANDLE line = Line(m, c.in, c.reference);
        ASSERT_EQ(DoOperations2(m, &line, 1, &c.reference, c.dx, c.dy, 0, c.scaleX, c.scaleY, 1.0,
                                c.angle, 0),
                  1);
        const auto points = PointsOf(m, line);
        EXPECT_EQ(points[0], std::make_pair(c.out.x, c.out.y));
    }
}

TEST_F(StandinTree, DoOperationsOnArcsTextsGroupsAndBadNumbers) {
    const MAP_COORDPT reference{0, 0};
    const OBJHANDLE arc = m_ArcCreate(m, 10, 0, 4, 0.0, 90.0, 20);
    DoOperations2(m, &arc, 1, &reference, 0, 0, 0, 2.0, 5.0, 1.0, 90.0, 0);
    const standin::Object* turned = standin::FindObject(m, arc);
    EXPECT_EQ(turned->center.x, 0);
    EXPECT_EQ(turned->center.y, 20);
    EXPECT_EQ(turned->radius, 8) << "the radius follows the x scale";
    EXPECT_DOUBLE_EQ(turned->startAngle, 90.0);
    EXPECT_DOUBLE_EQ(turned->endAngle, 180.0);

    // A mirror in x turns the arc from 0..90 into 90..180, still counter-clockwise.
    const OBJHANDLE mirrored = m_ArcCreate(m, 0, 0, 4, 0.0, 90.0, 20);
    DoOperations2(m, &mirrored, 1, &reference, 0, 0, 0, -1.0, 1.0, 1.0, 0.0, 0);
    EXPECT_DOUBLE_EQ(standin::FindObject(m, mirrored)->startAngle, 90.0);
    EXPECT_DOUBLE_EQ(standin::FindObject(m, mirrored)->endAngle, 180.0);

    const MAP_COORDPT at{10, 0};
    OBJHANDLE text = nullptr;
    map_text_CreateEx(m, &text, "T", &at, "Arial", 10, 0, 0, 3500, 0, 0, 0, 0, 0);
    DoOperations2(m, &text, 1, &reference, 1, 1, 0, 1.0, 3.0, 1.0, 45.0, 0);
    const standin::Object* moved = standin::FindObject(m, text);
    EXPECT_EQ(moved->position.x, 8); // 10 cos 45 + 1
    EXPECT_EQ(moved->position.y, 8); // 10 sin 45 + 1
    EXPECT_EQ(moved->rotation, 350); // 3500 + 450, within one turn
    EXPECT_EQ(moved->size, 30);

    const OBJHANDLE line = Line(m, {1, 1}, {2, 2});
    const OBJHANDLE group = Group(m, {line});
    DoOperations2(m, &group, 1, &reference, 50, 50, 0, 1.0, 1.0, 1.0, 0.0, 0);
    EXPECT_EQ(PointsOf(m, line),
              (std::vector<std::pair<std::int32_t, std::int32_t>>{{1, 1}, {2, 2}}))
        << "a group is not transformed through its members";
    EXPECT_EQ(DoOperations2(m, &line, 1, &reference, 0, 0, 0, NAN, 1.0, 1.0, 0.0, 0), 0);
    EXPECT_EQ(DoOperations2(m, &line, 1, &reference, 0, 0, 0, 1.0, 1.0, 1.0, INFINITY, 0), 0);
    EXPECT_EQ(PointsOf(m, line),
              (std::vector<std::pair<std::int32_t, std::int32_t>>{{1, 1}, {2, 2}}));
}

} // namespace
