#include "mainwindow/find_bar.h"

#include "mainwindow/frame_piece.h"
#include "mainwindow/theme.h"

#include <QHBoxLayout>

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace qm {

namespace {

// More matches than this are counted but not listed: a list of thousands helps nobody.
constexpr int kMostListed = 2000;
constexpr int kRowRole = Qt::UserRole;
constexpr int kOccurrenceRole = Qt::UserRole + 1;

} // namespace

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
    ButtonWholeBook = button("ButtonWholeBook", tr("Book"), tr("Search the whole book (Ctrl+Shift+F)"));
    ButtonWholeBook->setCheckable(true);
    TreeMatches = new QTreeWidget(this);
    TreeMatches->setObjectName("TreeMatches");
    TreeMatches->setAccessibleName(tr("Matches in the book"));
    TreeMatches->setHeaderHidden(true);
    TreeMatches->setColumnCount(1);
    TreeMatches->setRootIsDecorated(true);
    TreeMatches->setUniformRowHeights(true);
    TreeMatches->setWordWrap(false);
    TreeMatches->setTextElideMode(Qt::ElideRight);
    TreeMatches->installEventFilter(this);
    TreeMatches->hide();
    LabelMatches = new QLabel(this);
    LabelMatches->setObjectName("LabelMatches");
    LabelMatches->setMinimumWidth(fontMetrics().horizontalAdvance("0000 of 0000"));
    LabelMatches->setAlignment(Qt::AlignCenter);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 4, 4, 4);
    column->setSpacing(4);
    auto* row = new QHBoxLayout;
    row->setSpacing(2);
    row->addWidget(EditFind, 1);
    row->addWidget(LabelMatches);
    row->addWidget(ButtonPrevious);
    row->addWidget(ButtonNext);
    row->addWidget(ButtonWholeBook);
    row->addWidget(ButtonClose);
    column->addLayout(row);
    column->addWidget(TreeMatches, 1);

    setStyleSheet(QString("QLineEdit { background: %1; color: %2; border: 1px solid %3; padding: 1px 4px; }"
                          "QLabel, QToolButton { color: %4; }"
                          "QToolButton { border: none; padding: 2px 5px; }"
                          "QToolButton:hover, QToolButton:checked { color: %5; }"
                          "QTreeWidget { background: %1; color: %2; border: 1px solid %3; }")
                      .arg(QColor::fromRgb(theme::kGrid).name(), QColor::fromRgb(theme::kGridText).name(),
                           QColor::fromRgb(theme::kFrameDark).name(), QColor::fromRgb(theme::kIcon).name(),
                           QColor::fromRgb(theme::kAccent).name()));

    // In the whole book a search waits for Enter: every letter typed would list thousands of matches.
    connect(EditFind, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!SearchesWholeBook()) {
            emit Find(text, false);
        }
    });
    connect(EditFind, &QLineEdit::returnPressed, this, [this] {
        if (SearchesWholeBook()) {
            emit FindInBook(Text());
        } else {
            emit Find(Text(), false);
        }
    });
    connect(ButtonNext, &QToolButton::clicked, this, [this] { emit Find(Text(), false); });
    connect(ButtonPrevious, &QToolButton::clicked, this, [this] { emit Find(Text(), true); });
    connect(ButtonWholeBook, &QToolButton::toggled, this, [this](bool wholeBook) {
        SetWholeBook(wholeBook);
        if (!Text().isEmpty()) {
            if (wholeBook) {
                emit FindInBook(Text());
            } else {
                emit Find(Text(), false);
            }
        }
    });
    connect(TreeMatches, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { AskToOpen(item); });
    connect(TreeMatches, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { AskToOpen(item); });
    connect(ButtonClose, &QToolButton::clicked, this, [this] {
        hide();
        emit Closed();
    });
}

QString TFindBar::Text() const {
    return EditFind->text();
}

void TFindBar::Open(bool wholeBook) {
    ButtonWholeBook->setChecked(wholeBook);
    SetWholeBook(wholeBook);
    show();
    raise();
    EditFind->setFocus(Qt::ShortcutFocusReason);
    EditFind->selectAll();
}

bool TFindBar::SearchesWholeBook() const {
    return ButtonWholeBook->isChecked();
}

void TFindBar::SetWholeBook(bool wholeBook) {
    EditFind->setPlaceholderText(wholeBook ? tr("Find in the whole book") : tr("Find in this chapter"));
    ButtonPrevious->setVisible(!wholeBook);
    ButtonNext->setVisible(!wholeBook);
    LabelMatches->clear();
    if (!wholeBook && TreeMatches->isVisible()) {
        TreeMatches->clear();
        TreeMatches->hide();
        emit Resized();
    }
}

void TFindBar::ShowBookMatches(const std::vector<TextMatch>& matches) {
    TreeMatches->clear();
    LabelMatches->setText(matches.empty()       ? tr("No match")
                          : matches.size() == 1 ? tr("1 match")
                                                : tr("%1 matches").arg(matches.size()));
    QTreeWidgetItem* chapter = nullptr;
    int inChapter = 0;
    const auto closeChapter = [&] {
        if (chapter != nullptr) {
            chapter->setText(0, tr("%1 (%2)").arg(chapter->text(0)).arg(inChapter));
        }
    };
    const std::size_t listed = std::min<std::size_t>(matches.size(), kMostListed);
    for (std::size_t i = 0; i < listed; ++i) {
        const TextMatch& match = matches[i];
        if (chapter == nullptr || chapter->data(0, kRowRole).toInt() != match.row) {
            closeChapter();
            chapter = new QTreeWidgetItem(TreeMatches, {QString::fromStdString(match.title)});
            chapter->setData(0, kRowRole, match.row);
            chapter->setData(0, kOccurrenceRole, -1);
            chapter->setExpanded(true);
            QFont bold = chapter->font(0);
            bold.setBold(true);
            chapter->setFont(0, bold);
            inChapter = 0;
        }
        auto* item = new QTreeWidgetItem(chapter, {QString::fromStdString(match.context)});
        item->setToolTip(0, item->text(0));
        item->setData(0, kRowRole, match.row);
        item->setData(0, kOccurrenceRole, static_cast<int>(match.occurrence));
        ++inChapter;
    }
    closeChapter();
    if (listed < matches.size()) {
        auto* more = new QTreeWidgetItem(TreeMatches, {tr("… and %1 more").arg(matches.size() - listed)});
        more->setFlags(Qt::ItemIsEnabled);
        more->setData(0, kOccurrenceRole, -1);
    }
    TreeMatches->setVisible(!matches.empty());
    emit Resized();
}

void TFindBar::AskToOpen(const QTreeWidgetItem* item) {
    // A chapter's heading stands for its first match.
    if (item->parent() == nullptr && item->childCount() > 0) {
        item = item->child(0);
    }
    const int occurrence = item->data(0, kOccurrenceRole).toInt();
    if (item->parent() != nullptr && occurrence >= 0) {
        emit OpenMatch(item->data(0, kRowRole).toInt(), occurrence);
    }
}

int TFindBar::WantedHeight(int room) const {
    const int bar = sizeHint().height();
    if (!TreeMatches->isVisible()) {
        return std::min(bar, room);
    }
    // The matches take up to two thirds of the page's height.
    return std::max(std::min(bar, room), room * 2 / 3);
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
    // Shift+Enter goes back; the field alone would take it as Enter. Down goes to the book's matches.
    if (watched == EditFind && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Down && TreeMatches->isVisible()) {
            TreeMatches->setFocus(Qt::TabFocusReason);
            if (TreeMatches->currentItem() == nullptr && TreeMatches->topLevelItemCount() > 0) {
                TreeMatches->setCurrentItem(TreeMatches->topLevelItem(0)->child(0));
            }
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers().testFlag(Qt::ShiftModifier)) {
            emit Find(Text(), true);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace qm
