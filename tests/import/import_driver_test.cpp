// The import operation: files it cannot open, progress, and raw bytes the case files cannot
// hold (the section driver's cases are in cases/driver.txt).
#include "module/exports.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace testing_support;

const std::string kLineA = "0\nLINE\n8\nA\n10\n0\n20\n0\n11\n1\n21\n1\n";

// A file that cannot be opened shows the box, sends no progress and changes nothing; a drawing
// sends start, growing percentages and end.
TEST(ImportOperation, MissingFileThenProgressFromStartToEnd) {
    TempHome home;
    MapWindow map;
    MessageBoxes boxes;
    std::vector<LPARAM> progress;
    standin::SetMapMessageObserver(map.Handle(), [&](UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == 1177)
            progress.push_back(wParam == 3 ? lParam : -100);
        return LRESULT{0};
    });
    const auto before = map.Snapshot();
    EXPECT_EQ(DXFFileImport(map.Handle(), (home.Path() / "none.dxf").c_str(), 0, nullptr), 0);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].caption + ": " + boxes.Shown()[0].text,
              "DXF Import: File Opening Problems");
    EXPECT_TRUE(progress.empty());
    EXPECT_EQ(map.Snapshot().layers.size(), before.layers.size());
    EXPECT_EQ(DXFFileImport(map.Handle(), home.Path().c_str(), 0, nullptr), 0)
        << "a directory cannot be opened as a drawing";
    EXPECT_EQ(VexaImport(map.Handle(), nullptr, 0, nullptr), 0);

    std::string body;
    for (int i = 0; i < 500; ++i)
        body += kLineA;
    ASSERT_EQ(ImportDxf(home, map.Handle(), EntitiesFile(body)), 1);
    EXPECT_EQ(AllObjects(map.Snapshot()).size(), 500u);
    ASSERT_GE(progress.size(), 5u);
    EXPECT_EQ(progress[0], -1);
    EXPECT_EQ(progress[1], 0);
    for (std::size_t i = 2; i + 2 < progress.size(); ++i)
        EXPECT_TRUE(progress[i] > progress[i - 1] && progress[i] <= 100) << i;
    EXPECT_EQ(progress[progress.size() - 2], 100);
    EXPECT_EQ(progress.back(), -2);
}

// Bytes after EOF are never read; blank lines shift every later pair, so the SECTION keyword is
// never found.
TEST(ImportOperation, RawBytesAroundTheSections) {
    TempHome home;
    EXPECT_EQ(AllObjects(ImportedMap(home, EntitiesFile(kLineA) + "\x01\x02garbage\xff\n")).size(),
              1u);
    EXPECT_TRUE(AllObjects(ImportedMap(home, "\n\n0\n\nSECTION\n\n2\nENTITIES\n\n\n" + kLineA +
                                                 "0\nENDSEC\n"))
                    .empty());
}

} // namespace
