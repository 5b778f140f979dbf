// The arbitrary-axis rule: the axes of the object plane of an extrusion direction.
#include "import/object_coordinates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct AxesCase {
    Vector3 extrusion;
    Vector3 point;    // in the object plane
    Vector3 expected; // in the world
};

class AxesTest : public testing::TestWithParam<AxesCase> {};

TEST_P(AxesTest, MapsObjectPointsIntoTheWorld) {
    const AxesCase& c = GetParam();
    const auto axes = AxesForExtrusion(c.extrusion);
    ASSERT_TRUE(axes.has_value());
    const Vector3 world = ToWorld(*axes, c.point);
    EXPECT_NEAR(world.x, c.expected.x, 1e-12);
    EXPECT_NEAR(world.y, c.expected.y, 1e-12);
    EXPECT_NEAR(world.z, c.expected.z, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Extrusions, AxesTest,
    testing::Values(
        // The world's own plane, also when the normal is given with another length.
        AxesCase{{0, 0, 1}, {3, 4, 5}, {3, 4, 5}}, AxesCase{{0, 0, 7}, {3, 4, 0}, {3, 4, 0}},
        // Mirrored arcs and circles: x turns round, y stays.
        AxesCase{{0, 0, -1}, {3, 4, 0}, {-3, 4, 0}},
        // A normal along world x: the object x axis is world y (the reference is world z).
        AxesCase{{1, 0, 0}, {1, 0, 0}, {0, 1, 0}}, AxesCase{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
        // On either side of the 1/64 bound: world y, then world z is the reference.
        AxesCase{{0.01, 0, 1}, {1, 0, 0}, {1 / std::sqrt(1.0001), 0, -0.01 / std::sqrt(1.0001)}},
        AxesCase{{0.02, 0, 1}, {1, 0, 0}, {0, 1, 0}}));

TEST(AxesForExtrusion, RefusesDirectionsWithoutLength) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    for (const Vector3& v : {Vector3{0, 0, 0}, Vector3{nan, 0, 1}, Vector3{0, inf, 1}})
        EXPECT_FALSE(AxesForExtrusion(v).has_value());
    EXPECT_TRUE(IsWorldExtrusion({0, 0, 2}));
    EXPECT_FALSE(IsWorldExtrusion({0, 0, -1}));
    EXPECT_FALSE(IsWorldExtrusion({0, 0, 0}));
}

} // namespace
