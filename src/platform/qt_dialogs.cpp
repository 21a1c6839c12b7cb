#include "platform/qt_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

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
    const QString shown = MessageText(text);
    switch (kind) {
    case MessageKind::Plain:
        QMessageBox(QMessageBox::NoIcon, QString::fromStdString(caption.empty() ? plainCaption_ : caption), shown,
                    QMessageBox::Ok, owner_)
            .exec();
        break;
    case MessageKind::Information:
        QMessageBox::information(owner_, QObject::tr("Information"), shown);
        break;
    case MessageKind::Error:
        QMessageBox::critical(owner_, QString::fromStdString(caption.empty() ? plainCaption_ : caption), shown);
        break;
    }
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
