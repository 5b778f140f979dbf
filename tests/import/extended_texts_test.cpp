// The extended import's texts: MTEXT, the control codes of TEXT, MTEXT and attributes, visible
// ATTRIB values and MULTILEADER, and that none of it happens with the setting off.
#include "blocks_dxf.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace testing_support;
using namespace blocks_dxf;

template <typename Case>
requires requires(const Case& c) {
    c.name;
}
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

// Imports the drawing into a map whose page has no height, so that a font size is the height.
std::vector<standin::Object> Import(const std::string& dxf, bool extended = true,
                                    HWND attributeWindow = nullptr) {
    TempHome home;
    SetSetting("ExtendedEntities", std::int32_t{extended ? 1 : 0});
    MapWindow map;
    standin::SetPage(map.Handle(), {0, 0}, {100, 0});
    EXPECT_EQ(ImportDxf(home, map.Handle(), dxf, attributeWindow), 1);
    return AllObjects(map.Snapshot());
}

std::vector<standin::Object> TextsOf(const std::vector<standin::Object>& objects) {
    std::vector<standin::Object> texts;
    for (const standin::Object& object : objects) {
        if (object.kind == standin::ObjectKind::Text)
            texts.push_back(object);
    }
    return texts;
}

std::string MText(const std::vector<Group>& groups) {
    std::vector<Group> all{{0, "MTEXT"}, {8, "Notes"}, {10, "5"}, {20, "6"}, {40, "2"}};
    all.insert(all.end(), groups.begin(), groups.end());
    return Dxf(all);
}

struct PlainCase {
    const char* name;
    std::vector<Group> groups; // the MTEXT's value groups
    std::string text;
};

class MTextPlainTest : public ::testing::TestWithParam<PlainCase> {};

TEST_P(MTextPlainTest, FormattingCodesLeaveThePlainText) {
    const auto objects = Import(EntitiesFile(MText(GetParam().groups)));
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].kind, standin::ObjectKind::Text);
    EXPECT_EQ(objects[0].text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, MTextPlainTest,
    ::testing::Values(
        PlainCase{"ParagraphsAndGroups",
                  {{1, "{\\fArial|b1|i0;Line one}\\PLine {\\H2.5x;\\C1;two}"}},
                  "Line one\r\nLine two"},
        PlainCase{"ContinuationsComeFirst",
                  {{3, "Hello "}, {3, "big "}, {1, "world"}},
                  "Hello big world"},
        // Text groups may hold any keyword; only a code-0 pair ends the MTEXT.
        PlainCase{"KeywordAsText", {{3, "POINT "}, {1, "TEXT"}}, "POINT TEXT"},
        PlainCase{"EscapedCharacters", {{1, "a\\\\b\\{c\\}d\\~e"}}, "a\\b{c}d e"},
        PlainCase{
            "UnderlineOverlineAndStrike", {{1, "\\Lunder\\l \\Oover\\o \\Kx\\k"}}, "under over x"},
        PlainCase{"StacksBecomeFractions",
                  {{1, "6'-10\\S1/2;\" \\S+0.1^ -0.2;"}},
                  "6'-101/2\" +0.1/-0.2"},
        PlainCase{"UnicodeEscapeAsUtf8", {{1, "\\U+00E4\\U+03BB"}}, "\xC3\xA4\xCE\xBB"},
        PlainCase{"ControlCodes",
                  {{1, "%%c80 %%d %%p1"}},
                  "\xE2\x8C\x80"
                  "80 \xC2\xB0 \xC2\xB1"
                  "1"},
        PlainCase{"CaretCodes", {{1, "a^Jb^Ic^ d"}}, "a\r\nb c^d"},
        PlainCase{"UnfinishedCodesAtTheEnd", {{1, "x\\H2.5"}}, "x"}));

struct PlacementCase {
    const char* name;
    std::vector<Group> groups;
    std::int32_t x;
    std::int32_t y;
    std::int32_t rotation;
    std::uint32_t flags;
};

class MTextPlacementTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(MTextPlacementTest, PointAngleAndAttachment) {
    const PlacementCase& c = GetParam();
    std::vector<Group> groups = c.groups;
    groups.push_back({1, "T"});
    const auto objects = Import(EntitiesFile(MText(groups)));
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].position.x, c.x);
    EXPECT_EQ(objects[0].position.y, c.y);
    EXPECT_EQ(objects[0].rotation, c.rotation);
    EXPECT_EQ(objects[0].flags, c.flags);
    EXPECT_EQ(objects[0].size, 2);
}

// Flags: 16, plus 1 centred or 2 right, plus 4 middle or 8 baseline (top adds nothing).
INSTANTIATE_TEST_SUITE_P(
    Values, MTextPlacementTest,
    ::testing::Values(PlacementCase{"DefaultTopLeft", {}, 5, 6, 0, 16},
                      PlacementCase{"MiddleCentre", {{71, "5"}}, 5, 6, 0, 21},
                      PlacementCase{"BottomRight", {{71, "9"}}, 5, 6, 0, 26},
                      PlacementCase{"UnknownAttachmentIsTopLeft", {{71, "12"}}, 5, 6, 0, 16},
                      PlacementCase{"RotationInDegrees", {{50, "30"}}, 5, 6, 300, 16},
                      PlacementCase{
                          "DirectionWins", {{50, "30"}, {11, "0"}, {21, "2"}}, 5, 6, 900, 16},
                      PlacementCase{"MirroredPlane", {{50, "30"}, {230, "-1"}}, -5, 6, 1500, 16}));

struct DroppedCase {
    const char* name;
    std::vector<Group> groups;
};

class MalformedMTextTest : public ::testing::TestWithParam<DroppedCase> {};

TEST_P(MalformedMTextTest, DropsTheEntityAndReadsOn) {
    std::vector<Group> groups{{0, "MTEXT"}, {1, "T"}};
    groups.insert(groups.end(), GetParam().groups.begin(), GetParam().groups.end());
    const std::string next = Dxf({{0, "TEXT"}, {10, "1"}, {20, "1"}, {40, "1"}, {1, "after"}});
    const auto texts = TextsOf(Import(EntitiesFile(Dxf(groups) + next)));
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "after");
}

INSTANTIATE_TEST_SUITE_P(
    Values, MalformedMTextTest,
    ::testing::Values(DroppedCase{"NoPoint", {{40, "1"}}},
                      DroppedCase{"MalformedX", {{10, "abc"}, {20, "1"}}},
                      DroppedCase{"NaNHeight", {{10, "1"}, {20, "1"}, {40, "nan"}}},
                      DroppedCase{"HugeHeight", {{10, "1"}, {20, "1"}, {40, "1e300"}}},
                      DroppedCase{"PointBeyondTheMap", {{10, "1e12"}, {20, "1"}}},
                      DroppedCase{"ExtrusionWithoutLength", {{10, "1"}, {20, "1"}, {230, "0"}}}));

struct ControlCodeCase {
    const char* name;
    std::string value;
    std::string text;
};

class TextControlCodeTest : public ::testing::TestWithParam<ControlCodeCase> {};

TEST_P(TextControlCodeTest, BecomeTheirCharacters) {
    const std::string text = Dxf({{0, "TEXT"}, {10, "1"}, {20, "1"}, {1, GetParam().value}});
    const auto objects = Import(EntitiesFile(text));
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, TextControlCodeTest,
    ::testing::Values(ControlCodeCase{"UnderlineDropped", "%%uMASTER BEDROOM%%u", "MASTER BEDROOM"},
                      ControlCodeCase{"OverlineDropped", "%%oTOP", "TOP"},
                      ControlCodeCase{"Symbols", "90%%d %%p0.5 %%c10",
                                      "90\xC2\xB0 \xC2\xB1"
                                      "0.5 \xE2\x8C\x80"
                                      "10"},
                      ControlCodeCase{"CapitalLetters", "%%D%%P%%C",
                                      "\xC2\xB0\xC2\xB1\xE2\x8C\x80"},
                      ControlCodeCase{"Percent", "50%%%", "50%"},
                      ControlCodeCase{"ByCode", "%%065%%176", "A\xC2\xB0"},
                      ControlCodeCase{"UnknownAndUnfinishedStay", "%%x 5%% %%1", "%%x 5%% %%1"},
                      ControlCodeCase{"UnicodeEscape", "\\U+00B0C",
                                      "\xC2\xB0"
                                      "C"}));

TEST(ExtendedTexts, MirroredTextIsSeenFromAbove) {
    const std::string text = Dxf({{0, "TEXT"},
                                  {10, "10"},
                                  {20, "4"},
                                  {50, "30"},
                                  {210, "0"},
                                  {220, "0"},
                                  {230, "-1"},
                                  {1, "T"}});
    const auto objects = Import(EntitiesFile(text));
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].position.x, -10);
    EXPECT_EQ(objects[0].position.y, 4);
    EXPECT_EQ(objects[0].rotation, 1500);
}

struct AlignedTextCase {
    const char* name;
    const char* horizontal; // 72
    const char* alignX;     // 11
    bool extended;
    std::int32_t x;
    std::int32_t rotation;
};

class AlignedTextTest : public ::testing::TestWithParam<AlignedTextCase> {};

// An aligned or fitted TEXT from (15, 0) to its alignment point at y 20.
TEST_P(AlignedTextTest, HangsOnItsInsertionPoint) {
    const AlignedTextCase& c = GetParam();
    const std::string text = Dxf({{0, "TEXT"},
                                  {10, "15"},
                                  {20, "0"},
                                  {72, c.horizontal},
                                  {11, c.alignX},
                                  {21, "20"},
                                  {1, "T"}});
    const auto objects = Import(EntitiesFile(text), c.extended);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].position.x, c.x);
    EXPECT_EQ(objects[0].rotation, c.rotation);
    EXPECT_EQ(objects[0].flags, 24u) << "left on the baseline";
}

INSTANTIATE_TEST_SUITE_P(Values, AlignedTextTest,
                         ::testing::Values(AlignedTextCase{"Aligned", "3", "35", true, 15, 450},
                                           AlignedTextCase{"Fitted", "5", "15", true, 15, 900},
                                           AlignedTextCase{"ClassicAligned", "3", "35", false, 35,
                                                           0}));

TEST(ExtendedTexts, SettingOffKeepsTheClassicImport) {
    const std::string dxf = Drawing(
        Block("B", "0", "0", LineEntity("0", "0", "1", "0")) +
            Block("*D1", "0", "0", LineEntity("0", "0", "2", "0")),
        MText({{1, "M"}}) +
            Dxf({{0, "TEXT"}, {10, "1"}, {20, "1"}, {1, "%%uA%%d"}, {210, "0"}, {230, "-1"}}) +
            Insert("B", "0", "0", "66\n1\n") + Attrib("TAG", "V", "1", "2") + kSeqEnd +
            Dxf({{0, "DIMENSION"}, {2, "*D1"}, {1, "12"}, {11, "1"}, {21, "1"}}));
    const auto objects = Import(dxf, false);
    const auto texts = TextsOf(objects);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "%%uA%%d");
    EXPECT_EQ(texts[0].position.x, 1);
    EXPECT_EQ(objects.size(), 2u) << "the TEXT and the INSERT's line only";
}

std::string AttribWith(const std::vector<Group>& groups) {
    std::vector<Group> all{{0, "ATTRIB"}, {8, "Tags"}, {10, "3"}, {20, "4"}, {40, "2"}};
    all.insert(all.end(), groups.begin(), groups.end());
    return Dxf(all);
}

TEST(ExtendedTexts, VisibleAttributesBecomeTextsAndTheirRowsStay) {
    const std::string entities =
        Insert("B", "0", "0", "66\n1\n") + AttribWith({{1, "%%dV1"}, {2, "T1"}, {70, "0"}}) +
        AttribWith({{1, "hidden"}, {2, "T2"}, {70, "1"}}) +
        AttribWith({{1, "R"}, {2, "T3"}, {72, "2"}, {74, "2"}, {11, "8"}, {21, "9"}, {50, "90"}}) +
        AttribWith({{1, "A"}, {2, "T4"}, {72, "3"}, {11, "3"}, {21, "14"}}) + kSeqEnd;
    HWND window = standin::CreateAttributeWindow();
    const auto texts = TextsOf(Import(
        Drawing(Block("B", "0", "0", LineEntity("0", "0", "1", "0")), entities), true, window));
    const auto rows = standin::AttributeTableOf(window).rows;
    standin::DestroyHostWindow(window);
    EXPECT_EQ(rows.size(), 4u) << "every complete attribute keeps its row";
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].text, "\xC2\xB0V1");
    EXPECT_EQ(texts[0].position.x, 3);
    EXPECT_EQ(texts[0].position.y, 4);
    EXPECT_EQ(texts[0].flags, 24u);
    EXPECT_EQ(texts[1].text, "R");
    EXPECT_EQ(texts[1].position.x, 8) << "a justified value hangs on its alignment point";
    EXPECT_EQ(texts[1].position.y, 9);
    EXPECT_EQ(texts[1].rotation, 900);
    EXPECT_EQ(texts[1].flags, 22u);
    EXPECT_EQ(texts[2].position.x, 3) << "an aligned value starts on its insertion point";
    EXPECT_EQ(texts[2].position.y, 4);
    EXPECT_EQ(texts[2].rotation, 900) << "turned toward its alignment point";
}

TEST(ExtendedTexts, MultiLeaderGivesItsLinesAndText) {
    const std::string leader = Dxf({{0, "MULTILEADER"},
                                    {8, "Notes"},
                                    {300, "CONTEXT_DATA{"},
                                    {40, "1"},
                                    {10, "99"},
                                    {20, "99"},
                                    {41, "3"},
                                    {304, "Note %%c5\\PSecond"},
                                    {12, "20"},
                                    {22, "10"},
                                    {13, "1"},
                                    {23, "0"},
                                    {171, "7"},
                                    {302, "LEADER{"},
                                    {10, "18"},
                                    {20, "10"},
                                    {11, "1"},
                                    {21, "0"},
                                    {40, "2"},
                                    {304, "LEADER_LINE{"},
                                    {10, "0"},
                                    {20, "0"},
                                    {10, "10"},
                                    {20, "5"},
                                    {305, "}"},
                                    {304, "LEADER_LINE{"},
                                    {10, "0"},
                                    {20, "20"},
                                    {305, "}"},
                                    {303, "}"},
                                    {301, "}"}});
    const auto objects = Import(EntitiesFile(leader));
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(XY(objects[0]), (std::vector<std::pair<std::int32_t, std::int32_t>>{
                                  {0, 0}, {10, 5}, {18, 10}, {20, 10}}));
    EXPECT_EQ(XY(objects[1]),
              (std::vector<std::pair<std::int32_t, std::int32_t>>{{0, 20}, {18, 10}, {20, 10}}));
    EXPECT_EQ(objects[2].text, "Note \xE2\x8C\x80"
                               "5\r\nSecond");
    EXPECT_EQ(objects[2].position.x, 20);
    EXPECT_EQ(objects[2].size, 3);
    EXPECT_EQ(objects[2].flags, 24u);
}

} // namespace
