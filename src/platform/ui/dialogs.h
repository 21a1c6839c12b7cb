#pragma once

#include <optional>
#include <string>

namespace qm {

// One entry of a file dialog's type list, such as {"epub file", "*.epub"}.
struct FileFilter {
    std::string description;
    std::string pattern;
};

enum class MessageKind {
    Plain,       // a message box with a caption and no icon
    Information, // an information dialog
    Error,       // an error dialog
};

enum class ReplaceAnswer { Yes, No, All };

// What the user chose at the end of a conversion.
enum class EndAnswer { Close, Open, ShowFolder };

// Everything the commands ask of the user, behind one interface so that tests can answer in their place.
// Every call is modal: it returns when the user has answered, and the thread handles events meanwhile.
// The conversions' question before they replace a file.
inline constexpr const char* kReplaceQuestion =
    "This folder already contains this file name!\r\rWould you like to replace the existing file?";

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Asks for an existing file, starting at `fileName`; the user may also type any name. Empty when the
    // user cancels.
    virtual std::optional<std::string> AskOpenFileName(const FileFilter& filter, const std::string& fileName) = 0;

    // Asks for a file to write, proposing `fileName`; `defaultSuffix` (without a dot) is added to a name typed
    // without one, and the dialog itself asks before an existing file is chosen. Empty when the user cancels.
    virtual std::optional<std::string> AskSaveFileName(const FileFilter& filter, const std::string& fileName,
                                                       const std::string& defaultSuffix) = 0;

    // Shows `text` with one OK button, in a box named `caption`; without a caption an information box is
    // named "Information" and the others after the program. A carriage return breaks the line.
    virtual void ShowMessage(MessageKind kind, const std::string& caption, const std::string& text) = 0;

    // The question (icon, Yes, No and All) before an existing file is replaced; the conversions ask
    // kReplaceQuestion.
    virtual ReplaceAnswer AskReplace(const std::string& text) = 0;

    // The end of a conversion: `text` in a box as ShowMessage shows it, with "Open" (when `canOpen`) and "Show
    // in folder" besides "Close".
    virtual EndAnswer ShowConversionEnd(MessageKind kind, const std::string& caption, const std::string& text,
                                        bool canOpen) = 0;
};

// A file dialog component as the window keeps it: its type list and the file name last confirmed in it.
struct FileDialog {
    FileFilter Filter;
    std::string FileName;

    // Shows the dialog as an open dialog. True when the user confirmed a name, which is then in FileName; a
    // cancelled dialog leaves FileName as it was.
    bool ExecuteOpen(Dialogs& dialogs);
};

} // namespace qm
