#include "mainwindow/look_panel.h"

#include "mainwindow/frame_piece.h"
#include "mainwindow/theme.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include <array>

namespace qm {

namespace {

// The line spacings offered, 0 for the book's own.
constexpr std::array<double, 7> kSpacings = {0, 1.2, 1.4, 1.6, 1.8, 2.0, 2.4};

// The font list's first entries; installed families follow them.
constexpr int kFirstFamilyIndex = 3;

} // namespace

TLookPanel::TLookPanel(QWidget* parent, const QString& name) : QWidget(parent) {
    setObjectName(name);
    setAccessibleName(tr("Reading settings"));
    CheckPublisher = new QCheckBox(tr("Use the publisher's styles"), this);
    CheckPublisher->setObjectName("CheckPublisher");
    CheckPublisher->setToolTip(tr("Show the book as its own styles say, with none of the settings below"));

    ComboTheme = new QComboBox(this);
    ComboTheme->setObjectName("ComboTheme");
    ComboTheme->addItem(tr("Light"), NameOf(LookTheme::Light));
    ComboTheme->addItem(tr("Sepia"), NameOf(LookTheme::Sepia));
    ComboTheme->addItem(tr("Dark"), NameOf(LookTheme::Dark));

    ComboFont = new QComboBox(this);
    ComboFont->setObjectName("ComboFont");
    ComboFont->addItem(tr("The book's own"));
    ComboFont->addItem(tr("Serif"));
    ComboFont->addItem(tr("Sans-serif"));
    ComboFont->addItems(QFontDatabase::families());

    SpinFontSize = new QSpinBox(this);
    SpinFontSize->setObjectName("SpinFontSize");
    SpinFontSize->setRange(ReadingLook::kLeastFontSize, ReadingLook::kMostFontSize);
    SpinFontSize->setSingleStep(10);
    SpinFontSize->setSuffix(" %");

    ComboSpacing = new QComboBox(this);
    ComboSpacing->setObjectName("ComboSpacing");
    for (const double spacing : kSpacings) {
        ComboSpacing->addItem(spacing == 0 ? tr("The book's own") : QString::number(spacing, 'f', 1));
    }

    SpinMargin = new QDoubleSpinBox(this);
    SpinMargin->setObjectName("SpinMargin");
    SpinMargin->setRange(0, ReadingLook::kMostMargin);
    SpinMargin->setSingleStep(0.5);
    SpinMargin->setDecimals(1);
    SpinMargin->setSuffix(" em");

    SpinWidth = new QSpinBox(this);
    SpinWidth->setObjectName("SpinWidth");
    // Below the least width the box says "No limit"; a step down from the least width gets there.
    SpinWidth->setRange(static_cast<int>(ReadingLook::kLeastMaxWidth) - 5,
                        static_cast<int>(ReadingLook::kMostMaxWidth));
    SpinWidth->setSingleStep(5);
    SpinWidth->setSuffix(" em");
    SpinWidth->setSpecialValueText(tr("No limit"));

    ButtonDefaults = new QPushButton(tr("Defaults"), this);
    ButtonDefaults->setObjectName("ButtonDefaults");
    ButtonClose = new QPushButton(tr("Close"), this);
    ButtonClose->setObjectName("ButtonClose");
    ButtonClose->setToolTip(tr("Close (Esc)"));

    auto* form = new QFormLayout(this);
    form->setContentsMargins(12, 10, 12, 10);
    form->addRow(CheckPublisher);
    form->addRow(tr("&Theme"), ComboTheme);
    form->addRow(tr("&Font"), ComboFont);
    form->addRow(tr("Font &size"), SpinFontSize);
    form->addRow(tr("&Line spacing"), ComboSpacing);
    form->addRow(tr("&Margins"), SpinMargin);
    form->addRow(tr("Text &width"), SpinWidth);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonDefaults);
    buttons->addWidget(ButtonClose);
    form->addRow(buttons);

    setStyleSheet(QString("QLabel, QCheckBox { color: %1; }"
                          "QComboBox, QSpinBox, QDoubleSpinBox { background: %2; color: %3; }"
                          "QPushButton { color: %1; background: %4; border: 1px solid %5; border-radius: 3px;"
                          " padding: 3px 12px; }"
                          "QPushButton:hover, QPushButton:focus { border-color: %6; }")
                      .arg(QColor::fromRgb(theme::kIcon).name(), QColor::fromRgb(theme::kGrid).name(),
                           QColor::fromRgb(theme::kGridText).name(), QColor::fromRgb(theme::kFrameLight).name(),
                           QColor::fromRgb(theme::kFrameDark).name(), QColor::fromRgb(theme::kAccent).name()));

    connect(CheckPublisher, &QCheckBox::toggled, this, [this] { Changed(); });
    for (QComboBox* combo : {ComboTheme, ComboFont, ComboSpacing}) {
        connect(combo, &QComboBox::currentIndexChanged, this, [this] { Changed(); });
    }
    connect(SpinFontSize, &QSpinBox::valueChanged, this, [this] { Changed(); });
    connect(SpinMargin, &QDoubleSpinBox::valueChanged, this, [this] { Changed(); });
    connect(SpinWidth, &QSpinBox::valueChanged, this, [this] { Changed(); });
    connect(ButtonDefaults, &QPushButton::clicked, this, [this] {
        Show(ReadingLook{});
        Changed();
    });
    connect(ButtonClose, &QPushButton::clicked, this, [this] {
        hide();
        emit Closed();
    });
}

void TLookPanel::Open(const ReadingLook& look) {
    Show(look);
    show();
    raise();
    (CheckPublisher->isChecked() ? static_cast<QWidget*>(CheckPublisher) : ComboTheme)
        ->setFocus(Qt::ShortcutFocusReason);
}

void TLookPanel::Show(const ReadingLook& look) {
    const QSignalBlocker blocks[] = {QSignalBlocker(CheckPublisher), QSignalBlocker(ComboTheme),
                                     QSignalBlocker(ComboFont),      QSignalBlocker(SpinFontSize),
                                     QSignalBlocker(ComboSpacing),   QSignalBlocker(SpinMargin),
                                     QSignalBlocker(SpinWidth)};
    CheckPublisher->setChecked(look.publisherStyles);
    ComboTheme->setCurrentIndex(ComboTheme->findData(NameOf(look.theme)));
    int font = static_cast<int>(look.font);
    if (look.font == LookFont::Family) {
        font = ComboFont->findText(QString::fromStdString(look.family));
        if (font < kFirstFamilyIndex) {
            // A family no longer installed stays chosen: the engine falls back as for any missing font.
            ComboFont->addItem(QString::fromStdString(look.family));
            font = ComboFont->count() - 1;
        }
    }
    ComboFont->setCurrentIndex(font);
    SpinFontSize->setValue(look.fontSize);
    int spacing = 0;
    for (std::size_t i = 0; i < kSpacings.size(); ++i) {
        if (std::abs(kSpacings[i] - look.lineSpacing) < 0.05) {
            spacing = static_cast<int>(i);
        }
    }
    ComboSpacing->setCurrentIndex(spacing);
    SpinMargin->setValue(look.margin);
    SpinWidth->setValue(look.maxWidth > 0 ? static_cast<int>(look.maxWidth) : SpinWidth->minimum());
    EnableOwnLook();
}

ReadingLook TLookPanel::Look() const {
    ReadingLook look;
    look.publisherStyles = CheckPublisher->isChecked();
    look.theme = LookThemeNamed(ComboTheme->currentData().toString().toStdString()).value_or(LookTheme::Light);
    const int font = ComboFont->currentIndex();
    look.font = font >= kFirstFamilyIndex ? LookFont::Family : static_cast<LookFont>(std::max(font, 0));
    look.family = font >= kFirstFamilyIndex ? ComboFont->currentText().toStdString() : std::string();
    look.fontSize = SpinFontSize->value();
    look.lineSpacing = kSpacings.at(static_cast<std::size_t>(std::max(ComboSpacing->currentIndex(), 0)));
    look.margin = SpinMargin->value();
    look.maxWidth = SpinWidth->value() == SpinWidth->minimum() ? 0 : SpinWidth->value();
    return look;
}

void TLookPanel::Changed() {
    EnableOwnLook();
    emit LookChanged(Look());
}

void TLookPanel::EnableOwnLook() {
    const bool own = !CheckPublisher->isChecked();
    for (QWidget* control :
         std::initializer_list<QWidget*>{ComboTheme, ComboFont, SpinFontSize, ComboSpacing, SpinMargin, SpinWidth}) {
        control->setEnabled(own);
    }
}

void TLookPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintFramePiece(painter, rect());
}

} // namespace qm
