// TEXT import: the height becomes the host size through the page and the text base (the
// TEXT's other groups are in cases/texts.txt).
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace testing_support;

struct SizeCase {
    const char* name;
    MAP_COORDPT pageExtent;
    double multiplier;
    std::string height; // group 40
    std::string size;   // of the text made, or "none"
};

class TextSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(TextSizeTest, HeightBecomesTheHostSize) {
    const SizeCase& c = GetParam();
    TempHome home;
    SetSetting("Multiplier", c.multiplier);
    MapWindow map;
    standin::SetPage(map.Handle(), {0, 0}, c.pageExtent);
    const std::string text = "0\nTEXT\n8\nSized\n10\n1\n20\n2\n40\n" + c.height + "\n";
    ASSERT_EQ(ImportDxf(home, map.Handle(), EntitiesFile(text)), 1);
    const auto snapshot = map.Snapshot();
    const auto objects = AllObjects(snapshot);
    EXPECT_NE(FindLayer(snapshot, "Sized"), nullptr) << "the layer step comes before the size";
    ASSERT_LE(objects.size(), 1u);
    EXPECT_EQ(objects.empty() ? "none" : std::to_string(objects[0].size), c.size);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, TextSizeTest,
    ::testing::Values(
        // t = trunc(1000 * 25/88) = 284; factor 284 / 100 * 1.6 = 4.544; 2.5 * 4.544 = 11.36.
        SizeCase{"BaseAndPage", {640, 100}, 1.0, "2.5", "11"},
        SizeCase{"MultiplierScalesTheHeight", {640, 100}, 2.0, "2.5", "22"},
        SizeCase{"FlatPageMeansFactorOne", {640, 0}, 1.0, "7.9", "7"},
        SizeCase{"NegativePageMeansFactorOne", {640, -50}, 1.0, "7.9", "7"},
        SizeCase{"ExactlyTheLimit", {640, 0}, 1.0, "256", "256"},
        SizeCase{"JustAboveTheLimit", {640, 0}, 1.0, "256.5", "none"},
        SizeCase{"LimitAppliesAfterTheFactor", {640, 100}, 1.0, "60", "none"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
