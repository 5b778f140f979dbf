// A dialog driver that plays a written script: the steps a user takes (type, click, keys), the
// answers to the message boxes and the files picked with the host's browse, in order. It keeps
// what the dialog showed when it opened and when it ended, every message box and help request,
// and every step that a user could not have taken.
#pragma once

#include "standin/dialog.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace standin {

class DialogScript : public DialogDriver {
  public:
    // The steps, taken in order while the dialog runs.
    DialogScript& Type(std::int32_t controlId, std::string text);
    DialogScript& Click(std::int32_t controlId);
    DialogScript& PressEnter();
    DialogScript& PressEscape();
    DialogScript& PressAccessKey(char key);

    // The answers to the message boxes, in the order the boxes come. A box without an answer
    // is a problem and gets IDNO (IDOK when it has only an OK button).
    DialogScript& Answer(int button);
    // The files the host's browse picks, in order; nothing: the user picks none. A browse
    // without a choice here is a problem and picks none.
    DialogScript& Choose(std::optional<std::string> path);

    struct ShownBox {
        std::string text;
        std::string caption;
        UINT type = 0;
        int answer = 0;
    };
    const std::vector<ShownBox>& Boxes() const { return boxes_; }
    struct HelpRequest {
        HWND helpWindow = nullptr;
        std::int32_t context = 0;
    };
    const std::vector<HelpRequest>& HelpRequests() const { return helpRequests_; }
    // The path each browse started from.
    const std::vector<std::string>& BrowseStarts() const { return browseStarts_; }
    // The controls right after WM_INITDIALOG (of the last dialog run).
    const std::vector<DialogControl>& Opened() const { return opened_; }
    // The text or check state of a control in Opened(); empty / false when absent.
    std::string OpenedText(std::int32_t controlId) const;
    bool OpenedChecked(std::int32_t controlId) const;
    // How many dialogs the script has driven.
    int Runs() const { return runs_; }
    // Steps a user could not have taken, unexpected boxes and browses, a dialog left open.
    const std::vector<std::string>& Problems() const { return problems_; }

    void Run(DialogSession& session) override;
    int AnswerMessageBox(std::string_view text, std::string_view caption, UINT type) override;
    bool ChooseFile(std::string_view current, std::string& chosen) override;
    void ShowHelp(HWND helpWindow, std::int32_t context) override;

  private:
    struct Step {
        std::string description;
        std::function<bool(DialogSession&)> take;
    };
    DialogScript& Add(std::string description, std::function<bool(DialogSession&)> take);

    std::vector<Step> steps_;
    std::vector<int> answers_;
    std::size_t nextAnswer_ = 0;
    std::vector<std::optional<std::string>> choices_;
    std::size_t nextChoice_ = 0;

    std::vector<ShownBox> boxes_;
    std::vector<HelpRequest> helpRequests_;
    std::vector<std::string> browseStarts_;
    std::vector<DialogControl> opened_;
    std::vector<std::string> problems_;
    int runs_ = 0;
};

} // namespace standin
