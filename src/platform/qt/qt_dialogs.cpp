#include "platform/qt/qt_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <memory>

namespace qm {

namespace {

QString NameFilter(const FileFilter& filter) {
    return QString("%1 (%2)").arg(QString::fromStdString(filter.description), QString::fromStdString(filter.pattern));
}

// Messages may break lines with CR alone; Qt breaks only on LF.
QString MessageText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace("\r\n", "\n");
    shown.replace('\r', '\n');
    return shown;
}

} // namespace

std::optional<std::string> QtDialogs::AskOpenFileName(const FileFilter& filter, const std::string& fileName) {
    const QString chosen =
        QFileDialog::getOpenFileName(owner_, QString(), QString::fromStdString(fileName), NameFilter(filter));
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return chosen.toStdString();
}

std::optional<std::string> QtDialogs::AskSaveFileName(const FileFilter& filter, const std::string& fileName,
                                                      const std::string& defaultSuffix) {
    QFileDialog dialog(owner_, QString(), QString::fromStdString(fileName), NameFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString::fromStdString(defaultSuffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst().toStdString();
}

void QtDialogs::ShowMessage(MessageKind kind, const std::string& caption, const std::string& text) {
    MessageBox(kind, caption, text)->exec();
}

EndAnswer QtDialogs::ShowConversionEnd(MessageKind kind, const std::string& caption, const std::string& text,
                                       bool canOpen) {
    const std::unique_ptr<QMessageBox> box = MessageBox(kind, caption, text);
    box->setStandardButtons(QMessageBox::Close);
    QPushButton* open = canOpen ? box->addButton(QObject::tr("Open"), QMessageBox::AcceptRole) : nullptr;
    QPushButton* folder = box->addButton(QObject::tr("Show in folder"), QMessageBox::ActionRole);
    if (open != nullptr) {
        box->setDefaultButton(open);
    } else {
        box->setDefaultButton(QMessageBox::Close);
    }
    box->exec();
    if (open != nullptr && box->clickedButton() == open) {
        return EndAnswer::Open;
    }
    return box->clickedButton() == folder ? EndAnswer::ShowFolder : EndAnswer::Close;
}

std::unique_ptr<QMessageBox> QtDialogs::MessageBox(MessageKind kind, const std::string& caption,
                                                   const std::string& text) const {
    QString title = QString::fromStdString(caption);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (kind) {
    case MessageKind::Plain:
        break;
    case MessageKind::Information:
        icon = QMessageBox::Information;
        if (title.isEmpty()) {
            title = QObject::tr("Information");
        }
        break;
    case MessageKind::Error:
        icon = QMessageBox::Critical;
        break;
    }
    if (title.isEmpty()) {
        title = QString::fromStdString(plainCaption_);
    }
    return std::make_unique<QMessageBox>(icon, title, MessageText(text), QMessageBox::Ok, owner_);
}

ReplaceAnswer QtDialogs::AskReplace(const std::string& text) {
    QMessageBox box(QMessageBox::Question, QObject::tr("Confirm"), MessageText(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll, owner_);
    box.button(QMessageBox::YesToAll)->setText(QObject::tr("All"));
    switch (box.exec()) {
    case QMessageBox::Yes:
        return ReplaceAnswer::Yes;
    case QMessageBox::YesToAll:
        return ReplaceAnswer::All;
    default:
        return ReplaceAnswer::No;
    }
}

} // namespace qm
