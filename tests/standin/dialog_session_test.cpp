// The stand-in's modal dialogs under a dialog procedure of the test's own: what a user can reach
// and what the dialog calls give back, independent of the options dialog's code.
#include "standin/dialog_script.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using standin::DialogSession;

// What the test's dialog procedure saw, and what it does on a command.
struct Recorder {
    std::vector<std::pair<int, int>> commands; // (control id, notification)
    std::function<void(HWND, int)> onCommand;
};

INT_PTR CALLBACK RecordingProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return TRUE;
    }
    auto* recorder = reinterpret_cast<Recorder*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (message == WM_COMMAND && recorder) {
        recorder->commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
        if (recorder->onCommand)
            recorder->onCommand(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

// A driver that runs a function on the session.
class FunctionDriver : public standin::DialogDriver {
  public:
    explicit FunctionDriver(std::function<void(DialogSession&)> run) : run_(std::move(run)) {}
    void Run(DialogSession& session) override { run_(session); }
    int AnswerMessageBox(std::string_view, std::string_view, UINT) override { return IDOK; }
    bool ChooseFile(std::string_view, std::string&) override { return false; }
    void ShowHelp(HWND, std::int32_t) override {}

  private:
    std::function<void(DialogSession&)> run_;
};

INT_PTR Show(Recorder& recorder, int templateId = 129) {
    return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(templateId), nullptr, &RecordingProcedure,
                           reinterpret_cast<LPARAM>(&recorder));
}

int FocusedId(const DialogSession& session) {
    return session.Focus() < 0
               ? 0
               : session.Controls()[static_cast<std::size_t>(session.Focus())].layout.id;
}

TEST(DialogSession, TabVisitsTheReachableTabStopsInTemplateOrderAndWraps) {
    Recorder recorder;
    recorder.onCommand = [](HWND dialog, int id) {
        if (id == IDCANCEL)
            EndDialog(dialog, 42);
    };
    std::vector<int> forward;
    std::vector<int> backward;
    FunctionDriver driver([&](DialogSession& session) {
        forward.push_back(FocusedId(session));
        for (int i = 0; i < 9; ++i) {
            session.MoveFocus(false);
            forward.push_back(FocusedId(session));
        }
        session.MoveFocus(true);
        backward.push_back(FocusedId(session));
        session.PressEscape();
    });
    standin::ScopedDialogDriver use(driver);
    EXPECT_EQ(Show(recorder), 42);
    EXPECT_EQ(forward, (std::vector<int>{1002, 1003, 1000, 1008, 1009, 1011, 1, 2, 1005, 1002}));
    EXPECT_EQ(backward, std::vector<int>{1005});
}

TEST(DialogSession, EnterKeepsTheFocusAndClicksTheDefaultButton) {
    Recorder recorder;
    FunctionDriver driver([&](DialogSession& session) {
        ASSERT_TRUE(session.SetFocus(1003));
        EXPECT_FALSE(session.SetFocus(1004)) << "disabled";
        EXPECT_FALSE(session.SetFocus(-1)) << "labels are no tab stops";
        session.PressEnter();
        EXPECT_EQ(FocusedId(session), 1003);
        ASSERT_TRUE(session.SetFocus(1009));
        session.PressEnter(); // a focused push button is the one Enter clicks
        session.PressAccessKey('L');
        EXPECT_EQ(FocusedId(session), 1011);
        EXPECT_TRUE(session.Control(1011)->checked);
        EXPECT_FALSE(session.PressAccessKey('q'));
        EndDialog(session.Window(), 7);
        EXPECT_FALSE(session.Click(1)) << "nothing after the end";
    });
    standin::ScopedDialogDriver use(driver);
    EXPECT_EQ(Show(recorder), 7);
    EXPECT_EQ(recorder.commands, (std::vector<std::pair<int, int>>{
                                     {1, BN_CLICKED}, {1009, BN_CLICKED}, {1011, BN_CLICKED}}));
}

TEST(DialogSession, ADriverThatGivesUpClosesTheDialogLikeItsCloseBox) {
    Recorder recorder;
    FunctionDriver driver([](DialogSession&) {});
    standin::ScopedDialogDriver use(driver);
    EXPECT_EQ(Show(recorder), -1) << "the procedure did not end the dialog on Cancel";
    EXPECT_EQ(recorder.commands, (std::vector<std::pair<int, int>>{{IDCANCEL, BN_CLICKED}}));
}

TEST(DialogSession, NoDriverOrNoTemplateGivesMinusOne) {
    Recorder recorder;
    EXPECT_EQ(Show(recorder), -1);
    FunctionDriver driver([](DialogSession& session) { EndDialog(session.Window(), 1); });
    standin::ScopedDialogDriver use(driver);
    EXPECT_EQ(Show(recorder, 130), -1);
    EXPECT_EQ(DialogBoxParamA(nullptr, "NAMED", nullptr, &RecordingProcedure, 0), -1);
    EXPECT_EQ(Show(recorder), 1);
}

TEST(DialogSession, ItemCallsCutTextsAndKnowOnlyTheirDialog) {
    Recorder recorder;
    FunctionDriver driver([&](DialogSession& session) {
        const HWND dialog = session.Window();
        EXPECT_TRUE(SetDlgItemTextA(dialog, 1008, "abcdef"));
        char buffer[4] = "xyz";
        EXPECT_EQ(GetDlgItemTextA(dialog, 1008, buffer, sizeof buffer), 3u);
        EXPECT_STREQ(buffer, "abc");
        EXPECT_EQ(GetDlgItemTextA(dialog, 4242, buffer, sizeof buffer), 0u);
        EXPECT_STREQ(buffer, "");
        EXPECT_FALSE(SetDlgItemTextA(dialog, 4242, "x"));
        EXPECT_TRUE(CheckDlgButton(dialog, 1010, BST_CHECKED)) << "hidden, yet the program may";
        EXPECT_EQ(IsDlgButtonChecked(dialog, 1010), BST_CHECKED);
        EXPECT_FALSE(CheckDlgButton(dialog, 1008, BST_CHECKED)) << "no check box";
        EXPECT_FALSE(session.Type(1011, "x")) << "no edit control";
        EXPECT_FALSE(session.Type(1004, "x")) << "disabled";
        EXPECT_EQ(GetWindowLongPtrA(nullptr, DWLP_USER), 0);
        EXPECT_FALSE(EndDialog(nullptr, 1));
        EndDialog(dialog, IDOK);
    });
    standin::ScopedDialogDriver use(driver);
    EXPECT_EQ(Show(recorder), IDOK);
}

} // namespace
