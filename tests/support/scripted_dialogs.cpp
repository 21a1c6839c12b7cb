#include "support/scripted_dialogs.h"

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

std::optional<std::string> ScriptedDialogs::AskSaveFileName(const FileFilter& filter, const std::string& fileName,
                                                            const std::string& defaultSuffix) {
    saveRequests.push_back({filter, fileName, defaultSuffix});
    if (saveAnswers.empty()) {
        throw std::logic_error("a save dialog that the test did not expect");
    }
    std::optional<std::string> answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

void ScriptedDialogs::ShowMessage(MessageKind kind, const std::string& caption, const std::string& text) {
    messages.push_back({kind, caption, text});
}

ReplaceAnswer ScriptedDialogs::AskReplace(const std::string& text) {
    replaceQuestions.push_back(text);
    if (replaceAnswers.empty()) {
        throw std::logic_error("a replace question that the test did not expect");
    }
    const ReplaceAnswer answer = replaceAnswers.front();
    replaceAnswers.pop_front();
    return answer;
}

EndAnswer ScriptedDialogs::ShowConversionEnd(MessageKind kind, const std::string& caption, const std::string& text,
                                             bool canOpen) {
    messages.push_back({kind, caption, text});
    endOffersOpen.push_back(canOpen);
    if (endAnswers.empty()) {
        return EndAnswer::Close;
    }
    const EndAnswer answer = endAnswers.front();
    endAnswers.pop_front();
    return answer;
}

} // namespace qm::test
