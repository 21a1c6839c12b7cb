#pragma once

#include "platform/ui/dialogs.h"

#include <memory>

class QMessageBox;
class QWidget;

namespace qm {

// The dialogs as the desktop shows them: QFileDialog and QMessageBox, modal to their owner window.
class QtDialogs final : public Dialogs {
public:
    // `plainCaption` names plain message boxes and error reports that come without a caption.
    explicit QtDialogs(std::string plainCaption) : plainCaption_(std::move(plainCaption)) {}

    // The window the dialogs belong to; none until it is set.
    void SetOwner(QWidget* owner) { owner_ = owner; }

    std::optional<std::string> AskOpenFileName(const FileFilter& filter, const std::string& fileName) override;
    std::optional<std::string> AskSaveFileName(const FileFilter& filter, const std::string& fileName,
                                               const std::string& defaultSuffix) override;
    void ShowMessage(MessageKind kind, const std::string& caption, const std::string& text) override;
    EndAnswer ShowConversionEnd(MessageKind kind, const std::string& caption, const std::string& text,
                                bool canOpen) override;
    ReplaceAnswer AskReplace(const std::string& text) override;

private:
    // A box with the message's icon, title and text and one OK button.
    std::unique_ptr<QMessageBox> MessageBox(MessageKind kind, const std::string& caption,
                                            const std::string& text) const;

    QWidget* owner_ = nullptr;
    std::string plainCaption_;
};

} // namespace qm
