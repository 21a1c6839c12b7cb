#pragma once

#include "platform/ui/dialogs.h"
#include "platform/ui/shell.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace qm::test {

// Dialogs that answer from a script and remember what they were asked and shown.
class ScriptedDialogs final : public Dialogs {
public:
    struct Message {
        MessageKind kind;
        std::string caption;
        std::string text;
    };

    // The answers of the next open dialogs, in order: a path, or nullopt for Cancel. An open dialog without
    // an answer left throws.
    std::deque<std::optional<std::string>> openAnswers;
    std::vector<FileFilter> openFilters;
    // The same for save dialogs, which also remember the proposed name and suffix; and the answers to the
    // replace question. A dialog or question without an answer left throws.
    struct SaveRequest {
        FileFilter filter;
        std::string fileName;
        std::string defaultSuffix;
    };
    std::deque<std::optional<std::string>> saveAnswers;
    std::vector<SaveRequest> saveRequests;
    std::deque<ReplaceAnswer> replaceAnswers;
    std::vector<std::string> replaceQuestions;
    std::vector<Message> messages;
    // The end of a conversion is a message too; whether it offered to open the output, and the answers (Close
    // when none is left).
    std::vector<bool> endOffersOpen;
    std::deque<EndAnswer> endAnswers;

    std::optional<std::string> AskOpenFileName(const FileFilter& filter, const std::string& fileName) override;
    std::optional<std::string> AskSaveFileName(const FileFilter& filter, const std::string& fileName,
                                               const std::string& defaultSuffix) override;
    void ShowMessage(MessageKind kind, const std::string& caption, const std::string& text) override;
    ReplaceAnswer AskReplace(const std::string& text) override;
    EndAnswer ShowConversionEnd(MessageKind kind, const std::string& caption, const std::string& text,
                                bool canOpen) override;
};

// A shell that only remembers what it was asked to open.
class RecordingShell final : public Shell {
public:
    std::vector<std::string> folders;
    std::vector<std::string> pages;
    std::vector<std::string> files;

    void OpenFolder(const std::string& folder) override { folders.push_back(folder); }
    void OpenFile(const std::string& file) override { files.push_back(file); }
    void OpenPage(const std::string& url) override { pages.push_back(url); }
};

} // namespace qm::test
