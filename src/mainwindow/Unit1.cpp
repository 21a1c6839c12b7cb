#include "mainwindow/Unit1.h"

#include "artwork.h"
#include "book/working_folders.h"
#include "convert/conversion_report.h"
#include "mainwindow/frame_hit_test.h"
#include "mainwindow/frame_layout.h"
#include "mainwindow/help_pages.h"
#include "mainwindow/panel.h"
#include "mainwindow/picture.h"
#include "mainwindow/picture_button.h"
#include "mainwindow/status_label.h"
#include "mainwindow/string_grid.h"
#include "mainwindow/theme.h"
#include "mainwindow/window_conversion.h"
#include "platform/qt_event_pump.h"
#include "platform/web_engine_browser.h"
#include "view/web_zoom.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainterPath>
#include <QProgressBar>
#include <QRegion>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QTimer>
#include <QWindow>

#include <stdexcept>

namespace qm {

namespace {

using namespace layout;

// The setting that lets a book's own scripts run in its pages; they stay confined to the book either way.
constexpr const char* kBookScriptsSetting = "reader/bookScripts";
// How long the reading view waits for a page to answer before it leaves the page behind for a fresh one.
constexpr std::chrono::seconds kPageResponseLimit{10};

// A maximised window leaves this much of the primary screen's height free, for a task bar at its foot.
constexpr int kMaximisedHeightReserve = 40;

struct ButtonSpec {
    const char* name;
    ButtonPicture afterRelease;
};

constexpr ButtonSpec kCommandButtons[kCommandCount] = {
    {"ImageOpen", ButtonPicture::Norm},      {"ImageConvert", ButtonPicture::Norm},
    {"ImageZoomIn", ButtonPicture::Enter},   {"ImageZoomOut", ButtonPicture::Enter},
    {"ImageOriginal", ButtonPicture::Enter}, {"ImageHome", ButtonPicture::Norm},
    {"ImageHelp", ButtonPicture::Norm},
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

// The hourglass for the whole application, taken away on every path.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { Release(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    void Release() {
        if (active_) {
            active_ = false;
            QGuiApplication::restoreOverrideCursor();
        }
    }

private:
    bool active_ = true;
};

bool IsMouseEvent(QEvent::Type type) {
    return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
           type == QEvent::MouseButtonDblClick || type == QEvent::MouseMove;
}

} // namespace

TForm1::TForm1(Dialogs& dialogs, Shell& shell, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), dialogs_(dialogs), shell_(shell),
      instance_(GetLocalAppDataPath()) {
    LoadArtwork();
    setObjectName("Form1");
    setWindowTitle("Quillmark 5.2");
    setWindowIcon(QIcon(":/icons/quillmark.png"));
    setAcceptDrops(true);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(kWindowWidth, kWindowHeight);
    BuildFrame();

    chapter_ = std::make_unique<ChapterDisplay>(
        state, toc, *WebBrowser1, [this] { return OpenDialog1.FileName; },
        [this](const std::string& text) { Label1->setText(QString::fromStdString(text)); });
    toc.SetSelectHandler([this](std::int32_t row) {
        StringGrid1->SyncCurrentRow();
        StringGrid1SelectCell(row);
    });
    WebBrowser1->SetDocumentCompleteHandler(
        [this](const LoadOutcome& outcome) { RunHandler([this, &outcome] { WebBrowser1DocumentComplete(outcome); }); });
    // A link to a web site opens in the desktop's browser, as the home and help pages do.
    WebBrowser1->SetExternalLinkHandler([this](const std::string& url) { shell_.OpenPage(url); });
    WebBrowser1->SetBookScriptsAllowed(QSettings().value(kBookScriptsSetting, false).toBool());
    WebBrowser1->SetResponseLimit(kPageResponseLimit);
    pump_ = std::make_unique<QtEventPump>();
    conversionWindow_ = std::make_unique<WindowConversion>(*this);
    // A conversion shows each chapter through the reading view, as a click on its row does.
    converter_ = std::make_unique<BookConverter>(
        ConversionContext{state, toc, *chapter_, *WebBrowser1, dialogs_, *conversionWindow_, *pump_,
                          [this] { return OpenDialog1.FileName; }, [this] { return tempJPG; }});
    StartSystemMove = [this] {
        if (windowHandle() != nullptr) {
            windowHandle()->startSystemMove();
        }
    };
    StartSystemResize = [this](Qt::Edges edges) {
        if (windowHandle() != nullptr) {
            windowHandle()->startSystemResize(edges);
        }
    };
    ConnectCommands();
    FormCreate();

    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr) {
        move(screen->availableGeometry().center() - rect().center());
    }
    // The resize band lies over every control along the window's edge; the window sees their events first.
    qApp->installEventFilter(this);
}

TForm1::~TForm1() {
    // Nothing may call back into this window while its parts go.
    qApp->removeEventFilter(this);
    WebBrowser1->SetDocumentCompleteHandler({});
    toc.SetSelectHandler({});
    delete PanelOuter;

    // Folders of this program go; those of programs still running stay.
    instance_.DeleteOwnFolders();
    instance_.DeleteFoldersOfEndedPrograms();
}

void TForm1::BuildFrame() {
    PanelImage = new QWidget(this);
    PanelImage->setObjectName("PanelImage");
    auto storePictures = [this](const char* name) {
        for (const char* stateName : kStates) {
            auto* picture = new QLabel(PanelImage);
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

    PanelOuter = new TPanel(this, "PanelOuter", QColor::fromRgb(theme::kFrame), kBevel);
    BuildTitleBar();
    BuildPanels();
}

void TForm1::BuildTitleBar() {
    PanelTitle = new TPanel(PanelOuter, "PanelTitle", QColor::fromRgb(theme::kTitleBottom));
    Image2 = new TPicture(PanelTitle, "Image2", Picture("Image2"), false);
    Image4 = new TPicture(PanelTitle, "Image4", Picture("Image4"), true);
    Image6 = new TPicture(PanelTitle, "Image6", Picture("Image6"), false);
    for (TPicture* piece : {Image2, Image4, Image6}) {
        connect(piece, &TPicture::MouseDown, this, &TForm1::TitleMouseDown);
        connect(piece, &TPicture::LeftDrag, this, &TForm1::TitleLeftDrag);
        connect(piece, &TPicture::DblClick, this, [this] { RunHandler([this] { TitleDblClick(); }); });
    }

    for (std::size_t i = 0; i < separators_.size(); ++i) {
        const int button = static_cast<int>(i) + 1;
        separators_[i] =
            new TPicture(PanelTitle, QString("ImageSeparator%1").arg(button), Picture("ImageSeparator"), false);
        separators_[i]->move(CommandLeft(button) - kSeparatorGap, kSeparatorTop);
    }

    std::array<TPictureButton*, kCommandCount> commands{};
    for (int i = 0; i < kCommandCount; ++i) {
        commands[i] =
            new TPictureButton(PanelTitle, kCommandButtons[i].name, *PanelImage, kCommandButtons[i].afterRelease);
        commands[i]->move(CommandLeft(i), kCommandTop);
    }
    ImageOpen = commands[0];
    ImageConvert = commands[1];
    ImageZoomIn = commands[2];
    ImageZoomOut = commands[3];
    ImageOriginal = commands[4];
    ImageHome = commands[5];
    ImageHelp = commands[6];

    std::array<TPictureButton*, std::size(kWindowButtons)> windowButtons{};
    for (std::size_t i = 0; i < windowButtons.size(); ++i) {
        windowButtons[i] =
            new TPictureButton(PanelTitle, kWindowButtons[i].name, *PanelImage, kWindowButtons[i].afterRelease);
    }
    ImageMin = windowButtons[0];
    ImageMax = windowButtons[1];
    ImageMax2 = windowButtons[2];
    ImageClose = windowButtons[3];

    const QString tips[] = {tr("Open a book (Ctrl+O)"),
                            tr("Convert the book to PDF or JPG"),
                            tr("Zoom in (Ctrl++)"),
                            tr("Zoom out (Ctrl+-)"),
                            tr("Original size (Ctrl+0)"),
                            tr("Home page"),
                            tr("Help (F1)")};
    for (int i = 0; i < kCommandCount; ++i) {
        commands[i]->setToolTip(tips[i]);
    }
    ImageMin->setToolTip(tr("Minimise"));
    ImageMax->setToolTip(tr("Maximise"));
    ImageMax2->setToolTip(tr("Restore"));
    ImageClose->setToolTip(tr("Close"));

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    ConverttoPDF1 = PopupMenu1->addAction(tr("Convert to PDF"));
    ConverttoPDF1->setObjectName("ConverttoPDF1");
    ConverttoJPG1 = PopupMenu1->addAction(tr("Convert to JPG"));
    ConverttoJPG1->setObjectName("ConverttoJPG1");
}

void TForm1::BuildPanels() {
    const QColor frame = QColor::fromRgb(theme::kFrame);
    PanelLeft = new TPanel(PanelOuter, "PanelLeft", frame);
    PanelPage = new TPanel(PanelOuter, "PanelPage", frame);

    const char* tocNames[] = {"ImageTocTopLeft",  "ImageTocLeft",  "ImageTocBottomLeft", "ImageTocTop",
                              "ImageTocTopRight", "ImageTocRight", "ImageTocBottomRight"};
    const char* pageNames[] = {"ImagePageTopLeft",  "ImagePageLeft",  "ImagePageBottomLeft", "ImagePageTop",
                               "ImagePageTopRight", "ImagePageRight", "ImagePageBottomRight"};
    for (std::size_t i = 0; i < tocPieces_.size(); ++i) {
        tocPieces_[i] = new TPicture(PanelLeft, tocNames[i], Picture(tocNames[i]), true);
        pagePieces_[i] = new TPicture(PanelPage, pageNames[i], Picture(pageNames[i]), true);
    }
    Image3 = new TPicture(PanelLeft, "Image3", Picture("Image3"), true);
    ImagePageBottom = new TPicture(PanelPage, "ImagePageBottom", Picture("ImagePageBottom"), true);

    StringGrid1 = new TStringGrid(PanelLeft, "StringGrid1", toc,
                                  [this](std::int32_t row) { RunHandler([this, row] { toc.SetCurrentRow(row); }); });
    QPalette grid = StringGrid1->palette();
    grid.setColor(QPalette::Base, QColor::fromRgb(theme::kGrid));
    grid.setColor(QPalette::Text, QColor::fromRgb(theme::kGridText));
    grid.setColor(QPalette::Highlight, QColor::fromRgb(theme::kGridSelected));
    grid.setColor(QPalette::HighlightedText, QColor::fromRgb(theme::kGridText));
    grid.setColor(QPalette::Disabled, QPalette::Text, QColor::fromRgb(theme::kGridTextLocked));
    grid.setColor(QPalette::Disabled, QPalette::HighlightedText, QColor::fromRgb(theme::kGridTextLocked));
    StringGrid1->setPalette(grid);
    StringGrid1->setFrameShape(QFrame::NoFrame);

    ProgressBar1 = new QProgressBar(PanelLeft);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setStyleSheet(QString("QProgressBar { background: %1; border: 1px solid %2; }"
                                        "QProgressBar::chunk { background: %3; }")
                                    .arg(QColor::fromRgb(theme::kGrid).name(),
                                         QColor::fromRgb(theme::kFrameDark).name(),
                                         QColor::fromRgb(theme::kAccent).name()));
    // The table gives the progress bar its foot while the bar shows.
    ProgressBar1->installEventFilter(this);

    Panel1 = new TPanel(PanelPage, "Panel1", QColor::fromRgb(theme::kPage));
    WebBrowser1 = new WebEngineBrowser(Panel1);
    WebBrowser1->setObjectName("WebBrowser1");

    LabelStart = new QLabel(PanelPage);
    LabelStart->setObjectName("LabelStart");
    LabelStart->setAlignment(Qt::AlignCenter);
    LabelStart->setWordWrap(true);
    LabelStart->setAutoFillBackground(true);
    LabelStart->setText(tr("<p style='font-size:15px; color:#34495e'><b>No book is open</b></p>"
                           "<p style='color:#5d6d7e'>Click <b>Open</b>, press <b>Ctrl+O</b>,<br>"
                           "or drop an .epub file on this window.</p>"));
    QPalette start = LabelStart->palette();
    start.setColor(QPalette::Window, QColor::fromRgb(theme::kPage));
    LabelStart->setPalette(start);

    Label1 = new TStatusLabel(PanelPage, "Label1");
    QFont status("Tahoma");
    status.setPixelSize(11);
    Label1->setFont(status);
}

void TForm1::ConnectCommands() {
    auto bind = [this](TPictureButton* button, void (TForm1::*command)()) {
        connect(button, &TPictureButton::Click, this,
                [this, command] { RunHandler([this, command] { (this->*command)(); }); });
    };
    bind(ImageOpen, &TForm1::ImageOpenClick);
    bind(ImageConvert, &TForm1::ImageConvertClick);
    bind(ImageZoomIn, &TForm1::ImageZoomInClick);
    bind(ImageZoomOut, &TForm1::ImageZoomOutClick);
    bind(ImageOriginal, &TForm1::ImageOriginalClick);
    bind(ImageHome, &TForm1::ImageHomeClick);
    bind(ImageHelp, &TForm1::ImageHelpClick);
    bind(ImageMin, &TForm1::ImageMinClick);
    bind(ImageMax, &TForm1::ImageMaxClick);
    bind(ImageMax2, &TForm1::ImageMaxClick);
    bind(ImageClose, &TForm1::ImageCloseClick);

    auto shortcut = [this](const QKeySequence& keys, void (TForm1::*command)()) {
        auto* key = new QShortcut(keys, this);
        connect(key, &QShortcut::activated, this,
                [this, command] { RunHandler([this, command] { (this->*command)(); }); });
    };
    shortcut(QKeySequence::Open, &TForm1::ImageOpenClick);
    shortcut(QKeySequence::ZoomIn, &TForm1::ImageZoomInClick);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), &TForm1::ImageZoomInClick);
    shortcut(QKeySequence::ZoomOut, &TForm1::ImageZoomOutClick);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_0), &TForm1::ImageOriginalClick);
    shortcut(QKeySequence::HelpContents, &TForm1::ImageHelpClick);
    auto* cancel = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(cancel, &QShortcut::activated, this, [this] { converter_->Cancel(); });
    connect(ConverttoPDF1, &QAction::triggered, this, [this] { RunHandler([this] { ConverttoPDF1Click(); }); });
    connect(ConverttoJPG1, &QAction::triggered, this, [this] { RunHandler([this] { ConverttoJPG1Click(); }); });
    connect(WebBrowser1, &WebEngineBrowser::ZoomGesture, this, [this](int direction) {
        RunHandler([this, direction] { direction > 0 ? ImageZoomInClick() : ImageZoomOutClick(); });
    });
}

void TForm1::FormCreate() {
    // The frame: outline, hidden picture store, window buttons, status caption. Qt paints every widget
    // double-buffered already.
    setMask(RoundedRegion(size()));
    PanelImage->hide();
    ImageMax->show();
    ImageMax2->hide();
    LayoutTitleButtons();
    Label1->raise();
    Label1->clear();
    QPalette status = Label1->palette();
    status.setColor(QPalette::WindowText, QColor::fromRgb(theme::kStatusText));
    Label1->setPalette(status);
    PlaceFrame();
    PlaceLabel1();

    // A fresh ReaderState holds the initial value of every field: empty lists and texts, cleared walk flags,
    // spineIndex 0, flag_complete 0, flag_null false, WebZoom 1.0. Nothing is created on disk here.
    const WorkingFolders folders = instance_.Folders();
    tempDir = folders.tempDir;
    tempJPG = folders.tempJPG;
    StringGrid1->SetColumnWidths({20, 250, 1});
    OpenDialog1.Filter = {"epub file", "*.epub"};
    ProgressBar1->hide();
    ProgressBar1->setValue(0);
    SetMaximised(false);
    setWindowState(Qt::WindowNoState);
    StringGrid1->hide();
    // Until a book opens, the page area shows how to open one.
    Panel1->hide();
}

void TForm1::LayoutTitleButtons() {
    ImageMin->raise();
    ImageMin->move(MinLeft(width()), kWindowButtonTop);
    ImageMax->raise();
    ImageMax->move(ImageMin->x() + ImageMin->width() + 1, kWindowButtonTop);
    ImageMax2->raise();
    ImageMax2->move(ImageMax->x(), kWindowButtonTop);
    ImageClose->raise();
    ImageClose->move(ImageMax->x() + ImageMax->width() + 1, kWindowButtonTop);
}

void TForm1::PlaceFrame() {
    PanelOuter->setGeometry(rect());
    const int inner = width() - 2 * kBevel;
    PanelTitle->setGeometry(kBevel, kBevel, inner, kTitleHeight);
    Image2->move(0, 0);
    Image6->move(inner - kTitleRightWidth, 0);
    Image4->setGeometry(kTitleLeftWidth, 0, std::max(0, inner - kTitleRightWidth - kTitleLeftWidth), kTitleHeight);

    const int panelTop = kBevel + kTitleHeight;
    const int panelHeight = height() - 2 * kBevel - kTitleHeight;
    PanelLeft->setGeometry(kBevel, panelTop, kLeftPanelWidth, panelHeight);
    PanelPage->setGeometry(kBevel + kLeftPanelWidth, panelTop, inner - kLeftPanelWidth, panelHeight);

    // A column: its top piece, the middle piece (or content) and its bottom piece.
    auto column = [panelHeight](TPicture* top, QWidget* middle, TPicture* bottom, int left, int width,
                                int bottomHeight) {
        top->setGeometry(left, 0, width, kStripTop);
        bottom->setGeometry(left, panelHeight - bottomHeight, width, bottomHeight);
        if (middle != nullptr) {
            middle->setGeometry(left, kStripTop, width, std::max(0, panelHeight - kStripTop - bottomHeight));
        }
    };
    const int tocMiddle = kLeftColumns[0];
    const int tocRight = tocMiddle + kLeftColumns[1];
    column(tocPieces_[0], tocPieces_[1], tocPieces_[2], 0, kLeftColumns[0], kLeftPanelCornerBottom);
    column(tocPieces_[3], nullptr, Image3, tocMiddle, kLeftColumns[1], kStripBottom);
    column(tocPieces_[4], tocPieces_[5], tocPieces_[6], tocRight, kLeftColumns[2], kStripBottom);
    const int progress = ProgressBar1->isVisibleTo(PanelLeft) ? kProgressHeight : 0;
    const int tocFoot = panelHeight - kStripBottom;
    StringGrid1->setGeometry(tocMiddle, kStripTop, kLeftColumns[1], std::max(0, tocFoot - kStripTop - progress));
    ProgressBar1->setGeometry(tocMiddle, tocFoot - kProgressHeight, kLeftColumns[1], kProgressHeight);

    const int pageWidth = PanelPage->width();
    const int pageMiddleWidth = std::max(0, pageWidth - kPageLeftColumn - kPageRightColumn);
    column(pagePieces_[0], pagePieces_[1], pagePieces_[2], 0, kPageLeftColumn, kStripBottom);
    column(pagePieces_[3], Panel1, ImagePageBottom, kPageLeftColumn, pageMiddleWidth, kStripBottom);
    column(pagePieces_[4], pagePieces_[5], pagePieces_[6], pageWidth - kPageRightColumn, kPageRightColumn,
           kStripBottom);
    LabelStart->setGeometry(Panel1->geometry());
}

void TForm1::PlaceLabel1() {
    Label1->raise();
    Label1->setGeometry(ImagePageBottom->x() + kStatusOffset, ImagePageBottom->y() + kStatusOffset,
                        std::max(0, ImagePageBottom->width() - 2 * kStatusOffset), Label1->fontMetrics().height());
}

void TForm1::FormResize() {
    setMask(RoundedRegion(size()));
    PlaceFrame();
    PlaceLabel1();
    LayoutTitleButtons();
    if (maximised_ && height() != MaximisedGeometry().height()) {
        resize(width(), MaximisedGeometry().height());
    }
}

QRect TForm1::MaximisedGeometry() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen->availableGeometry();
    return {area.left(), area.top(), area.width(), screen->geometry().height() - kMaximisedHeightReserve};
}

bool TForm1::IsMaximised() const {
    return maximised_ || isMaximized();
}

void TForm1::SetMaximised(bool maximised) {
    if (maximised == maximised_) {
        return;
    }
    if (maximised) {
        normalGeometry_ = geometry();
        maximised_ = true;
        setGeometry(MaximisedGeometry());
    } else {
        maximised_ = false;
        setGeometry(normalGeometry_);
    }
}

void TForm1::resizeEvent(QResizeEvent*) {
    RunHandler([this] { FormResize(); });
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A request to close is always granted; a running conversion is cancelled first and the window closes
    // once it has stopped.
    if (Converting()) {
        converter_->Cancel(true);
        closeAfterConversion_ = true;
        event->ignore();
        return;
    }
    event->accept();
}

bool TForm1::Converting() const {
    return converter_ != nullptr && converter_->Running();
}

void TForm1::ConverttoPDF1Click() {
    RunConversion(&BookConverter::ConverttoPDF1Click);
}

void TForm1::ConverttoJPG1Click() {
    RunConversion(&BookConverter::ConverttoJPG1Click);
}

void TForm1::RunConversion(ConversionResult (BookConverter::*command)()) {
    if (Converting()) {
        return;
    }
    closeAfterConversion_ = false;
    struct CloseWhenAsked {
        TForm1& form;
        ~CloseWhenAsked() {
            if (form.closeAfterConversion_) {
                QTimer::singleShot(0, &form, &QWidget::close);
            }
        }
    } closeWhenAsked{*this};
    const ConversionResult result = ((*converter_).*command)();
    ReportConversion(result, dialogs_, shell_);
}

void TForm1::RunHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowException(error.what());
    } catch (...) {
        ShowException("An unknown error occurred");
    }
}

void TForm1::ShowException(const std::string& text) {
    dialogs_.ShowMessage(MessageKind::Error, "", text);
}

void TForm1::ImageOpenClick() {
    if (Converting()) {
        return;
    }
    if (!OpenDialog1.ExecuteOpen(dialogs_)) {
        return;
    }
    OpenChosenBook();
}

void TForm1::OpenBookFile(const std::string& path) {
    if (Converting()) {
        return;
    }
    OpenDialog1.FileName = path;
    OpenChosenBook();
}

void TForm1::OpenChosenBook() {
    const std::string path = OpenDialog1.FileName;
    Label1->setText(QString::fromStdString(path));
    if (path.empty()) {
        return;
    }
    StringGrid1->show();
    BusyCursor busy;
    Panel1->show();
    LabelStart->hide();
    // Each running program unpacks into folders of its own; those of programs that have ended go.
    const WorkingFolders folders = instance_.Claim();
    tempDir = folders.tempDir;
    tempJPG = folders.tempJPG;
    instance_.DeleteFoldersOfEndedPrograms();
    // Pages may reach the files of this book and nothing else.
    WebBrowser1->SetBookFolder(folders.tempDir);
    try {
        OpenBook(path, folders, state, toc, documents);
    } catch (...) {
        StringGrid1->Refresh();
        throw;
    }
    StringGrid1->Refresh();
    busy.Release();
    toc.SetCurrentRow(1);
    StringGrid1->setFocus();
}

void TForm1::ImageConvertClick() {
    if (Converting()) {
        return;
    }
    // The button's place in the title bar, taken as a place in the window: the menu opens the title bar's
    // offset (the bevel) left of and above the button's foot.
    PopupMenu1->exec(mapToGlobal(QPoint(ImageConvert->x(), ImageConvert->y() + ImageConvert->height())));
}

void TForm1::ImageZoomInClick() {
    if (Converting()) {
        return;
    }
    qm::ImageZoomInClick(state, *WebBrowser1);
}

void TForm1::ImageZoomOutClick() {
    if (Converting()) {
        return;
    }
    qm::ImageZoomOutClick(state, *WebBrowser1);
}

void TForm1::ImageOriginalClick() {
    if (Converting()) {
        return;
    }
    qm::ImageOriginalClick(state, *WebBrowser1);
}

void TForm1::ImageHomeClick() {
    if (const std::string url = HelpPageUrl(kHomePage); !url.empty()) {
        shell_.OpenPage(url);
    }
}

void TForm1::ImageHelpClick() {
    if (const std::string url = HelpPageUrl(kHelpPage); !url.empty()) {
        shell_.OpenPage(url);
    }
}

void TForm1::ImageMinClick() {
    try {
        showMinimized();
    } catch (...) {
        // Minimising reports nothing.
    }
}

void TForm1::ImageMaxClick() {
    if (!IsMaximised() && !isMinimized() && !isFullScreen()) {
        ImageMax->hide();
        ImageMax2->show();
        ImageMax2->raise();
        ImageMax2->move(ImageMax->pos());
        SetMaximised(true);
    } else {
        ImageMax2->hide();
        ImageMax->show();
        ImageMax->raise();
        ImageMax->move(ImageMax2->pos());
        SetMaximised(false);
        showNormal();
    }
}

void TForm1::ImageCloseClick() {
    try {
        close();
    } catch (...) {
        // Closing reports nothing.
    }
}

void TForm1::TitleMouseDown(Qt::MouseButton button) {
    moveArmed_ = !IsMaximised() && button == Qt::LeftButton;
}

void TForm1::TitleLeftDrag() {
    if (moveArmed_) {
        moveArmed_ = false;
        StartSystemMove();
    }
}

void TForm1::TitleDblClick() {
    moveArmed_ = false;
    ImageMaxClick();
}

void TForm1::StringGrid1SelectCell(std::int32_t row) {
    chapter_->StringGrid1SelectCell(row);
}

void TForm1::WebBrowser1DocumentComplete(const LoadOutcome& outcome) {
    chapter_->WebBrowser1DocumentComplete(outcome);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.constFirst().isLocalFile() &&
        urls.constFirst().toLocalFile().endsWith(".epub", Qt::CaseInsensitive)) {
        event->acceptProposedAction();
    }
}

void TForm1::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.constFirst().isLocalFile()) {
        return;
    }
    event->acceptProposedAction();
    // The drag source waits for the drop to end; the book opens after it has.
    const std::string path = urls.constFirst().toLocalFile().toStdString();
    QTimer::singleShot(0, this, [this, path] { RunHandler([this, &path] { OpenBookFile(path); }); });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ProgressBar1 && (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)) {
        PlaceFrame();
    }
    if (IsMouseEvent(event->type())) {
        if (auto* widget = qobject_cast<QWidget*>(watched); widget != nullptr && widget->window() == this) {
            return FilterFrameEvent(widget, event);
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TForm1::FilterFrameEvent(QWidget* widget, QEvent* event) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint at = mouse->globalPosition().toPoint();
    const QRect frame = geometry();
    const HitTestCode code = IsMaximised() || isMinimized()
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
        StartSystemResize(ResizeEdges(code));
    }
    return true;
}

} // namespace qm
