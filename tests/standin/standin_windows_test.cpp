// The stand-in's windows and Win32 subset: messages, the attribute table and its CSV, message
// boxes, global memory, OpenFile, the call journal and whole-map snapshots.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

using testing_support::MapWindow;
using testing_support::ReadText;
using testing_support::TempHome;
using testing_support::WriteFile;

struct Cell {
    std::int32_t row;
    std::int32_t column;
    char text[256];
};

LRESULT SetCell(HWND window, std::int32_t row, std::int32_t column, const std::string& text) {
    Cell cell{row, column, {}};
    std::strncpy(cell.text, text.c_str(), sizeof cell.text - 1);
    return SendMessageA(window, 1029, 0, reinterpret_cast<LPARAM>(&cell));
}

TEST(StandinWindows, AttributeTableAnswersTheRowAndColumnMessages) {
    const HWND table = standin::CreateAttributeWindow(3);
    EXPECT_EQ(SendMessageA(table, 1042, 0, 0), 3);
    EXPECT_EQ(SendMessageA(table, 1025, 0, reinterpret_cast<LPARAM>("X")), 0);
    EXPECT_EQ(SendMessageA(table, 1025, 0, reinterpret_cast<LPARAM>("Y")), 1);
    EXPECT_EQ(SendMessageA(table, 1025, 0, reinterpret_cast<LPARAM>("Attributes")), -1);
    const LRESULT column = SendMessageA(table, 1043, 0, 0);
    EXPECT_EQ(column, 2);
    EXPECT_EQ(SendMessageA(table, 1027, static_cast<WPARAM>(column),
                           reinterpret_cast<LPARAM>("Attributes")),
              1);
    EXPECT_EQ(SendMessageA(table, 1025, 0, reinterpret_cast<LPARAM>("Attributes")), 2);
    EXPECT_EQ(SendMessageA(table, 1027, 9, reinterpret_cast<LPARAM>("none")), 0);

    EXPECT_EQ(SetCell(table, 3, 0, "5"), 1);
    EXPECT_EQ(SetCell(table, 3, 2, "Oak"), 1);
    EXPECT_EQ(SetCell(table, -1, 0, "x"), 0);
    EXPECT_EQ(SetCell(table, 0, 2000000, "x"), 0) << "far beyond any real table";
    EXPECT_EQ(SendMessageA(table, 1042, 0, 0), 4);
    const standin::AttributeTable contents = standin::AttributeTableOf(table);
    EXPECT_EQ(contents.columns, (std::vector<std::string>{"X", "Y", "Attributes"}));
    ASSERT_EQ(contents.rows.size(), 4u);
    EXPECT_EQ(contents.rows[3], (std::vector<std::string>{"5", "", "Oak"}));
    standin::DestroyHostWindow(table);
    EXPECT_EQ(SendMessageA(table, 1042, 0, 0), 0);
}

TEST(StandinWindows, CsvQuotesOnlyWhatNeedsQuoting) {
    TempHome home;
    const HWND table = standin::CreateAttributeWindow(0);
    const std::pair<std::string, std::string> cells[] = {
        {"plain", "plain"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"lf\nonly", "\"lf\nonly\""},
        {" spaced ", " spaced "},
    };
    std::string expected = "X,Y\r\n";
    for (std::int32_t row = 0; row < static_cast<std::int32_t>(std::size(cells)); ++row) {
        SetCell(table, row, 1, cells[row].first);
        expected += "," + cells[row].second + "\r\n";
    }
    const auto path = home.Path() / "table.csv";
    std::string error;
    ASSERT_TRUE(standin::SaveAttributeCsv(table, path.string(), &error)) << error;
    EXPECT_EQ(ReadText(path), expected);
    EXPECT_FALSE(
        standin::SaveAttributeCsv(table, (home.Path() / "no/such/dir.csv").string(), &error));
    EXPECT_FALSE(error.empty());
    standin::DestroyHostWindow(table);
}

TEST(StandinWindows, MessagesReachHandlersAndObservers) {
    std::vector<UINT> seen;
    const HWND window = standin::CreateHostWindow([&](UINT message, WPARAM w, LPARAM l) {
        seen.push_back(message);
        return static_cast<LRESULT>(w + static_cast<WPARAM>(l));
    });
    EXPECT_EQ(SendMessageA(window, 0x400, 2, 3), 5);
    MapWindow map;
    EXPECT_EQ(SendMessageA(map.Handle(), 0x401, 0, 0), 0) << "no observer yet";
    standin::SetMapMessageObserver(map.Handle(), [&](UINT message, WPARAM, LPARAM) {
        seen.push_back(message);
        return LRESULT{1};
    });
    EXPECT_EQ(SendMessageA(map.Handle(), 0x402, 0, 0), 1);
    standin::DestroyHostWindow(window);
    EXPECT_EQ(SendMessageA(window, 0x403, 1, 1), 0);
    EXPECT_EQ(seen, (std::vector<UINT>{0x400, 0x402}));
}

TEST(StandinWindows, MessageBoxesGoToTheHookOrToStderr) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "File Opening Problems", "DXF Import", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "Continue?", "Warning", MB_YESNO | MB_ICONWARNING), IDYES);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "DXF Import: File Opening Problems\nWarning: Continue?\n");

    std::string shown;
    standin::SetMessageBoxHook([&](HWND, std::string_view text, std::string_view caption, UINT) {
        shown = std::string(caption) + "|" + std::string(text);
        return IDNO;
    });
    EXPECT_EQ(MessageBoxA(nullptr, "Continue?", "Warning", MB_YESNO), IDNO);
    EXPECT_EQ(shown, "Warning|Continue?");
    standin::SetMessageBoxHook(nullptr);
}

TEST(StandinWindows, GlobalMemoryCountsLocksAndForgetsFreedBlocks) {
    const HGLOBAL block = GlobalAlloc(GHND, 16);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 16u);
    auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[15], 0);
    EXPECT_EQ(GlobalLock(block), bytes) << "the same memory under a second lock";
    EXPECT_EQ(GlobalUnlock(block), TRUE) << "still locked once";
    EXPECT_EQ(GlobalUnlock(block), FALSE);
    EXPECT_EQ(GlobalUnlock(block), FALSE) << "not locked at all";
    EXPECT_EQ(GlobalFree(block), nullptr);
    EXPECT_EQ(GlobalLock(block), nullptr);
    EXPECT_EQ(GlobalSize(block), 0u);
    EXPECT_EQ(GlobalFree(block), block) << "freeing twice fails";
    EXPECT_GT(GlobalCompact(0), 0u);
    EXPECT_EQ(GlobalAlloc(GHND, static_cast<SIZE_T>(-1)), nullptr);
}

TEST(StandinWindows, OpenFileLooksWhereTypedThenInThePathFolders) {
    TempHome home;
    const auto folder = home.Path() / "bin";
    std::filesystem::create_directories(folder);
    WriteFile(folder, "lookup.ini", "A 1 One\n");
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", ("/nonexistent:" + folder.string()).c_str(), 1);

    OFSTRUCT info{};
    const HFILE found = OpenFile("lookup.ini", &info, OF_READ);
    EXPECT_NE(found, HFILE_ERROR);
    EXPECT_EQ(std::string(info.szPathName), (folder / "lookup.ini").string());
    EXPECT_EQ(_lclose(found), 0);
    EXPECT_EQ(_lclose(found), HFILE_ERROR) << "closed already";

    const HFILE typed = OpenFile((folder / "lookup.ini").c_str(), &info, OF_READ);
    EXPECT_NE(typed, HFILE_ERROR);
    _lclose(typed);
    EXPECT_EQ(OpenFile("missing.ini", &info, OF_READ), HFILE_ERROR);
    EXPECT_NE(info.nErrCode, 0);
    EXPECT_EQ(OpenFile(folder.c_str(), &info, OF_READ), HFILE_ERROR) << "a folder is no file";
    EXPECT_EQ(OpenFile((home.Path() / "nope" / "lookup.ini").c_str(), &info, OF_READ), HFILE_ERROR)
        << "a path with a folder is not searched";
    setenv("PATH", savedPath.c_str(), 1);
}

TEST(StandinJournal, RecordsEachCallOfItsMapOnlyWhileOn) {
    MapWindow map;
    MapWindow other;
    const HWND m = map.Handle();
    OBJHANDLE layer = nullptr;
    map_layer_Create(m, &layer, nullptr, 0, -1, "Before", 0, 0xFFFFFFFF, 0, 1, 7, 0, 0);
    EXPECT_TRUE(standin::Journal(m).empty()) << "off by default";

    standin::EnableJournal(m, true);
    map_layer_Create(m, &layer, nullptr, 0, -1, "A", 0, 0xFFFFFFFF, 0, 1, 7, 0, 0);
    const MAP_COORDPT at{5, -6};
    OBJHANDLE text = nullptr;
    map_text_CreateEx(m, &text, "say \"hi\"\r\n", &at, nullptr, 10, 0, 0xFFFFFFFF, 0, 0, 5, 0, 0,
                      0);
    std::int32_t cursor = 0;
    FirstReference(standin_WindowObjectDatabase(m), layer, kRefLayerChildren, &cursor);
    m_ArcCreate(m, 1, 2, 3, 0.5, 90.0, 20);
    map_layer_Search(other.Handle(), -1, nullptr);
    standin::EnableJournal(m, false);
    map_layer_Search(m, -1, nullptr);

    const std::string layerId = std::to_string(reinterpret_cast<std::uintptr_t>(layer));
    EXPECT_EQ(standin::Journal(m),
              (std::vector<std::string>{
                  "map_layer_Create(map, &h, null, 0, -1, \"A\", 0, -1, 0, 1, 7, 0, 0)",
                  "map_text_CreateEx(map, &h, \"say \\\"hi\\\"\\r\\n\", {5, -6}, null, 10, 0, "
                  "-1, 0, 0, 5, 0, 0, 0)",
                  "FirstReference(db, #" + layerId + ", 34819, &cursor)",
                  "m_ArcCreate(map, 1, 2, 3, 0.5, 90, 20)",
              }));
    EXPECT_TRUE(standin::Journal(other.Handle()).empty());
    standin::ClearJournal(m);
    EXPECT_TRUE(standin::Journal(m).empty());
}

TEST(StandinSnapshot, RestoreRebuildsLayersGroupsAndPerWindowValues) {
    MapWindow source;
    const HWND s = source.Handle();
    OBJHANDLE layer = nullptr;
    map_layer_Create(s, &layer, nullptr, 0, 8, "Eight", 1, 2, 3, 2, 7, 4, 0);
    const MAP_COORDPT points[] = {{0, 0}, {5, 5}};
    OBJHANDLE a = nullptr;
    OBJHANDLE b = nullptr;
    map_polyline_Create(s, &a, points, 2, 0);
    map_polygon_Create(s, &b, points, 2, 0);
    OBJHANDLE inner = nullptr;
    map_group_Create(s, &inner, &b, 1, 0);
    const OBJHANDLE outerMembers[] = {a, inner};
    OBJHANDLE outer = nullptr;
    map_group_Create(s, &outer, outerMembers, 2, 0);
    standin::SetUnitId(s, 4);
    standin::SetTextBase(s, 1200);
    standin::SetPage(s, {1, 2}, {300, 400});
    PM_SetAllObjectsRect(standin_WindowPresentation(s), s, -1, -2, 3, 4);
    standin::MapSnapshot snapshot = standin::Snapshot(s);
    // A second layer with a number already in use moves up out of the way.
    standin::Layer twin = snapshot.layers[1];
    twin.id = 999'999'999;
    twin.objects.clear();
    snapshot.layers.push_back(twin);

    MapWindow target;
    const HWND t = target.Handle();
    standin::Restore(t, snapshot);
    const standin::MapSnapshot restored = standin::Snapshot(t);
    ASSERT_EQ(restored.layers.size(), 3u);
    EXPECT_EQ(restored.layers[1].number, 8);
    EXPECT_EQ(restored.layers[1].name, "Eight");
    EXPECT_EQ(restored.layers[1].attributes, snapshot.layers[1].attributes);
    EXPECT_FALSE(restored.layers[1].editable);
    EXPECT_EQ(restored.layers[2].number, 9);
    EXPECT_EQ(restored.currentLayer, 8);
    EXPECT_EQ(restored.unitId, 4);
    EXPECT_EQ(standin_WindowUnitId(t), 4);
    EXPECT_EQ(standin_WindowTextBase(t), 1200);
    MAP_COORDPT origin{}, extent{};
    PageGetOrgExtInWindow(t, &origin, &extent);
    EXPECT_EQ(extent.y, 400);
    ASSERT_TRUE(restored.objectsRect.has_value());
    EXPECT_EQ(restored.objectsRect->max.y, 4);

    ASSERT_EQ(restored.objects.size(), 4u);
    ASSERT_EQ(restored.layers[1].objects.size(), 2u);
    const OBJHANDLE restoredA = standin::HandleOf(restored.layers[1].objects[0]);
    EXPECT_EQ(map_object_type_Get(t, restoredA), kTypePolyline);
    EXPECT_EQ(map_object_type_Get(t, a), 0) << "ids are new";
    const standin::Object& restoredOuter = restored.objects[3];
    ASSERT_EQ(restoredOuter.kind, standin::ObjectKind::Group);
    ASSERT_EQ(restoredOuter.members.size(), 2u);
    EXPECT_EQ(restoredOuter.members[0], restored.layers[1].objects[0]);
    EXPECT_EQ(map_object_type_Get(t, standin::HandleOf(restoredOuter.members[1])), kTypeGroup);
}

TEST(StandinSnapshot, NewMapsHaveTheDocumentedPageAndTextBase) {
    MapWindow map;
    MAP_COORDPT origin{9, 9}, extent{};
    ASSERT_EQ(PageGetOrgExtInWindow(map.Handle(), &origin, &extent), 1);
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(extent.x, 640);
    EXPECT_EQ(extent.y, 454);
    EXPECT_EQ(standin_WindowTextBase(map.Handle()), 1000);
    EXPECT_EQ(PointSizeToMap(map.Handle(), 10) * 0.4, 10.0);
    const tagUnitInfo* millimetre = FindUnitInfo(1);
    ASSERT_NE(millimetre, nullptr);
    EXPECT_TRUE(millimetre->flags & kUnitHasFactor);
    EXPECT_EQ(millimetre->factor, 1000.0);
    EXPECT_FALSE(FindUnitInfo(0)->flags & kUnitHasFactor);
    EXPECT_EQ(FindUnitInfo(-3), nullptr);
}

} // namespace
