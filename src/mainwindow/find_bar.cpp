#include "mainwindow/find_bar.h"

#include "mainwindow/frame_piece.h"
#include "mainwindow/theme.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>

namespace qm {

TFindBar::TFindBar(QWidget* parent, const QString& name) : QWidget(parent) {
    setObjectName(name);
    EditFind = new QLineEdit(this);
    EditFind->setObjectName("EditFind");
    EditFind->setPlaceholderText(tr("Find in this chapter"));
    EditFind->setClearButtonEnabled(true);
    EditFind->installEventFilter(this);
    auto button = [this](const char* objectName, const QString& text, const QString& tip) {
        auto* made = new QToolButton(this);
        made->setObjectName(objectName);
        made->setText(text);
        made->setToolTip(tip);
        made->setAutoRaise(true);
        made->setFocusPolicy(Qt::NoFocus);
        return made;
    };
    ButtonPrevious = button("ButtonPrevious", QString::fromUtf8("\u25B2"), tr("Previous match (Shift+Enter)"));
    ButtonNext = button("ButtonNext", QString::fromUtf8("\u25BC"), tr("Next match (Enter)"));
    ButtonClose = button("ButtonClose", QString::fromUtf8("\u2715"), tr("Close (Esc)"));
    LabelMatches = new QLabel(this);
    LabelMatches->setObjectName("LabelMatches");
    LabelMatches->setMinimumWidth(fontMetrics().horizontalAdvance("0000 of 0000"));
    LabelMatches->setAlignment(Qt::AlignCenter);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 4, 4);
    row->setSpacing(2);
    row->addWidget(EditFind, 1);
    row->addWidget(LabelMatches);
    row->addWidget(ButtonPrevious);
    row->addWidget(ButtonNext);
    row->addWidget(ButtonClose);

    setStyleSheet(QString("QLineEdit { background: %1; color: %2; border: 1px solid %3; padding: 1px 4px; }"
                          "QLabel, QToolButton { color: %4; }"
                          "QToolButton { border: none; padding: 2px 5px; }"
                          "QToolButton:hover { color: %5; }")
                      .arg(QColor::fromRgb(theme::kGrid).name(), QColor::fromRgb(theme::kGridText).name(),
                           QColor::fromRgb(theme::kFrameDark).name(), QColor::fromRgb(theme::kIcon).name(),
                           QColor::fromRgb(theme::kAccent).name()));

    connect(EditFind, &QLineEdit::textChanged, this, [this](const QString& text) { emit Find(text, false); });
    connect(EditFind, &QLineEdit::returnPressed, this, [this] { emit Find(Text(), false); });
    connect(ButtonNext, &QToolButton::clicked, this, [this] { emit Find(Text(), false); });
    connect(ButtonPrevious, &QToolButton::clicked, this, [this] { emit Find(Text(), true); });
    connect(ButtonClose, &QToolButton::clicked, this, [this] {
        hide();
        emit Closed();
    });
}

QString TFindBar::Text() const {
    return EditFind->text();
}

void TFindBar::Open() {
    show();
    raise();
    EditFind->setFocus(Qt::ShortcutFocusReason);
    EditFind->selectAll();
}

void TFindBar::ShowMatches(int active, int count) {
    if (Text().isEmpty()) {
        LabelMatches->clear();
    } else if (count == 0) {
        LabelMatches->setText(tr("No match"));
    } else {
        LabelMatches->setText(tr("%1 of %2").arg(active).arg(count));
    }
}

void TFindBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintFramePiece(painter, rect());
}

bool TFindBar::eventFilter(QObject* watched, QEvent* event) {
    // Shift+Enter goes back; the field alone would take it as Enter.
    if (watched == EditFind && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers().testFlag(Qt::ShiftModifier)) {
            emit Find(Text(), true);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace qm
