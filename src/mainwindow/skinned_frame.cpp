#include "mainwindow/skinned_frame.h"

#include "mainwindow/Unit1.h"
#include "mainwindow/contents_tree.h"
#include "mainwindow/find_bar.h"
#include "mainwindow/frame_hit_test.h"
#include "mainwindow/frame_layout.h"
#include "mainwindow/look_panel.h"
#include "mainwindow/panel.h"
#include "mainwindow/picture.h"
#include "mainwindow/picture_button.h"
#include "mainwindow/splitter.h"
#include "mainwindow/status_label.h"
#include "mainwindow/string_grid.h"
#include "mainwindow/theme.h"
#include "platform/qt/web_engine_browser.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QRegion>
#include <QScreen>
#include <QTabBar>

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace qm {

namespace {

using namespace layout;

// A maximised window leaves this much of the primary screen's height free, for a task bar at its foot.
constexpr int kMaximisedHeightReserve = 40;
// The find bar, at most this wide (wider with the book's matches), this far from the page's top and (clear of the
// page's scroll bar) its right edge.
constexpr int kFindBarWidth = 380;
constexpr int kFindBarMargin = 8;
constexpr int kFindBarRightMargin = 24;
// The book's title in the title bar: after the program's painted name, up to the window buttons.
constexpr int kBookTitleLeft = 350;
// The reading settings are a little wider than their controls ask, for long font names.
constexpr int kLookPanelExtraWidth = 40;
constexpr int kBookTitleGap = 16;
constexpr int kBookTitleHeight = 20;
// The tab of the book's own contents above the table; the first is the chapter rows.
constexpr int kContentsTab = 1;
// Reading on the full screen, the pointer within this many pixels of the top edge brings the title bar.
constexpr int kRevealTitleEdge = 2;

struct ButtonSpec {
    const char* name;
    ButtonPicture afterRelease;
};

constexpr ButtonSpec kCommandButtons[kCommandCount] = {
    {"ImageOpen", ButtonPicture::Norm},      {"ImageConvert", ButtonPicture::Norm},
    {"ImageZoomIn", ButtonPicture::Enter},   {"ImageZoomOut", ButtonPicture::Enter},
    {"ImageOriginal", ButtonPicture::Enter}, {"ImageLook", ButtonPicture::Norm},
    {"ImageHome", ButtonPicture::Norm},      {"ImageHelp", ButtonPicture::Norm},
};

constexpr ButtonSpec kWindowButtons[] = {
    {"ImageMin", ButtonPicture::Enter},
    {"ImageMax", ButtonPicture::Enter},
    {"ImageMax2", ButtonPicture::Enter},
    {"ImageClose", ButtonPicture::Enter},
};

constexpr const char* kStates[] = {"Norm", "Enter", "Down"};

QPixmap Picture(const QString& name) {
    QPixmap picture(":/pictures/" + name + ".png");
    if (picture.isNull()) {
        throw std::logic_error("The program's picture " + name.toStdString() + " is missing");
    }
    return picture;
}

// The window's outline: a rectangle whose corners are rounded by an ellipse kCornerEllipse wide and high.
QRegion RoundedRegion(QSize size) {
    QPainterPath outline;
    outline.addRoundedRect(QRectF(0, 0, size.width(), size.height()), kCornerEllipse / 2.0, kCornerEllipse / 2.0);
    return QRegion(outline.toFillPolygon().toPolygon());
}

Qt::Edges ResizeEdges(HitTestCode code) {
    switch (code) {
    case HTLEFT:
        return Qt::LeftEdge;
    case HTRIGHT:
        return Qt::RightEdge;
    case HTTOP:
        return Qt::TopEdge;
    case HTTOPLEFT:
        return Qt::TopEdge | Qt::LeftEdge;
    case HTBOTTOM:
        return Qt::BottomEdge;
    case HTBOTTOMLEFT:
        return Qt::BottomEdge | Qt::LeftEdge;
    case HTBOTTOMRIGHT:
        return Qt::BottomEdge | Qt::RightEdge;
    case HTCLIENT:
        break;
    }
    return {};
}

Qt::CursorShape ResizeCursor(HitTestCode code) {
    switch (code) {
    case HTLEFT:
    case HTRIGHT:
        return Qt::SizeHorCursor;
    case HTTOP:
    case HTBOTTOM:
        return Qt::SizeVerCursor;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
        return Qt::SizeFDiagCursor;
    case HTBOTTOMLEFT:
        return Qt::SizeBDiagCursor;
    case HTCLIENT:
        break;
    }
    return Qt::ArrowCursor;
}

bool IsMouseEvent(QEvent::Type type) {
    return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
           type == QEvent::MouseButtonDblClick || type == QEvent::MouseMove;
}

} // namespace

SkinnedFrame::SkinnedFrame(TForm1& form, std::function<void(std::int32_t)> selectRow)
    : form_(form), tocWidth_(kLeftPanelWidth) {
    BuildPictureStore();
    form_.PanelOuter = new TPanel(&form_, "PanelOuter", QColor::fromRgb(theme::kFrame), kBevel);
    BuildTitleBar();
    BuildPanels(std::move(selectRow));
}

SkinnedFrame::~SkinnedFrame() {
    StopWatching();
}

void SkinnedFrame::BuildPictureStore() {
    form_.PanelImage = new QWidget(&form_);
    form_.PanelImage->setObjectName("PanelImage");
    auto storePictures = [this](const char* name) {
        for (const char* stateName : kStates) {
            auto* picture = new QLabel(form_.PanelImage);
            picture->setObjectName(QString(name) + stateName);
            picture->setPixmap(Picture(picture->objectName()));
        }
    };
    for (const ButtonSpec& button : kCommandButtons) {
        storePictures(button.name);
    }
    for (const ButtonSpec& button : kWindowButtons) {
        storePictures(button.name);
    }
}

void SkinnedFrame::BuildTitleBar() {
    TForm1& f = form_;
    f.PanelTitle = new TPanel(f.PanelOuter, "PanelTitle", QColor::fromRgb(theme::kTitleBottom));
    f.Image2 = new TPicture(f.PanelTitle, "Image2", Picture("Image2"), false);
    f.Image4 = new TPicture(f.PanelTitle, "Image4", Picture("Image4"), true);
    f.Image6 = new TPicture(f.PanelTitle, "Image6", Picture("Image6"), false);
    for (TPicture* piece : {f.Image2, f.Image4, f.Image6}) {
        connect(piece, &TPicture::MouseDown, &f, &TForm1::TitleMouseDown);
        connect(piece, &TPicture::LeftDrag, &f, &TForm1::TitleLeftDrag);
        connect(piece, &TPicture::DblClick, &f, [&f] { f.RunHandler([&f] { f.TitleDblClick(); }); });
    }

    for (std::size_t i = 0; i < separators_.size(); ++i) {
        const int button = static_cast<int>(i) + 1;
        separators_[i] =
            new TPicture(f.PanelTitle, QString("ImageSeparator%1").arg(button), Picture("ImageSeparator"), false);
        separators_[i]->move(CommandLeft(button) - kSeparatorGap, kSeparatorTop);
    }

    std::array<TPictureButton*, kCommandCount> commands{};
    for (int i = 0; i < kCommandCount; ++i) {
        commands[i] =
            new TPictureButton(f.PanelTitle, kCommandButtons[i].name, *f.PanelImage, kCommandButtons[i].afterRelease);
        commands[i]->move(CommandLeft(i), kCommandTop);
    }
    f.ImageOpen = commands[0];
    f.ImageConvert = commands[1];
    f.ImageZoomIn = commands[2];
    f.ImageZoomOut = commands[3];
    f.ImageOriginal = commands[4];
    f.ImageLook = commands[5];
    f.ImageHome = commands[6];
    f.ImageHelp = commands[7];

    std::array<TPictureButton*, std::size(kWindowButtons)> windowButtons{};
    for (std::size_t i = 0; i < windowButtons.size(); ++i) {
        windowButtons[i] =
            new TPictureButton(f.PanelTitle, kWindowButtons[i].name, *f.PanelImage, kWindowButtons[i].afterRelease);
    }
    f.ImageMin = windowButtons[0];
    f.ImageMax = windowButtons[1];
    f.ImageMax2 = windowButtons[2];
    f.ImageClose = windowButtons[3];

    // The open book's title, right of the program's painted name.
    f.LabelBookTitle = new TStatusLabel(f.PanelTitle, "LabelBookTitle", Qt::ElideRight);
    QFont title("DejaVu Sans");
    title.setPixelSize(13);
    title.setBold(true);
    f.LabelBookTitle->setFont(title);
    QPalette titleColours = f.LabelBookTitle->palette();
    titleColours.setColor(QPalette::WindowText, QColor::fromRgb(theme::kIcon));
    f.LabelBookTitle->setPalette(titleColours);
    // Pressed and dragged like the title bar under it.
    f.LabelBookTitle->setAttribute(Qt::WA_TransparentForMouseEvents);

    const QString tips[] = {tr("Open a book (Ctrl+O); recent books: right-click or Ctrl+Shift+O"),
                            tr("Convert the book to PDF or JPG"),
                            tr("Zoom in (Ctrl++)"),
                            tr("Zoom out (Ctrl+-)"),
                            tr("Original size (Ctrl+0)"),
                            tr("Reading settings: theme, font, spacing (Ctrl+,)"),
                            tr("Home page"),
                            tr("Help (F1)")};
    const QString names[] = {tr("Open"),        tr("Convert"), tr("Zoom in"), tr("Zoom out"),
                             tr("Actual size"), tr("Look"),    tr("Home"),    tr("Help")};
    for (int i = 0; i < kCommandCount; ++i) {
        commands[i]->setToolTip(tips[i]);
        commands[i]->setAccessibleName(names[i]);
    }
    const std::pair<TPictureButton*, QString> windowNames[] = {{f.ImageMin, tr("Minimise")},
                                                               {f.ImageMax, tr("Maximise")},
                                                               {f.ImageMax2, tr("Restore")},
                                                               {f.ImageClose, tr("Close")}};
    for (const auto& [button, name] : windowNames) {
        button->setToolTip(name);
        button->setAccessibleName(name);
    }
    f.LabelBookTitle->setAccessibleName(tr("Book title"));
}

void SkinnedFrame::BuildPanels(std::function<void(std::int32_t)> selectRow) {
    TForm1& f = form_;
    const QColor frame = QColor::fromRgb(theme::kFrame);
    f.PanelLeft = new TPanel(f.PanelOuter, "PanelLeft", frame);
    f.PanelPage = new TPanel(f.PanelOuter, "PanelPage", frame);

    const char* tocNames[] = {"ImageTocTopLeft",  "ImageTocLeft",  "ImageTocBottomLeft", "ImageTocTop",
                              "ImageTocTopRight", "ImageTocRight", "ImageTocBottomRight"};
    const char* pageNames[] = {"ImagePageTopLeft",  "ImagePageLeft",  "ImagePageBottomLeft", "ImagePageTop",
                               "ImagePageTopRight", "ImagePageRight", "ImagePageBottomRight"};
    for (std::size_t i = 0; i < tocPieces_.size(); ++i) {
        tocPieces_[i] = new TPicture(f.PanelLeft, tocNames[i], Picture(tocNames[i]), true);
        pagePieces_[i] = new TPicture(f.PanelPage, pageNames[i], Picture(pageNames[i]), true);
    }
    f.Image3 = new TPicture(f.PanelLeft, "Image3", Picture("Image3"), true);
    f.ImagePageBottom = new TPicture(f.PanelPage, "ImagePageBottom", Picture("ImagePageBottom"), true);

    f.StringGrid1 = new TStringGrid(f.PanelLeft, "StringGrid1", f.toc, std::move(selectRow));
    f.StringGrid1->setFrameShape(QFrame::NoFrame);
    f.StringGrid1->setAccessibleName(tr("Table of contents"));
    // With a book open, tabs above the table switch between its chapter rows and the book's own contents.
    f.TabsToc = new QTabBar(f.PanelLeft);
    f.TabsToc->setObjectName("TabsToc");
    f.TabsToc->addTab(tr("Chapters"));
    f.TabsToc->addTab(tr("Contents"));
    f.TabsToc->setExpanding(true);
    f.TabsToc->setDrawBase(false);
    f.TabsToc->setFocusPolicy(Qt::TabFocus);
    f.TabsToc->setStyleSheet(QString("QTabBar::tab { background: %1; color: %2; padding: 3px 6px; border: none; }"
                                     "QTabBar::tab:selected { background: %3; color: %4; font-weight: bold; }")
                                 .arg(QColor::fromRgb(theme::kFrameDark).name(), QColor::fromRgb(theme::kIcon).name(),
                                      QColor::fromRgb(theme::kGrid).name(), QColor::fromRgb(theme::kGridText).name()));
    f.TabsToc->hide();
    f.TreeContents = new TContentsTree(f.PanelLeft, "TreeContents");
    f.TreeContents->hide();
    connect(f.TabsToc, &QTabBar::currentChanged, this, [this](int) { ShowTocView(); });

    f.ProgressBar1 = new QProgressBar(f.PanelLeft);
    f.ProgressBar1->setObjectName("ProgressBar1");
    f.ProgressBar1->setAccessibleName(tr("Conversion progress"));
    f.ProgressBar1->setRange(0, 100);
    // The conversion names its step on the bar ("chapter 3 of 12"); the format is empty otherwise.
    f.ProgressBar1->setTextVisible(true);
    f.ProgressBar1->setFormat(QString());
    f.ProgressBar1->setStyleSheet(
        QString("QProgressBar { background: %1; border: 1px solid %2; color: %4; text-align: center;"
                " font-size: 10px; }"
                "QProgressBar::chunk { background: %3; }")
            .arg(QColor::fromRgb(theme::kGrid).name(), QColor::fromRgb(theme::kFrameDark).name(),
                 QColor::fromRgb(theme::kAccent).name(), QColor::fromRgb(theme::kGridText).name()));
    // The table gives the progress bar its foot while the bar shows.
    f.ProgressBar1->installEventFilter(this);
    // Cancels a running conversion; it stands on the strip under the progress bar while one runs.
    f.ButtonCancel = new QPushButton(tr("Cancel"), f.PanelLeft);
    f.ButtonCancel->setObjectName("ButtonCancel");
    f.ButtonCancel->setToolTip(tr("Cancel the conversion (Esc)"));
    f.ButtonCancel->setFocusPolicy(Qt::NoFocus);
    f.ButtonCancel->setCursor(Qt::ArrowCursor);
    f.ButtonCancel->setStyleSheet(
        QString("QPushButton { color: %1; background: %2; border: 1px solid %3; border-radius: 3px;"
                " padding: 2px 14px; font-size: 11px; }"
                "QPushButton:hover { background: %4; color: %5; }")
            .arg(QColor::fromRgb(theme::kIcon).name(), QColor::fromRgb(theme::kFrameLight).name(),
                 QColor::fromRgb(theme::kFrameDark).name(), QColor::fromRgb(theme::kAccent).name(),
                 QColor::fromRgb(theme::kGridText).name()));
    f.ButtonCancel->hide();

    f.Panel1 = new TPanel(f.PanelPage, "Panel1", QColor::fromRgb(theme::kPage));
    f.WebBrowser1->PlaceIn(f.Panel1);
    f.WebBrowser1->setObjectName("WebBrowser1");
    f.WebBrowser1->setAccessibleName(tr("Page"));

    f.LabelStart = new QLabel(f.PanelPage);
    f.LabelStart->setObjectName("LabelStart");
    f.LabelStart->setAccessibleName(tr("Start page"));
    f.LabelStart->setAlignment(Qt::AlignCenter);
    f.LabelStart->setWordWrap(true);
    f.LabelStart->setAutoFillBackground(true);
    f.LabelStart->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    QPalette start = f.LabelStart->palette();
    start.setColor(QPalette::Window, QColor::fromRgb(theme::kPage));
    f.LabelStart->setPalette(start);

    f.FindBar1 = new TFindBar(f.PanelPage, "FindBar1");
    f.FindBar1->hide();
    f.LookPanel1 = new TLookPanel(f.PanelPage, "LookPanel1");
    f.LookPanel1->hide();
    MatchTheme(LookTheme::Light);

    f.Label1 = new TStatusLabel(f.PanelPage, "Label1");
    f.Label1->setAccessibleName(tr("Status"));
    QFont status("Tahoma");
    status.setPixelSize(11);
    f.Label1->setFont(status);

    f.Splitter1 = new TSplitter(f.PanelOuter, "Splitter1");
    f.Splitter1->setToolTip(tr("Drag to widen the table of contents; double-click for its first width"));
    connect(f.Splitter1, &TSplitter::Dragged, this, [this](int x) { SetTocWidth(x - kBevel); });
    connect(f.Splitter1, &TSplitter::DblClick, this, [this] { SetTocWidth(kLeftPanelWidth); });
}

void SkinnedFrame::SetUp() {
    // Qt paints every widget double-buffered already.
    TForm1& f = form_;
    f.setMask(RoundedRegion(f.size()));
    f.PanelImage->hide();
    f.ImageMax->show();
    f.ImageMax2->hide();
    LayoutTitleButtons();
    f.Label1->raise();
    f.Label1->clear();
    QPalette status = f.Label1->palette();
    status.setColor(QPalette::WindowText, QColor::fromRgb(theme::kStatusText));
    // Over the page in the reading mode, the status line is a strip of the title bar's colour.
    status.setColor(QPalette::Window, QColor::fromRgb(theme::kTitleBottom));
    f.Label1->setPalette(status);
    Place();
    PlaceLabel1();
}

void SkinnedFrame::LayoutTitleButtons() {
    TForm1& f = form_;
    f.LabelBookTitle->setGeometry(kBookTitleLeft, kWindowButtonTop,
                                  std::max(0, MinLeft(f.width()) - kBookTitleGap - kBookTitleLeft), kBookTitleHeight);
    f.ImageMin->raise();
    f.ImageMin->move(MinLeft(f.width()), kWindowButtonTop);
    f.ImageMax->raise();
    f.ImageMax->move(f.ImageMin->x() + f.ImageMin->width() + 1, kWindowButtonTop);
    f.ImageMax2->raise();
    f.ImageMax2->move(f.ImageMax->x(), kWindowButtonTop);
    f.ImageClose->raise();
    f.ImageClose->move(f.ImageMax->x() + f.ImageMax->width() + 1, kWindowButtonTop);
}

void SkinnedFrame::Place() {
    TForm1& f = form_;
    const bool reading = InReadingMode();
    ShowFrame(!reading);
    f.PanelOuter->setGeometry(f.rect());
    const int inner = f.width() - 2 * kBevel;
    // Reading, the title bar comes over the page's top edge only while the pointer is there.
    f.PanelTitle->setGeometry(kBevel, reading ? 0 : kBevel, inner, kTitleHeight);
    f.Image2->move(0, 0);
    f.Image6->move(inner - kTitleRightWidth, 0);
    f.Image4->setGeometry(kTitleLeftWidth, 0, std::max(0, inner - kTitleRightWidth - kTitleLeftWidth), kTitleHeight);
    if (reading) {
        f.PanelPage->setGeometry(f.rect());
        f.Panel1->setGeometry(f.PanelPage->rect());
        f.PanelTitle->raise();
    } else {
        PlacePanels(inner);
    }
    PlaceOverPage();
}

void SkinnedFrame::PlacePanels(int inner) {
    TForm1& f = form_;
    const int panelTop = kBevel + kTitleHeight;
    const int panelHeight = f.height() - 2 * kBevel - kTitleHeight;
    const int leftWidth = ShownTocWidth();
    f.PanelLeft->setGeometry(kBevel, panelTop, leftWidth, panelHeight);
    f.PanelPage->setGeometry(kBevel + leftWidth, panelTop, inner - leftWidth, panelHeight);
    f.Splitter1->setGeometry(kBevel + leftWidth - kSplitterGrip / 2, panelTop, kSplitterGrip, panelHeight);
    f.Splitter1->raise();
    // A column: its top piece, the middle piece (or content) and its bottom piece.
    auto column = [panelHeight](TPicture* top, QWidget* middle, TPicture* bottom, int left, int width,
                                int bottomHeight) {
        top->setGeometry(left, 0, width, kStripTop);
        bottom->setGeometry(left, panelHeight - bottomHeight, width, bottomHeight);
        if (middle != nullptr) {
            middle->setGeometry(left, kStripTop, width, std::max(0, panelHeight - kStripTop - bottomHeight));
        }
    };
    // The middle column takes what the splitter gives or takes; the outer columns keep their widths.
    const int tocMiddle = kLeftColumns[0];
    const int tocMiddleWidth = leftWidth - kLeftColumns[0] - kLeftColumns[2];
    const int tocRight = tocMiddle + tocMiddleWidth;
    column(tocPieces_[0], tocPieces_[1], tocPieces_[2], 0, kLeftColumns[0], kLeftPanelCornerBottom);
    column(tocPieces_[3], nullptr, f.Image3, tocMiddle, tocMiddleWidth, kStripBottom);
    column(tocPieces_[4], tocPieces_[5], tocPieces_[6], tocRight, kLeftColumns[2], kStripBottom);
    const int progress = f.ProgressBar1->isVisibleTo(f.PanelLeft) ? kProgressHeight : 0;
    const int tocFoot = panelHeight - kStripBottom;
    const int tabs = f.TabsToc->isVisibleTo(f.PanelLeft) ? f.TabsToc->sizeHint().height() : 0;
    f.TabsToc->setGeometry(tocMiddle, kStripTop, tocMiddleWidth, tabs);
    f.StringGrid1->setGeometry(tocMiddle, kStripTop + tabs, tocMiddleWidth,
                               std::max(0, tocFoot - kStripTop - tabs - progress));
    f.TreeContents->setGeometry(f.StringGrid1->geometry());
    f.ProgressBar1->setGeometry(tocMiddle, tocFoot - kProgressHeight, tocMiddleWidth, kProgressHeight);
    const QSize cancel = f.ButtonCancel->sizeHint();
    f.ButtonCancel->setGeometry(tocMiddle + (tocMiddleWidth - cancel.width()) / 2,
                                tocFoot + (kStripBottom - cancel.height()) / 2, cancel.width(), cancel.height());
    f.ButtonCancel->raise();

    const int pageWidth = f.PanelPage->width();
    const int pageMiddleWidth = std::max(0, pageWidth - kPageLeftColumn - kPageRightColumn);
    column(pagePieces_[0], pagePieces_[1], pagePieces_[2], 0, kPageLeftColumn, kStripBottom);
    column(pagePieces_[3], f.Panel1, f.ImagePageBottom, kPageLeftColumn, pageMiddleWidth, kStripBottom);
    column(pagePieces_[4], pagePieces_[5], pagePieces_[6], pageWidth - kPageRightColumn, kPageRightColumn,
           kStripBottom);
}

void SkinnedFrame::PlaceOverPage() {
    TForm1& f = form_;
    f.LabelStart->setGeometry(f.Panel1->geometry());
    // The find bar stands over the page's top right corner.
    const QRect page = f.Panel1->geometry();
    const int findWidth = std::min(kFindBarWidth, std::max(0, page.width() - kFindBarMargin - kFindBarRightMargin));
    f.FindBar1->setGeometry(page.right() + 1 - kFindBarRightMargin - findWidth, page.top() + kFindBarMargin, findWidth,
                            f.FindBar1->WantedHeight(std::max(0, page.height() - 2 * kFindBarMargin)));
    f.FindBar1->raise();
    // The reading settings stand under it, at the page's right.
    const QSize look = f.LookPanel1->sizeHint();
    const int lookWidth = std::min(look.width() + kLookPanelExtraWidth, std::max(0, page.width() - 2 * kFindBarMargin));
    f.LookPanel1->setGeometry(page.right() + 1 - kFindBarRightMargin - lookWidth,
                              page.top() + kFindBarMargin + f.FindBar1->height() + kFindBarMargin, lookWidth,
                              std::min(look.height(), page.height()));
    f.LookPanel1->raise();
}

void SkinnedFrame::MatchTheme(LookTheme look) {
    TForm1& f = form_;
    const ThemeColours colours = ColoursOf(look);
    const QColor paper = QColor::fromRgb(colours.paper);
    f.Panel1->SetColour(paper);
    QPalette start = f.LabelStart->palette();
    start.setColor(QPalette::Window, paper);
    f.LabelStart->setPalette(start);
    // The table beside the page takes the theme's paper, a shade off it.
    switch (look) {
    case LookTheme::Light:
        f.StringGrid1->SetColours(QColor::fromRgb(theme::kGrid), QColor::fromRgb(theme::kGridText),
                                  QColor::fromRgb(theme::kGridSelected), QColor::fromRgb(theme::kGridFixed));
        break;
    case LookTheme::Sepia:
        f.StringGrid1->SetColours(paper.darker(104), QColor::fromRgb(colours.text), QColor(0xF0, 0xD3, 0x9C),
                                  paper.darker(112));
        break;
    case LookTheme::Dark:
        f.StringGrid1->SetColours(paper.lighter(130), QColor::fromRgb(colours.text), QColor(0x6B, 0x55, 0x2E),
                                  paper.lighter(160));
        break;
    }
}

int SkinnedFrame::MostTocWidth() const {
    return std::max(kLeftPanelLeast, form_.width() - 2 * kBevel - kPageAreaLeast);
}

int SkinnedFrame::ShownTocWidth() const {
    return std::clamp(tocWidth_, kLeftPanelLeast, MostTocWidth());
}

void SkinnedFrame::SetTocWidth(int width) {
    const int wanted = std::clamp(width, kLeftPanelLeast, MostTocWidth());
    if (wanted != tocWidth_) {
        tocWidth_ = wanted;
        Place();
        PlaceLabel1();
    }
}

void SkinnedFrame::PlaceLabel1() {
    TForm1& f = form_;
    f.Label1->raise();
    if (InReadingMode()) {
        // Reading, the status line is a strip over the page's foot, there only while it says something brief.
        const int height = f.Label1->fontMetrics().height() + kStatusOffset;
        f.Label1->setAutoFillBackground(true);
        f.Label1->setContentsMargins(kStatusOffset, 0, kStatusOffset, 0);
        f.Label1->setGeometry(0, f.PanelPage->height() - height, f.PanelPage->width(), height);
        f.Label1->setVisible(statusRevealed_);
        return;
    }
    f.Label1->setAutoFillBackground(false);
    f.Label1->setContentsMargins(0, 0, 0, 0);
    f.Label1->show();
    f.Label1->setGeometry(f.ImagePageBottom->x() + kStatusOffset, f.ImagePageBottom->y() + kStatusOffset,
                          std::max(0, f.ImagePageBottom->width() - 2 * kStatusOffset),
                          f.Label1->fontMetrics().height());
}

void SkinnedFrame::ShowTocTabs(bool shown) {
    form_.TabsToc->setVisible(shown);
    ShowTocView();
    Place();
}

void SkinnedFrame::ShowTocView() {
    TForm1& f = form_;
    const bool contents = f.TabsToc->isVisibleTo(f.PanelLeft) && f.TabsToc->currentIndex() == kContentsTab;
    const bool hadFocus = f.StringGrid1->hasFocus() || f.TreeContents->hasFocus();
    f.TreeContents->setVisible(contents);
    f.StringGrid1->setVisible(!contents);
    if (hadFocus) {
        (contents ? static_cast<QWidget*>(f.TreeContents) : f.StringGrid1)->setFocus();
    }
}

void SkinnedFrame::ShowFrame(bool shown) {
    TForm1& f = form_;
    f.PanelTitle->setVisible(shown || titleRevealed_);
    f.PanelLeft->setVisible(shown);
    f.Splitter1->setVisible(shown);
    f.ImagePageBottom->setVisible(shown);
    for (TPicture* piece : pagePieces_) {
        piece->setVisible(shown);
    }
}

bool SkinnedFrame::InReadingMode() const {
    return form_.isFullScreen();
}

void SkinnedFrame::RevealStatus(bool revealed) {
    if (revealed != statusRevealed_) {
        statusRevealed_ = revealed;
        PlaceLabel1();
    }
}

void SkinnedFrame::RevealTitle(bool revealed) {
    if (revealed != titleRevealed_) {
        titleRevealed_ = revealed;
        Place();
    }
}

void SkinnedFrame::Resize() {
    // Full screen, the window covers the screen to its corners and keeps the screen's height.
    const bool fullScreen = form_.isFullScreen();
    if (fullScreen) {
        form_.clearMask();
    } else {
        form_.setMask(RoundedRegion(form_.size()));
    }
    Place();
    PlaceLabel1();
    LayoutTitleButtons();
    if (maximised_ && !fullScreen && form_.height() != MaximisedGeometry().height()) {
        form_.resize(form_.width(), MaximisedGeometry().height());
    }
}

QRect SkinnedFrame::MaximisedGeometry() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen->availableGeometry();
    return {area.left(), area.top(), area.width(), screen->geometry().height() - kMaximisedHeightReserve};
}

bool SkinnedFrame::IsMaximised() const {
    return maximised_ || form_.isMaximized();
}

void SkinnedFrame::SetMaximised(bool maximised) {
    if (maximised == maximised_) {
        return;
    }
    if (maximised) {
        normalGeometry_ = form_.geometry();
        maximised_ = true;
        form_.setGeometry(MaximisedGeometry());
    } else {
        maximised_ = false;
        form_.setGeometry(normalGeometry_);
    }
}

void SkinnedFrame::ToggleMaximised() {
    TForm1& f = form_;
    // The maximise button of the title bar that came over the reading page ends the reading mode.
    if (f.isFullScreen()) {
        ToggleFullScreen();
        return;
    }
    if (!IsMaximised() && !f.isMinimized() && !f.isFullScreen()) {
        f.ImageMax->hide();
        f.ImageMax2->show();
        f.ImageMax2->raise();
        f.ImageMax2->move(f.ImageMax->pos());
        SetMaximised(true);
    } else {
        f.ImageMax2->hide();
        f.ImageMax->show();
        f.ImageMax->raise();
        f.ImageMax->move(f.ImageMax2->pos());
        SetMaximised(false);
        f.showNormal();
    }
}

void SkinnedFrame::ToggleFullScreen() {
    TForm1& f = form_;
    titleRevealed_ = false;
    statusRevealed_ = false;
    if (f.isFullScreen()) {
        f.showNormal();
        f.setGeometry(maximised_ ? MaximisedGeometry() : beforeFullScreen_);
    } else {
        beforeFullScreen_ = f.geometry();
        // The table goes with the frame; the page takes the keys it had.
        const bool tableHadFocus = f.StringGrid1->hasFocus();
        f.showFullScreen();
        if (tableHadFocus) {
            f.WebBrowser1->setFocus();
        }
    }
    Resize();
}

QRect SkinnedFrame::NormalGeometry() const {
    if (form_.isFullScreen()) {
        return maximised_ ? normalGeometry_ : beforeFullScreen_;
    }
    if (maximised_) {
        return normalGeometry_;
    }
    return form_.isMaximized() ? form_.normalGeometry() : form_.geometry();
}

void SkinnedFrame::RestorePlacement(const QRect& normal, bool maximised) {
    const QSize least = form_.minimumSize();
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens()) {
        onScreen = onScreen || screen->availableGeometry().intersects(normal);
    }
    if (onScreen && normal.width() >= least.width() && normal.height() >= least.height()) {
        form_.setGeometry(normal);
    }
    if (maximised && !IsMaximised()) {
        ToggleMaximised();
    }
}

void SkinnedFrame::ArmMove(Qt::MouseButton button) {
    moveArmed_ = !IsMaximised() && !form_.isFullScreen() && button == Qt::LeftButton;
}

void SkinnedFrame::DragTitle() {
    if (moveArmed_) {
        moveArmed_ = false;
        form_.StartSystemMove();
    }
}

void SkinnedFrame::DisarmMove() {
    moveArmed_ = false;
}

void SkinnedFrame::WatchPointer() {
    if (!watching_) {
        watching_ = true;
        qApp->installEventFilter(this);
    }
}

void SkinnedFrame::StopWatching() {
    if (watching_) {
        watching_ = false;
        qApp->removeEventFilter(this);
    }
}

bool SkinnedFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == form_.ProgressBar1 &&
        (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)) {
        Place();
    }
    if (watched == &form_ && event->type() == QEvent::WindowStateChange) {
        Resize();
    }
    // The resize band lies over every control along the window's edge; the frame sees their events first.
    if (watching_ && IsMouseEvent(event->type())) {
        if (auto* widget = qobject_cast<QWidget*>(watched); widget != nullptr && widget->window() == &form_) {
            if (event->type() == QEvent::MouseMove && InReadingMode()) {
                FollowPointerForTitle(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
            }
            return FilterBandEvent(widget, event);
        }
    }
    return QObject::eventFilter(watched, event);
}

void SkinnedFrame::FollowPointerForTitle(QPoint global) {
    // The pointer at the screen's top edge brings the title bar; it goes when the pointer leaves it.
    const int y = global.y() - form_.geometry().top();
    if (!titleRevealed_ && y <= kRevealTitleEdge) {
        RevealTitle(true);
    } else if (titleRevealed_ && y > kTitleHeight + kRevealTitleEdge) {
        RevealTitle(false);
    }
}

bool SkinnedFrame::FilterBandEvent(QWidget* widget, QEvent* event) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint at = mouse->globalPosition().toPoint();
    const QRect frame = form_.geometry();
    const HitTestCode code = IsMaximised() || form_.isMinimized() || form_.isFullScreen()
                                 ? HTCLIENT
                                 : FrameHitTest(at.x(), at.y(), frame.x(), frame.y(), frame.width(), frame.height());
    if (event->type() == QEvent::MouseMove) {
        if (mouse->buttons() != Qt::NoButton) {
            return false;
        }
        if (bandCursorWidget_ != nullptr && (code == HTCLIENT || bandCursorWidget_ != widget)) {
            bandCursorWidget_->unsetCursor();
            bandCursorWidget_ = nullptr;
        }
        if (code != HTCLIENT) {
            widget->setCursor(ResizeCursor(code));
            bandCursorWidget_ = widget;
        }
        return false;
    }
    // A press that the band took takes its release with it, wherever the release happens; a
    // release of a press that a control took belongs to that control.
    if (event->type() == QEvent::MouseButtonRelease) {
        const bool taken = bandPress_;
        bandPress_ = false;
        return taken;
    }
    if (code == HTCLIENT) {
        return false;
    }
    bandPress_ = true;
    if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
        form_.StartSystemResize(ResizeEdges(code));
    }
    return true;
}

} // namespace qm
