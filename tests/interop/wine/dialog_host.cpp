// A test host for the options dialog as the system shows it (under Wine on Xvfb): loads dxf.cnv,
// calls DXFImportOptions once per case and drives dialog 129 through the dialog manager from a
// timer that the dialog's own message loop runs: reads and sets control texts, presses buttons
// with BM_CLICK, answers the Warning box through the stand-in's message-box hook, and checks
// what the settings store holds afterwards. The first case also compares every control's window
// rectangle with dialog 129 of dxf.cnv's resources and saves the dialog as a BMP picture.
// Prints "ok NAME" or "FAIL NAME: ..." per check. The cases are lines of dialog_cases.txt.
// Usage: dialog_host DXF_CNV SCREENSHOT.bmp CASES.txt
#include "host/vexcore.h"
#include "module/exports.h"
#include "options/resource.h"
#include "standin/standin.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr const char* kSection = "Converters\\Imports\\Dxf";

// The controls and answers the cases name.
const std::map<std::string, int> kNames{{"multiplier", IDC_MULTIPLIER},
                                        {"x-offset", IDC_X_OFFSET},
                                        {"ini-file", IDC_INI_FILE},
                                        {"ok", IDOK},
                                        {"cancel", IDCANCEL},
                                        {"yes", IDYES},
                                        {"no", IDNO}};

struct Action {
    int control;
    std::optional<std::string> text; // typed into the control; clicked without
};

struct Case { // a line of dialog_cases.txt
    std::string name;
    double multiplier;
    std::string shownMultiplier; // what the dialog shows on opening
    std::vector<Action> actions;
    int boxAnswer; // the answer to a Warning box, if one comes
    std::size_t boxes;
    std::map<std::string, std::string> expected; // stored values afterwards
};

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

std::vector<Case> ReadCases(const char* path) {
    std::vector<Case> cases;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string> f =
            Split(line.substr(0, line.find_last_not_of('\r') + 1), '|');
        if (line.empty() || line[0] == '#' || f.size() != 7)
            continue;
        Case c{f[0], std::stod(f[1]), f[2], {}, kNames.at(f[4]), std::stoul(f[5]), {}};
        for (const std::string& action : Split(f[3], ';')) {
            const std::size_t equals = action.find('=');
            c.actions.push_back({kNames.at(action.substr(0, equals)),
                                 equals == std::string::npos
                                     ? std::nullopt
                                     : std::optional(action.substr(equals + 1))});
        }
        for (const std::string& stored : Split(f[6], ';'))
            c.expected[stored.substr(0, stored.find('='))] = stored.substr(stored.find('=') + 1);
        cases.push_back(std::move(c));
    }
    return cases;
}

int g_failed = 0;
int g_passed = 0;

void Check(const std::string& name, const std::string& expected, const std::string& actual) {
    if (expected == actual) {
        ++g_passed;
        std::printf("ok   %s\n", name.c_str());
    } else {
        ++g_failed;
        std::printf("FAIL %s\n     expected: %s\n     found:    %s\n", name.c_str(),
                    expected.c_str(), actual.c_str());
    }
}

struct Run {
    const Case* current = nullptr;
    HMODULE module = nullptr;
    HWND dialog = nullptr;
    std::string shown;
    std::vector<std::string> boxes;
    std::string screenshot; // where the first case saves the picture; empty afterwards
};
Run g_run;

std::string ItemText(HWND dialog, int id) {
    char text[512] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// Dialog 129 as dxf.cnv's resources hold it (DLGTEMPLATEEX): each control's id and rectangle
// in dialog units.
struct TemplateItem {
    int id;
    RECT rect;
};

const BYTE* SkipText(const BYTE* at) { // a zero-terminated UTF-16 text, or 0xFFFF and an ordinal
    const auto* word = reinterpret_cast<const WORD*>(at);
    if (*word == 0xFFFF)
        return at + 4;
    while (*word != 0)
        ++word;
    return reinterpret_cast<const BYTE*>(word + 1);
}

const BYTE* AlignDword(const BYTE* at, const BYTE* base) {
    return base + ((at - base + 3) & ~3);
}

template <typename T>
T Read(const BYTE* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

std::vector<TemplateItem> TemplateItems(HMODULE module) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDD_IMPORT_OPTIONS), RT_DIALOG);
    const BYTE* base =
        found ? static_cast<const BYTE*>(LockResource(LoadResource(module, found))) : nullptr;
    std::vector<TemplateItem> items;
    if (!base || Read<WORD>(base + 2) != 0xFFFF)
        return items;
    const DWORD style = Read<DWORD>(base + 12);
    const WORD count = Read<WORD>(base + 16);
    const BYTE* at = SkipText(SkipText(SkipText(base + 26))); // menu, class, title
    if (style & DS_SETFONT)
        at = SkipText(at + 6);
    for (WORD i = 0; i < count; ++i) {
        at = AlignDword(at, base);
        const short x = Read<short>(at + 12), y = Read<short>(at + 14);
        const short cx = Read<short>(at + 16), cy = Read<short>(at + 18);
        const auto id = static_cast<int>(Read<DWORD>(at + 20));
        items.push_back({id, RECT{x, y, x + cx, y + cy}});
        at = SkipText(SkipText(at + 24));
        at += 2 + Read<WORD>(at);
    }
    return items;
}

void CheckControlRectangles(HWND dialog) {
    const std::vector<TemplateItem> items = TemplateItems(g_run.module);
    Check("dialog 129 found in dxf.cnv's resources with 20 controls", "20",
          std::to_string(items.size()));
    for (const TemplateItem& item : items) {
        if (item.id == IDC_STATIC)
            continue; // the labels share one id
        // The dialog manager scales the position and the size each on its own.
        RECT scaled{item.rect.left, item.rect.top, item.rect.right - item.rect.left,
                    item.rect.bottom - item.rect.top};
        MapDialogRect(dialog, &scaled);
        const RECT expected{scaled.left, scaled.top, scaled.left + scaled.right,
                            scaled.top + scaled.bottom};
        RECT actual{};
        GetWindowRect(GetDlgItem(dialog, item.id), &actual);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
        const auto text = [](const RECT& r) {
            return std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                   std::to_string(r.right) + "," + std::to_string(r.bottom);
        };
        Check("control " + std::to_string(item.id) + " where the template puts it", text(expected),
              text(actual));
    }
}

// The dialog as the screen shows it, saved as a 32-bit BMP.
void SaveScreenshot(HWND dialog, const std::string& path) {
    // The window's rectangle on the screen. Xvfb runs no window manager, so nobody draws the
    // frame and caption, and Wine shows the client area at the window's position: the picture
    // has the dialog's content at its top left and black where the frame would be.
    RECT r{};
    GetWindowRect(dialog, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    // Wine's PrintWindow leaves the controls out; the screen has them once they have painted.
    RedrawWindow(dialog, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    const DWORD bytes = static_cast<DWORD>(width * height * 4);
    BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof file + sizeof info.bmiHeader + bytes),
                          0, 0, static_cast<DWORD>(sizeof file + sizeof info.bmiHeader)};
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), bytes);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    Check("screenshot written", "yes", out ? "yes" : "no");
}

void RunActions(HWND dialog) {
    for (const Action& action : g_run.current->actions) {
        if (!IsWindow(dialog))
            break;
        if (action.text)
            SetDlgItemTextA(dialog, action.control, action.text->c_str());
        else
            SendMessageA(GetDlgItem(dialog, action.control), BM_CLICK, 0, 0);
    }
}

// Half a second after the first dialog opened, once it is on the screen.
void CALLBACK ShootAndDrive(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    CheckControlRectangles(g_run.dialog);
    SaveScreenshot(g_run.dialog, g_run.screenshot);
    g_run.screenshot.clear();
    RunActions(g_run.dialog);
}

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    g_run.shown = ItemText(g_run.dialog, IDC_MULTIPLIER);
    constexpr UINT kOnScreenDelayMs = 500;
    if (!g_run.screenshot.empty())
        SetTimer(nullptr, 0, kOnScreenDelayMs, ShootAndDrive);
    else
        RunActions(g_run.dialog);
}

// Dialog 129 is the dialog made with dxf.cnv's instance handle.
LRESULT CALLBACK WatchDialogs(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const auto* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam);
        if (create->lpcs->hInstance == g_run.module && !g_run.dialog) {
            g_run.dialog = reinterpret_cast<HWND>(wParam);
            SetTimer(nullptr, 0, 0, DriveDialog);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void RunCase(const Case& c, DxfOptionsFn options, HWND owner) {
    standin::ReloadConfiguration();
    m_RegValueSet(kSection, "Multiplier", c.multiplier);
    m_RegValueSet(kSection, "XOffset", std::int32_t{3});
    m_RegValueSet(kSection, "IniFile", "");
    g_run.current = &c;
    g_run.dialog = nullptr;
    g_run.boxes.clear();
    standin::SetMessageBoxHook([&c](HWND, std::string_view text, std::string_view caption, UINT) {
        g_run.boxes.push_back(std::string(caption) + ": " + std::string(text));
        return c.boxAnswer;
    });
    const std::int32_t result = options(owner, owner, 0);
    standin::SetMessageBoxHook(nullptr);
    const std::string& name = c.name;
    Check(name + ": returns 1", "1", std::to_string(result));
    Check(name + ": dialog 129 shown", "yes", g_run.dialog ? "yes" : "no");
    Check(name + ": multiplier shown", c.shownMultiplier, g_run.shown);
    Check(name + ": boxes", std::to_string(c.boxes), std::to_string(g_run.boxes.size()));
    for (const std::string& box : g_run.boxes)
        Check(name + ": the box", "Warning: Initialization file not found.\nContinue?", box);
    const auto section = standin::SettingsSection(kSection);
    const std::map<std::string, std::string> stored(section.begin(), section.end());
    for (const auto& [key, value] : c.expected) {
        const auto found = stored.find(key);
        Check(name + ": stored " + key, value, found == stored.end() ? "(none)" : found->second);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: dialog_host DXF_CNV SCREENSHOT.bmp CASES.txt\n");
        return 2;
    }
    const std::vector<Case> cases = ReadCases(argv[3]);
    g_run.module = LoadLibraryA(argv[1]);
    const auto options = reinterpret_cast<DxfOptionsFn>(
        reinterpret_cast<void*>(GetProcAddress(g_run.module, "DXFImportOptions")));
    if (!options || cases.empty()) {
        std::fprintf(stderr, "cannot load %s or read cases from %s\n", argv[1], argv[3]);
        return 2;
    }
    g_run.screenshot = argv[2];
    const HWND owner = standin::CreateHostWindow(nullptr);
    SetWindowsHookExA(WH_CBT, WatchDialogs, nullptr, GetCurrentThreadId());
    for (const Case& c : cases)
        RunCase(c, options, owner);
    standin::DestroyHostWindow(owner);
    std::printf("dialog: %d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
