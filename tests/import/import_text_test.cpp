// TEXT import: the height becomes the host size through the page and the text base (the
// TEXT's other groups are in cases/texts.txt).
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace testing_support;

struct SizeCase {
    const char* name;
    std::int32_t textBase;
    MAP_COORDPT pageExtent;
    double multiplier;
    std::string height; // group 40, or no group when empty
    bool created;
    std::int32_t size;
};

class TextSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(TextSizeTest, HeightBecomesTheHostSize) {
    const SizeCase& c = GetParam();
    TempHome home;
    SetSetting("Multiplier", c.multiplier);
    MapWindow map;
    standin::SetTextBase(map.Handle(), c.textBase);
    standin::SetPage(map.Handle(), {0, 0}, c.pageExtent);
    const std::string height = c.height.empty() ? "" : "40\n" + c.height + "\n";
    ASSERT_EQ(
        ImportDxf(home, map.Handle(), EntitiesFile("0\nTEXT\n8\nSized\n10\n1\n20\n2\n" + height)),
        1);
    const auto snapshot = map.Snapshot();
    const auto objects = AllObjects(snapshot);
    EXPECT_NE(FindLayer(snapshot, "Sized"), nullptr) << "the layer step comes before the size";
    if (!c.created) {
        EXPECT_TRUE(objects.empty());
        return;
    }
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].size, c.size);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, TextSizeTest,
    ::testing::Values(
        // t = trunc(1000 * 25/88) = 284; factor 284 / 100 * 1.6 = 4.544; 2.5 * 4.544 = 11.36.
        SizeCase{"BaseAndPage", 1000, {640, 100}, 1.0, "2.5", true, 11},
        SizeCase{"MultiplierScalesTheHeight", 1000, {640, 100}, 2.0, "2.5", true, 22},
        SizeCase{"FlatPageMeansFactorOne", 1000, {640, 0}, 1.0, "7.9", true, 7},
        SizeCase{"NegativePageMeansFactorOne", 1000, {640, -50}, 1.0, "7.9", true, 7},
        SizeCase{"ExactlyTheLimit", 1000, {640, 0}, 1.0, "256", true, 256},
        SizeCase{"JustAboveTheLimit", 1000, {640, 0}, 1.0, "256.5", false, 0},
        SizeCase{"LimitAppliesAfterTheFactor", 1000, {640, 100}, 1.0, "60", false, 0},
        SizeCase{"NoHeightGroup", 1000, {640, 100}, 1.0, "", true, 0},
        SizeCase{"HeightThatIsNoNumber", 1000, {640, 100}, 1.0, "abc", true, 0},
        SizeCase{"NanHeightCountsAsZero", 1000, {640, 100}, 1.0, "nan", true, 0},
        SizeCase{"NegativeInfiniteHeightCountsAsZero", 1000, {640, 100}, 1.0, "-inf", true, 0},
        SizeCase{"InfiniteHeight", 1000, {640, 100}, 1.0, "inf", false, 0},
        SizeCase{"OverflowingHeight", 1000, {640, 0}, 1e300, "1e300", false, 0},
        SizeCase{"HugeNegativeHeightCountsAsZero", 1000, {640, 0}, 1.0, "-1e300", true, 0},
        SizeCase{"NegativeHeightGoesOver", 1000, {640, 0}, 1.0, "-3.5", true, -3}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
