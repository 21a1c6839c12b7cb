#include "scripted_dialogs.h"

#include <stdexcept>

namespace qm::test {

std::optional<std::string> ScriptedDialogs::AskOpenFileName(const FileFilter& filter, const std::string&) {
    openFilters.push_back(filter);
    if (openAnswers.empty()) {
        throw std::logic_error("an open dialog that the test did not expect");
    }
    std::optional<std::string> answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedDialogs::AskSaveFileName(const FileFilter&, const std::string&, const std::string&) {
    throw std::logic_error("a save dialog that the test did not expect");
}

void ScriptedDialogs::ShowMessage(MessageKind kind, const std::string& caption, const std::string& text) {
    messages.push_back({kind, caption, text});
}

ReplaceAnswer ScriptedDialogs::AskReplace(const std::string&) {
    throw std::logic_error("a replace question that the test did not expect");
}

} // namespace qm::test
