// TEXT import: size from the page and the text base, justification, anchor, line breaks.
#include "test_support.h"

#include "module/line_breaks.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace testing_support;

// Test cases print as their names in failure messages.
template <typename Case>
requires requires(const Case& c) {
    c.name;
}
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

std::string Text(const std::string& groups) {
    return "0\nTEXT\n" + groups;
}

// Imports the body into a map whose page has no height, so that the font size is the height.
std::vector<standin::Object> ImportTexts(const std::string& body) {
    TempHome home;
    MapWindow map;
    standin::SetPage(map.Handle(), {0, 0}, {100, 0});
    EXPECT_EQ(ImportDxf(home, map.Handle(), EntitiesFile(body)), 1);
    return AllObjects(map.Snapshot());
}

TEST(TextImport, PlainTextOnTheCurrentLayer) {
    const auto objects = ImportTexts(Text("1\nHello\n10\n1\n20\n2\n40\n3\n"));
    ASSERT_EQ(objects.size(), 1u);
    const standin::Object& text = objects[0];
    EXPECT_EQ(text.kind, standin::ObjectKind::Text);
    EXPECT_EQ(text.text, "Hello");
    EXPECT_EQ(text.font, "Arial");
    EXPECT_EQ(text.size, 3);
    EXPECT_EQ(text.flags, 24u);
    EXPECT_EQ(text.rotation, 0);
    EXPECT_EQ(text.position.x, 1);
    EXPECT_EQ(text.position.y, 2);
}

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
        ImportDxf(home, map.Handle(), EntitiesFile(Text("8\nSized\n10\n1\n20\n2\n" + height))), 1);
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

struct AlignmentCase {
    const char* name;
    std::string groups; // besides 10 = 1, 20 = 2
    std::uint32_t flags;
    std::int32_t x;
    std::int32_t y;
};

class TextAlignmentTest : public ::testing::TestWithParam<AlignmentCase> {};

TEST_P(TextAlignmentTest, JustificationGivesFlagsAndAnchor) {
    const auto objects = ImportTexts(Text("10\n1\n20\n2\n" + GetParam().groups));
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].flags, GetParam().flags);
    EXPECT_EQ(objects[0].position.x, GetParam().x);
    EXPECT_EQ(objects[0].position.y, GetParam().y);
}

INSTANTIATE_TEST_SUITE_P(
    Justification, TextAlignmentTest,
    ::testing::Values(
        AlignmentCase{"DefaultIgnoresAlignmentPoint", "11\n5\n21\n6\n", 24, 1, 2},
        AlignmentCase{"CentredWithoutAlignmentY", "72\n1\n11\n5\n", 25, 5, 2},
        AlignmentCase{"RightAndMiddle", "72\n2\n73\n2\n11\n5\n21\n6\n", 22, 5, 6},
        AlignmentCase{"Top", "73\n3\n11\n5\n21\n6\n", 16, 5, 6},
        AlignmentCase{"BottomCountsAsBaseline", "73\n1\n11\n5\n21\n6\n", 24, 5, 6},
        AlignmentCase{"Aligned", "72\n3\n11\n5\n21\n6\n", 24, 5, 6},
        AlignmentCase{"Middle", "72\n4\n11\n5\n21\n6\n", 24, 5, 6},
        AlignmentCase{"Fit", "72\n5\n11\n5\n21\n6\n", 24, 5, 6},
        AlignmentCase{"JustifiedWithoutAlignmentPoint", "72\n2\n73\n3\n", 18, 1, 2},
        AlignmentCase{"OnlyAlignmentY", "72\n1\n21\n6\n", 25, 1, 6},
        AlignmentCase{"NegativeJustification", "72\n-1\n73\n-1\n11\n5\n21\n6\n", 24, 5, 6},
        AlignmentCase{"JustificationThatIsNoNumber", "72\nx\n73\ny\n11\n5\n21\n6\n", 24, 1, 2},
        AlignmentCase{"HugeAlignmentPointIsUnusedByDefault", "11\n1e300\n21\nnan\n", 24, 1, 2}),
    [](const auto& info) { return std::string(info.param.name); });

struct TextCase {
    const char* name;
    std::string groups;
    bool created;
    std::string text;
    std::int32_t rotation;
    std::int32_t oblique;
};

class TextGroupsTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextGroupsTest, ReadsTheGroups) {
    const auto objects = ImportTexts(Text(GetParam().groups));
    if (!GetParam().created) {
        EXPECT_TRUE(objects.empty());
        return;
    }
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].text, GetParam().text);
    EXPECT_EQ(objects[0].rotation, GetParam().rotation);
    EXPECT_EQ(objects[0].oblique, GetParam().oblique);
}

INSTANTIATE_TEST_SUITE_P(
    Groups, TextGroupsTest,
    ::testing::Values(
        TextCase{"LineBreak", "1\nA\\nB\n10\n0\n20\n0\n", true, "A\r\nB", 0, 0},
        TextCase{"BreaksEverywhere", "1\n\\n\\\\n\\nx\\\n10\n0\n20\n0\n", true, "\r\n\\\r\n\r\nx\\",
                 0, 0},
        TextCase{"CapitalNIsNoBreak", "1\nA\\NB\n10\n0\n20\n0\n", true, "A\\NB", 0, 0},
        TextCase{"NoTextGroup", "10\n0\n20\n0\n", true, "", 0, 0},
        TextCase{"LastTextWins", "1\nfirst\n1\n second \n10\n0\n20\n0\n", true, " second ", 0, 0},
        TextCase{"RotationInTenths", "1\nr\n10\n0\n20\n0\n50\n12.35\n51\n-12.35\n", true, "r", 123,
                 -123},
        TextCase{"ZGroupsNeverChecked", "1\nz\n10\n0\n20\n0\n30\nabc\n31\nabc\n", true, "z", 0, 0},
        TextCase{"MalformedInsertionX", "1\nm\n10\nabc\n20\n0\n", false, "", 0, 0},
        TextCase{"MalformedAlignmentY", "1\nm\n10\n0\n20\n0\n21\nabc\n", false, "", 0, 0},
        TextCase{"MalformedRotation", "1\nm\n10\n0\n20\n0\n50\nabc\n", false, "", 0, 0},
        TextCase{"MissingInsertionY", "1\nm\n10\n0\n11\n0\n21\n0\n", false, "", 0, 0},
        TextCase{"HugeRotation", "1\nm\n10\n0\n20\n0\n50\n1e300\n", false, "", 0, 0},
        TextCase{"HugeOblique", "1\nm\n10\n0\n20\n0\n51\n-3e8\n", false, "", 0, 0},
        TextCase{"HugeInsertion", "1\nm\n10\n3e9\n20\n0\n", false, "", 0, 0},
        TextCase{"TextNamedLikeAKeywordEndsTheText", "10\n0\n20\n0\n1\nLINE\n", true, "", 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextImport, MalformedPairIsLeftForTheDriver) {
    // The TEXT is dropped at its group 10; the driver then skips to the LINE.
    const auto objects =
        ImportTexts(Text("10\nabc\n20\n0\n1\nt\n") + "0\nLINE\n10\n1\n20\n1\n11\n2\n21\n2\n");
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].kind, standin::ObjectKind::Polyline);
}

TEST(TextImport, MultiplierAndOffsetMoveBothPoints) {
    TempHome home;
    SetSetting("Multiplier", 2.0);
    SetSetting("XOffset", 100);
    SetSetting("YOffset", -10);
    MapWindow map;
    standin::SetPage(map.Handle(), {0, 0}, {100, 0});
    const std::string body =
        Text("10\n1.75\n20\n1\n40\n1\n") + Text("10\n1.75\n20\n1\n11\n3.3\n21\n4.4\n73\n2\n");
    ASSERT_EQ(ImportDxf(home, map.Handle(), EntitiesFile(body)), 1);
    const auto objects = AllObjects(map.Snapshot());
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0].position.x, 103);
    EXPECT_EQ(objects[0].position.y, -8);
    EXPECT_EQ(objects[0].size, 2);
    EXPECT_EQ(objects[1].position.x, 106);
    EXPECT_EQ(objects[1].position.y, -1);
}

TEST(TextImport, InsideABlockNoOffsetsAndJoinsTheBlock) {
    TempHome home;
    SetSetting("XOffset", 100);
    MapWindow map;
    standin::SetPage(map.Handle(), {0, 0}, {100, 0});
    standin::EnableJournal(map.Handle(), true);
    const std::string text = "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nB\n10\n0\n20\n0\n" +
                             Text("1\nin\n10\n1.75\n20\n1\n50\n90\n") +
                             "0\nLINE\n10\n1\n20\n1\n11\n2\n21\n2\n" +
                             "0\nENDBLK\n0\nENDSEC\n0\nEOF\n";
    ASSERT_EQ(ImportDxf(home, map.Handle(), text), 1);
    std::vector<std::string> texts;
    std::size_t groups = 0;
    for (const std::string& line : standin::Journal(map.Handle())) {
        if (line.rfind("map_text_CreateEx(", 0) == 0)
            texts.push_back(line);
        groups += line.rfind("map_group_Create(", 0) == 0 ? 1 : 0;
    }
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "map_text_CreateEx(map, &h, \"in\", {1, 1}, \"Arial\", 0, 0, -1, 900, 0, "
                        "24, 0, 0, 0)");
    EXPECT_EQ(groups, 1u);
}

struct BreakCase {
    const char* name;
    std::string before;
    std::size_t length;
    LineBreakMode mode;
    std::string after;
};

class LineBreaksTest : public ::testing::TestWithParam<BreakCase> {};

TEST_P(LineBreaksTest, ConvertsInPlaceWithinTheLength) {
    std::string buffer = GetParam().before;
    EXPECT_EQ(ConvertLineBreaks(buffer.data(), GetParam().length, GetParam().mode), 1);
    EXPECT_EQ(buffer, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    BothModes, LineBreaksTest,
    ::testing::Values(
        BreakCase{"ToCrLf", "a\\nb\\n", 6, LineBreakMode::BackslashNToCrLf, "a\r\nb\r\n"},
        BreakCase{"PairCutByTheLength", "a\\nb\\n", 5, LineBreakMode::BackslashNToCrLf,
                  "a\r\nb\\n"},
        BreakCase{"DoubleBackslash", "\\\\n", 3, LineBreakMode::BackslashNToCrLf, "\\\r\n"},
        BreakCase{"ZeroLength", "\\n", 0, LineBreakMode::BackslashNToCrLf, "\\n"},
        BreakCase{"ToBackslashN", "a\r\nb\r\n", 6, LineBreakMode::CrLfToBackslashN, "a\\nb\\n"},
        BreakCase{"LoneCrAndLfStay", "\r\n\n\r\r\n", 6, LineBreakMode::CrLfToBackslashN,
                  "\\n\n\r\\n"},
        BreakCase{"CrLfCutByTheLength", "x\r\n", 2, LineBreakMode::CrLfToBackslashN, "x\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
