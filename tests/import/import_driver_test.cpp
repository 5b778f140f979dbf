// The import operation and its section driver.
#include "module/exports.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using namespace testing_support;

const std::string kLineA = "0\nLINE\n8\nA\n10\n0\n20\n0\n11\n1\n21\n1\n";

std::size_t ObjectCount(const MapWindow& map) {
    return AllObjects(map.Snapshot()).size();
}

struct MessageBoxRecorder {
    std::vector<std::string> boxes;
    MessageBoxRecorder() {
        standin::SetMessageBoxHook(
            [this](HWND, std::string_view text, std::string_view caption, UINT) {
                boxes.push_back(std::string(caption) + ": " + std::string(text));
                return IDOK;
            });
    }
    ~MessageBoxRecorder() { standin::SetMessageBoxHook(nullptr); }
};

TEST(ImportOperation, MissingFileShowsTheBoxAndReturnsZero) {
    TempHome home;
    MapWindow map;
    MessageBoxRecorder recorder;
    std::vector<LPARAM> progress;
    standin::SetMapMessageObserver(map.Handle(), [&](UINT message, WPARAM, LPARAM lParam) {
        if (message == 1177)
            progress.push_back(lParam);
        return LRESULT{0};
    });
    const auto before = map.Snapshot();
    EXPECT_EQ(DXFFileImport(map.Handle(), (home.Path() / "none.dxf").c_str(), 0, nullptr), 0);
    EXPECT_EQ(recorder.boxes, std::vector<std::string>{"DXF Import: File Opening Problems"});
    EXPECT_TRUE(progress.empty());
    EXPECT_EQ(map.Snapshot().layers.size(), before.layers.size());
    EXPECT_EQ(DXFFileImport(map.Handle(), home.Path().c_str(), 0, nullptr), 0)
        << "a directory cannot be opened as a drawing";
    EXPECT_EQ(VexaImport(map.Handle(), nullptr, 0, nullptr), 0);
}

TEST(ImportOperation, ProgressRunsFromStartToEnd) {
    TempHome home;
    MapWindow map;
    std::vector<LPARAM> progress;
    standin::SetMapMessageObserver(map.Handle(), [&](UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == 1177 && wParam == 3)
            progress.push_back(lParam);
        return LRESULT{0};
    });
    std::string body;
    for (int i = 0; i < 500; ++i)
        body += kLineA;
    ASSERT_EQ(ImportDxf(home, map.Handle(), EntitiesFile(body)), 1);
    ASSERT_GE(progress.size(), 5u);
    EXPECT_EQ(progress[0], -1);
    EXPECT_EQ(progress[1], 0);
    EXPECT_EQ(progress[progress.size() - 2], 100);
    EXPECT_EQ(progress.back(), -2);
}

struct DriverCase {
    const char* name;
    std::string dxf;
    std::size_t objects;
    friend void PrintTo(const DriverCase& c, std::ostream* os) { *os << c.name; }
};

class DriverTest : public ::testing::TestWithParam<DriverCase> {};

TEST_P(DriverTest, ImportsWhatTheSectionsHold) {
    TempHome home;
    MapWindow map;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ImportDxf(home, map.Handle(), GetParam().dxf), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(ObjectCount(map), GetParam().objects);
}

INSTANTIATE_TEST_SUITE_P(
    Sections, DriverTest,
    ::testing::Values(
        DriverCase{"EmptyFile", "", 0}, DriverCase{"NoSections", "999\ncomment only\n", 0},
        DriverCase{"OneLine", EntitiesFile(kLineA), 1},
        DriverCase{"SkippedSectionsBefore",
                   "0\nSECTION\n2\nCLASSES\n0\nLINE\n0\nENDSEC\n0\nSECTION\n2\nOBJECTS\n0\nENDSEC\n"
                   "0\nSECTION\n2\nUNKNOWN\n0\nENDSEC\n" +
                       EntitiesFile(kLineA),
                   1},
        DriverCase{"TwoEntitiesSections",
                   "0\nSECTION\n2\nENTITIES\n" + kLineA + "0\nENDSEC\n" + EntitiesFile(kLineA), 2},
        DriverCase{"GarbageAfterEof", EntitiesFile(kLineA) + "\x01\x02garbage\xff\n", 1},
        DriverCase{"LineUnderAnotherCode",
                   "0\nSECTION\n2\nENTITIES\n0\nSOLID\n1\nLINE\n8\nA\n10\n0\n20\n0\n11\n1\n21\n1\n"
                   "0\nENDSEC\n0\nEOF\n",
                   1},
        DriverCase{"UnsupportedEntitiesPassedOver",
                   EntitiesFile("0\nMTEXT\n1\ntext\n0\nHATCH\n10\n1\n" + kLineA), 1},
        DriverCase{"EndsRightAfterLineKeyword", "0\nSECTION\n2\nENTITIES\n0\nLINE\n", 0},
        DriverCase{"TruncatedInsideHeader", "0\nSECTION\n2\nHEADER\n9\n$EXTMIN\n10\n1", 0},
        DriverCase{"TablesEndingAfterTable", "0\nSECTION\n2\nTABLES\n0\nTABLE\n", 0},
        DriverCase{"TablesEndingAfterTableName", "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLTYPE\n", 0},
        DriverCase{"SectionNameMissingEndsTheImport",
                   "0\nSECTION\n0\nENDSEC\n" + EntitiesFile(kLineA), 0},
        DriverCase{"BlankLinesEverywhere",
                   "\n\n0\n\nSECTION\n\n2\nENTITIES\n\n\n0\nLINE\n10\n0\n20\n0\n11\n1\n21\n1\n"
                   "0\nENDSEC\n",
                   0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ImportOperation, UseBlockOffSkipsBlocksAndInserts) {
    TempHome home;
    SetSetting("UseBlock", 0);
    MapWindow map;
    std::vector<LPARAM> progress;
    standin::SetMapMessageObserver(map.Handle(), [&](UINT message, WPARAM, LPARAM lParam) {
        if (message == 1177)
            progress.push_back(lParam);
        return LRESULT{0};
    });
    const std::string dxf = "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nB\n10\n0\n20\n0\n" + kLineA +
                            "0\nENDBLK\n0\nENDSEC\n" +
                            EntitiesFile("0\nINSERT\n2\nB\n10\n5\n20\n5\n" + kLineA);
    ASSERT_EQ(ImportDxf(home, map.Handle(), dxf), 1);
    const auto objects = AllObjects(map.Snapshot());
    ASSERT_EQ(objects.size(), 1u) << "only the top-level LINE; the block is neither read nor used";
    EXPECT_EQ(XY(objects[0]), (std::vector<std::pair<std::int32_t, std::int32_t>>{{0, 0}, {1, 1}}));
}

TEST(ImportOperation, BlockDefinitionsLeaveNoTrace) {
    TempHome home;
    const std::string dxf = "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nB\n10\n0\n20\n0\n" + kLineA +
                            kLineA + "0\nENDBLK\n0\nENDSEC\n" + EntitiesFile("");
    const auto snapshot = ImportedMap(home, dxf);
    EXPECT_TRUE(AllObjects(snapshot).empty());
    EXPECT_TRUE(snapshot.objects.empty()) << "no group of the block is left either";
}

TEST(ImportOperation, NoAttributeWindowChangesNothing) {
    TempHome home;
    MapWindow map;
    ASSERT_EQ(ImportDxf(home, map.Handle(), EntitiesFile(kLineA), nullptr), 1);
    EXPECT_EQ(ObjectCount(map), 1u);
}

} // namespace
