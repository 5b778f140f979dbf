// The stand-in's objects: creation, the getters' count and capacity convention, texts, bounds
// and handles that no longer (or never did) name an object of the map.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using testing_support::MapWindow;

OBJHANDLE Polyline(HWND map, std::vector<MAP_COORDPT> points) {
    OBJHANDLE object = nullptr;
    map_polyline_Create(map, &object, points.data(), static_cast<std::int32_t>(points.size()), 0);
    return object;
}

OBJHANDLE Polygon(HWND map, std::vector<MAP_COORDPT> points) {
    OBJHANDLE object = nullptr;
    map_polygon_Create(map, &object, points.data(), static_cast<std::int32_t>(points.size()), 0);
    return object;
}

TEST(StandinObjects, CircleHasFourTimesTheQualityPointsOnTheRadius) {
    MapWindow map;
    const OBJHANDLE circle = map_Circle_Create_AsPolygon(map.Handle(), 1000, -500, 300, 20);
    ASSERT_NE(circle, nullptr);
    EXPECT_EQ(map_object_type_Get(map.Handle(), circle), kTypePolygon);
    std::int32_t count = 0;
    ASSERT_EQ(map_polygon_Get(map.Handle(), circle, &count, nullptr, 0), 80);
    std::vector<MAP_COORDPT> points(80);
    ASSERT_EQ(map_polygon_Get(map.Handle(), circle, nullptr, points.data(), 80), 80);
    EXPECT_EQ(points[0].x, 1300);
    EXPECT_EQ(points[0].y, -500);
    EXPECT_EQ(points[20].x, 1000) << "a quarter turn later";
    EXPECT_EQ(points[20].y, -200);
    for (const MAP_COORDPT& point : points) {
        EXPECT_NEAR(std::hypot(point.x - 1000.0, point.y + 500.0), 300.0, 1.0);
    }

    EXPECT_EQ(map_Circle_Create_AsPolygon(map.Handle(), 0, 0, 0, 20), nullptr);
    EXPECT_EQ(map_Circle_Create_AsPolygon(map.Handle(), 0, 0, -5, 20), nullptr);
    const OBJHANDLE square = map_Circle_Create_AsPolygon(map.Handle(), 0, 0, 10, 0);
    EXPECT_EQ(map_polygon_Get(map.Handle(), square, nullptr, nullptr, 0), 4);
}

TEST(StandinObjects, GettersGiveTheCountOrDeliverUpToTheCapacity) {
    MapWindow map;
    const HWND m = map.Handle();
    const OBJHANDLE line = Polyline(m, {{1, 2}, {3, 4}, {5, 6}});
    const OBJHANDLE area = Polygon(m, {{7, 8}, {9, 10}, {11, 12}});
    struct Case {
        const char* name;
        std::int32_t (*get)(HWND, OBJHANDLE, std::int32_t*, MAP3D_COORDPT*, std::int32_t);
        OBJHANDLE object;
        OBJHANDLE wrongType;
        std::int32_t firstX;
    };
    const Case cases[] = {
        {"polyline", map3d_polyline_Get, line, area, 1},
        {"polygon", map3d_polygon_Get, area, line, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::int32_t count = -1;
        EXPECT_EQ(c.get(m, c.object, &count, nullptr, 0), 3);
        EXPECT_EQ(count, 3);
        MAP3D_COORDPT points[3] = {{-1, -1, -1}, {-1, -1, -1}, {-1, -1, -1}};
        count = -1;
        EXPECT_EQ(c.get(m, c.object, &count, points, 2), 2);
        EXPECT_EQ(count, 3) << "the total, even when fewer are delivered";
        EXPECT_EQ(points[0].x, c.firstX);
        EXPECT_EQ(points[0].z, 0);
        EXPECT_EQ(points[2].x, -1) << "nothing beyond the capacity";
        EXPECT_EQ(c.get(m, c.object, nullptr, points, -4), 0);
        EXPECT_EQ(c.get(m, c.wrongType, &count, nullptr, 0), 0);
        EXPECT_EQ(count, 0);
    }
    MAP_COORDPT flat[3] = {};
    EXPECT_EQ(map_polyline_Get(m, line, nullptr, flat, 3), 3);
    EXPECT_EQ(flat[2].x, 5);
    EXPECT_EQ(flat[2].y, 6);
    EXPECT_EQ(map_polyline_Create(m, nullptr, flat, 0, 0), 0);
    EXPECT_EQ(map_polygon_Create(m, nullptr, nullptr, 3, 0), 0);
}

TEST(StandinObjects, TextKeepsEveryFieldAndIsCutToTheBuffer) {
    MapWindow map;
    const HWND m = map.Handle();
    const MAP_COORDPT at{120, -40};
    OBJHANDLE text = nullptr;
    ASSERT_EQ(map_text_CreateEx(m, &text, "Hello world", &at, "Arial", 11, 2, 0xFFFFFFFF, 450, -30,
                                21, 0, 0, 0),
              1);
    EXPECT_EQ(map_object_type_Get(m, text), kTypeText);

    std::uint32_t length = 0;
    char buffer[6] = "#####";
    MAP_COORDPT position{};
    char font[4] = "###";
    std::int32_t size = 0, style = 0, rotation = 0, oblique = 0, r1 = 9, r2 = 9;
    std::uint32_t color = 0, flags = 0;
    ASSERT_EQ(map_text_GetEx(m, text, &length, buffer, sizeof buffer, &position, font, sizeof font,
                             &size, &style, &color, &rotation, &oblique, &flags, &r1, &r2),
              1);
    EXPECT_EQ(length, 11u);
    EXPECT_STREQ(buffer, "Hello");
    EXPECT_EQ(position.x, 120);
    EXPECT_EQ(position.y, -40);
    EXPECT_STREQ(font, "Ari");
    EXPECT_EQ(size, 11);
    EXPECT_EQ(style, 2);
    EXPECT_EQ(color, 0xFFFFFFFFu);
    EXPECT_EQ(rotation, 450);
    EXPECT_EQ(oblique, -30);
    EXPECT_EQ(flags, 21u);

    // Null outputs are skipped; a buffer of size 1 gets only the terminator.
    char one[1] = {'x'};
    EXPECT_EQ(map_text_GetEx(m, text, nullptr, one, 1, nullptr, nullptr, 0, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
              1);
    EXPECT_EQ(one[0], '\0');
    MAP3D_COORDPT position3{9, 9, 9};
    EXPECT_EQ(map3d_text_Get(m, text, &position3), 1);
    EXPECT_EQ(position3.z, 0);
    EXPECT_EQ(map3d_is_object_3d(m, text), 0);

    char viaTree[4] = "";
    EXPECT_EQ(TextObjectTextGet(standin_WindowObjectDatabase(m), text, viaTree, sizeof viaTree), 3);
    EXPECT_STREQ(viaTree, "Hel");
    EXPECT_EQ(TextObjectTextGet(standin_WindowObjectDatabase(m), text, nullptr, 0), 11);
}

TEST(StandinObjects, BoundsOfObjectsGroupsAndTheWholeMap) {
    MapWindow map;
    const HWND m = map.Handle();
    MAP_COORDRECT rect{};
    EXPECT_EQ(map_object_boundrect_Get(m, nullptr, &rect), 0) << "empty map, no rectangle set";
    ASSERT_EQ(PM_SetAllObjectsRect(standin_WindowPresentation(m), m, -5, 3, 99, 50), 1);
    ASSERT_EQ(map_object_boundrect_Get(m, nullptr, &rect), 1);
    EXPECT_EQ(rect.min.x, -5);
    EXPECT_EQ(rect.max.y, 50);

    const OBJHANDLE line = Polyline(m, {{10, 20}, {-30, 40}});
    // A quarter arc from 0 to 90 degrees: its box runs from the centre to centre + radius.
    const OBJHANDLE arc = m_ArcCreate(m, 100, 100, 50, 0.0, 90.0, 20);
    ASSERT_EQ(map_object_boundrect_Get(m, arc, &rect), 1);
    EXPECT_EQ(rect.min.x, 100);
    EXPECT_EQ(rect.min.y, 100);
    EXPECT_EQ(rect.max.x, 150);
    EXPECT_EQ(rect.max.y, 150);
    // An arc through 180 degrees reaches the left extreme.
    const OBJHANDLE west = m_ArcCreate(m, 0, 0, 10, 135.0, 225.0, 20);
    ASSERT_EQ(map_object_boundrect_Get(m, west, &rect), 1);
    EXPECT_EQ(rect.min.x, -10);

    OBJHANDLE group = nullptr;
    const OBJHANDLE members[] = {line, arc};
    map_group_Create(m, &group, members, 2, 0);
    ASSERT_EQ(map_object_boundrect_Get(m, group, &rect), 1);
    EXPECT_EQ(rect.min.x, -30);
    EXPECT_EQ(rect.min.y, 20);
    EXPECT_EQ(rect.max.x, 150);
    EXPECT_EQ(rect.max.y, 150);

    // With objects the whole map is their union, not the rectangle set by the header.
    ASSERT_EQ(map_object_boundrect_Get(m, nullptr, &rect), 1);
    EXPECT_EQ(rect.min.x, -30);
    EXPECT_EQ(rect.min.y, -7);
    EXPECT_EQ(rect.max.x, 150);

    EXPECT_EQ(PM_SetAllObjectsRect(nullptr, m, 0, 0, 1, 1), 0) << "not this map's manager";
}

TEST(StandinObjects, ArcsKeepTheirAnglesAndRefuseNoRadius) {
    MapWindow map;
    const OBJHANDLE arc = m_ArcCreate(map.Handle(), 1, 2, 3, 10.5, 200.25, 20);
    ASSERT_NE(arc, nullptr);
    EXPECT_EQ(map_object_type_Get(map.Handle(), arc), kTypeArc);
    const standin::Object* object = standin::FindObject(map.Handle(), arc);
    EXPECT_EQ(object->startAngle, 10.5);
    EXPECT_EQ(object->endAngle, 200.25);
    EXPECT_EQ(m_ArcCreate(map.Handle(), 0, 0, 0, 0.0, 90.0, 20), nullptr);
    EXPECT_EQ(m_ArcCreate(map.Handle(), 0, 0, 5, NAN, 90.0, 20), nullptr);
}

TEST(StandinObjects, HandlesOfOtherMapsAndDeletedObjectsAreNone) {
    MapWindow map;
    MapWindow other;
    const HWND m = map.Handle();
    const OBJHANDLE foreign = Polyline(other.Handle(), {{0, 0}, {1, 1}});
    const OBJHANDLE local = Polyline(m, {{0, 0}, {1, 1}});
    std::int32_t count = 5;
    EXPECT_EQ(map_object_type_Get(m, foreign), 0);
    EXPECT_EQ(map_polyline_Get(m, foreign, &count, nullptr, 0), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(standin::FindObject(m, foreign), nullptr);
    EXPECT_EQ(CopyStruct(nullptr, standin_WindowObjectDatabase(m), foreign), nullptr);
    EXPECT_EQ(DeleteTree(standin_WindowObjectDatabase(m), foreign, kRefGroupChildren), 0);
    EXPECT_NE(standin::FindObject(other.Handle(), foreign), nullptr);

    ASSERT_EQ(DeleteTree(standin_WindowObjectDatabase(m), local, kRefGroupChildren), 1);
    EXPECT_EQ(map_object_type_Get(m, local), 0);
    EXPECT_EQ(map3d_is_object_3d(m, local), 0);
    MAP_COORDRECT rect{};
    EXPECT_EQ(map_object_boundrect_Get(m, local, &rect), 0);
    EXPECT_EQ(DeleteTree(standin_WindowObjectDatabase(m), local, kRefGroupChildren), 0);
    // Made-up handles are answered the same way.
    EXPECT_EQ(map_object_type_Get(m, standin::HandleOf(0xDEADBEEF)), 0);
    EXPECT_EQ(map_object_type_Get(nullptr, local), 0);
}

} // namespace
