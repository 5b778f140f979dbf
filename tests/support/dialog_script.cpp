#include "dialog_script.h"

#include <algorithm>

namespace standin {

DialogScript& DialogScript::Type(std::int32_t controlId, std::string text) {
    return Add("type \"" + text + "\" into " + std::to_string(controlId),
               [=](DialogSession& session) { return session.Type(controlId, text); });
}

DialogScript& DialogScript::Click(std::int32_t controlId) {
    return Add("click " + std::to_string(controlId),
               [=](DialogSession& session) { return session.Click(controlId); });
}

DialogScript& DialogScript::PressEnter() {
    return Add("Enter", [](DialogSession& session) { return session.PressEnter(); });
}

DialogScript& DialogScript::PressEscape() {
    return Add("Escape", [](DialogSession& session) { return session.PressEscape(); });
}

DialogScript& DialogScript::PressAccessKey(char key) {
    return Add(std::string("access key ") + key,
               [=](DialogSession& session) { return session.PressAccessKey(key); });
}

DialogScript& DialogScript::Add(std::string description, std::function<bool(DialogSession&)> take) {
    steps_.push_back({std::move(description), std::move(take)});
    return *this;
}

DialogScript& DialogScript::Answer(int button) {
    answers_.push_back(button);
    return *this;
}

DialogScript& DialogScript::Choose(std::optional<std::string> path) {
    choices_.push_back(std::move(path));
    return *this;
}

namespace {

const DialogControl* FindIn(const std::vector<DialogControl>& controls, std::int32_t controlId) {
    const auto found = std::find_if(controls.begin(), controls.end(), [&](const auto& control) {
        return control.layout.id == controlId;
    });
    return found == controls.end() ? nullptr : &*found;
}

} // namespace

std::string DialogScript::OpenedText(std::int32_t controlId) const {
    const DialogControl* control = FindIn(opened_, controlId);
    return control ? control->text : std::string();
}

bool DialogScript::OpenedChecked(std::int32_t controlId) const {
    const DialogControl* control = FindIn(opened_, controlId);
    return control && control->checked;
}

void DialogScript::Run(DialogSession& session) {
    ++runs_;
    opened_ = session.Controls();
    for (const Step& step : steps_) {
        if (session.Ended()) {
            problems_.push_back(step.description + ": the dialog has ended");
        } else if (!step.take(session)) {
            problems_.push_back(step.description + ": a user could not do that");
        }
    }
    steps_.clear();
    if (!session.Ended()) {
        problems_.push_back("the dialog was still open after the last step");
    }
}

int DialogScript::AnswerMessageBox(std::string_view text, std::string_view caption, UINT type) {
    int answer = 0;
    if (nextAnswer_ < answers_.size()) {
        answer = answers_[nextAnswer_++];
    } else {
        answer = (type & 0xF) == MB_YESNO ? IDNO : IDOK;
        problems_.push_back("message box \"" + std::string(text) + "\" without an answer");
    }
    boxes_.push_back(ShownBox{std::string(text), std::string(caption), type, answer});
    return answer;
}

bool DialogScript::ChooseFile(std::string_view current, std::string& chosen) {
    browseStarts_.emplace_back(current);
    if (nextChoice_ >= choices_.size()) {
        problems_.push_back("a browse without a choice");
        return false;
    }
    const std::optional<std::string>& choice = choices_[nextChoice_++];
    if (!choice) {
        return false;
    }
    chosen = *choice;
    return true;
}

void DialogScript::ShowHelp(HWND helpWindow, std::int32_t context) {
    helpRequests_.push_back(HelpRequest{helpWindow, context});
}

} // namespace standin
