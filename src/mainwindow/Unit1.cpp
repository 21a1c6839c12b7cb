#include "mainwindow/Unit1.h"

#include "artwork.h"
#include "book/book_contents.h"
#include "book/opf_reader.h"
#include "book/working_folders.h"
#include "convert/conversion_report.h"
#include "mainwindow/contents_tree.h"
#include "mainwindow/find_bar.h"
#include "mainwindow/frame_layout.h"
#include "mainwindow/help_pages.h"
#include "mainwindow/help_window.h"
#include "mainwindow/look_panel.h"
#include "mainwindow/panel.h"
#include "mainwindow/picture_button.h"
#include "mainwindow/reader_settings.h"
#include "mainwindow/row_of_page.h"
#include "mainwindow/skinned_frame.h"
#include "mainwindow/status_label.h"
#include "mainwindow/string_grid.h"
#include "mainwindow/window_conversion.h"
#include "platform/qt/qt_event_pump.h"
#include "platform/qt/web_engine_browser.h"
#include "view/web_zoom.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QUrl>
#include <QWebEngineFindTextResult>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace qm {

namespace {

constexpr const char* kCaption = "Quillmark " QUILLMARK_VERSION;
// How long the reading view waits for a page to answer before it leaves the page behind for a fresh one.
constexpr std::chrono::seconds kPageResponseLimit{10};
// How long a brief message (the zoom, a move held at a chapter's edge) stands in the status line.
constexpr int kBriefMessageMs = 1800;

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

// The zoom as steps of 0.2 from 1.0, and back: walked step by step, so that a restored zoom is the very value
// that as many clicks give.
int ZoomSteps(double zoom) {
    return static_cast<int>(std::lround((zoom - 1.0) / 0.2));
}

double ZoomOfSteps(int steps) {
    double zoom = 1.0;
    for (; steps > 0; --steps) {
        zoom += 0.2;
    }
    for (; steps < 0; ++steps) {
        zoom -= 0.2;
    }
    return zoom;
}

// Books are remembered by their absolute path.
std::string BookKey(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString();
}

} // namespace

TForm1::TForm1(Dialogs& dialogs, Shell& shell, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), dialogs_(dialogs), shell_(shell),
      pump_(std::make_unique<QtEventPump>()), conversionWindow_(std::make_unique<WindowConversion>(*this)),
      WebBrowser1(new WebEngineBrowser(this)),
      session_(std::make_unique<ReadingSession>(
          ReadingSession::Platform{*WebBrowser1, dialogs_, *conversionWindow_, *pump_},
          [this] { return OpenDialog1.FileName; },
          // The status line tells where the reader is rather than the chapter's path.
          [this](const std::string&) { UpdateStatus(); })),
      tempDir(session_->folders.tempDir), tempJPG(session_->folders.tempJPG), state(session_->state),
      toc(session_->toc), documents(session_->documents), instance_(GetLocalAppDataPath()) {
    LoadArtwork();
    setObjectName("Form1");
    setWindowTitle(kCaption);
    setWindowIcon(QIcon(":/icons/quillmark.png"));
    setAcceptDrops(true);
    setMinimumSize(layout::kMinimumWidth, layout::kMinimumHeight);
    resize(layout::kWindowWidth, layout::kWindowHeight);
    frame_ = std::make_unique<SkinnedFrame>(
        *this, [this](std::int32_t row) { RunHandler([this, row] { toc.SetCurrentRow(row); }); });
    BuildMenus();

    toc.SetSelectHandler([this](std::int32_t row) {
        StringGrid1->SyncCurrentRow();
        StringGrid1SelectCell(row);
    });
    WebBrowser1->SetDocumentCompleteHandler(
        [this](const LoadOutcome& outcome) { RunHandler([this, &outcome] { WebBrowser1DocumentComplete(outcome); }); });
    // A link to a web site opens in the desktop's browser, as the home and help pages do.
    WebBrowser1->SetExternalLinkHandler([this](const std::string& url) { shell_.OpenPage(url); });
    settings_ = std::make_unique<ReaderSettings>();
    WebBrowser1->SetBookScriptsAllowed(settings_->BookScripts());
    ApplyLook(settings_->Look());
    WebBrowser1->SetResponseLimit(kPageResponseLimit);
    Converter().onChapter = [this](const ChapterStep& step) { conversionWindow_->ShowChapter(step); };
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
    briefMessage_ = new QTimer(this);
    briefMessage_->setSingleShot(true);
    briefMessage_->setInterval(kBriefMessageMs);
    connect(briefMessage_, &QTimer::timeout, this, [this] {
        EndBriefMessage();
        UpdateStatus();
    });
    ConnectCommands();
    FormCreate();

    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr) {
        move(screen->availableGeometry().center() - rect().center());
    }
    RestoreWindow();
    UpdateStartPage();
    frame_->WatchPointer();
}

TForm1::~TForm1() {
    SaveReadingPlace(true);
    SaveWindow();
    // Nothing may call back into this window while its parts go.
    frame_->StopWatching();
    WebBrowser1->SetDocumentCompleteHandler({});
    toc.SetSelectHandler({});
    delete PanelOuter;

    // Folders of this program go; those of programs still running stay.
    instance_.DeleteOwnFolders();
    instance_.DeleteFoldersOfEndedPrograms();
}

void TForm1::BuildMenus() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    ConverttoPDF1 = PopupMenu1->addAction(tr("Convert to PDF"));
    ConverttoPDF1->setObjectName("ConverttoPDF1");
    ConverttoJPG1 = PopupMenu1->addAction(tr("Convert to JPG"));
    ConverttoJPG1->setObjectName("ConverttoJPG1");
    ConverttoPDFText1 = PopupMenu1->addAction(tr("Convert to PDF (text)"));
    ConverttoPDFText1->setObjectName("ConverttoPDFText1");
    RecentMenu1 = new QMenu(this);
    RecentMenu1->setObjectName("RecentMenu1");
}

std::vector<TForm1::RecentBook> TForm1::RecentBooksAtHand() const {
    std::vector<RecentBook> books;
    for (const QString& book : settings_->RecentBooks()) {
        const QFileInfo file(book);
        if (!file.isFile()) {
            continue;
        }
        const std::optional<ReadingPlace> place = settings_->Place(book.toStdString());
        books.push_back({book, place && !place->title.isEmpty() ? place->title : file.fileName(), file.fileName()});
    }
    return books;
}

void TForm1::ShowRecentBooks() {
    if (Converting()) {
        return;
    }
    RecentMenu1->clear();
    for (const RecentBook& book : RecentBooksAtHand()) {
        QAction* open = RecentMenu1->addAction(tr("%1 \u2014 %2").arg(book.title, book.fileName));
        open->setToolTip(book.path);
        connect(open, &QAction::triggered, this,
                [this, path = book.path] { RunHandler([this, &path] { OpenBookFile(path.toStdString()); }); });
    }
    if (RecentMenu1->isEmpty()) {
        RecentMenu1->addAction(tr("No recent books"))->setEnabled(false);
    }
    RecentMenu1->popup(mapToGlobal(QPoint(ImageOpen->x(), ImageOpen->y() + ImageOpen->height())));
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
    bind(ImageLook, &TForm1::ImageLookClick);
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
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), &TForm1::ShowRecentBooks);
    // The open button's context menu is the recent books.
    ImageOpen->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ImageOpen, &QWidget::customContextMenuRequested, this,
            [this] { RunHandler([this] { ShowRecentBooks(); }); });
    shortcut(QKeySequence::ZoomIn, &TForm1::ImageZoomInClick);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), &TForm1::ImageZoomInClick);
    shortcut(QKeySequence::ZoomOut, &TForm1::ImageZoomOutClick);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_0), &TForm1::ImageOriginalClick);
    shortcut(QKeySequence::HelpContents, &TForm1::ImageHelpClick);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma), &TForm1::ImageLookClick);
    shortcut(QKeySequence::Find, &TForm1::OpenFindBar);
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), &TForm1::OpenBookSearch);
    shortcut(QKeySequence(Qt::Key_F11), &TForm1::ToggleFullScreen);
    shortcut(QKeySequence(Qt::ALT | Qt::Key_Left), &TForm1::GoBack);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), &TForm1::Quit);
    shortcut(QKeySequence(Qt::Key_Escape), &TForm1::EscapeKey);
    auto chapterKey = [this](const QKeySequence& keys, PageMove move) {
        auto* key = new QShortcut(keys, this);
        connect(key, &QShortcut::activated, this,
                [this, move] { RunHandler([this, move] { PageMoveAsked(move, WebBrowser1->ScrollEdges(), true); }); });
    };
    chapterKey(QKeySequence(Qt::CTRL | Qt::Key_PageDown), PageMove::NextChapter);
    chapterKey(QKeySequence(Qt::CTRL | Qt::Key_PageUp), PageMove::PreviousChapter);
    WebBrowser1->SetPageMoveHandler([this](PageMove move, PageEdges edges, bool fresh) {
        bool taken = false;
        RunHandler([&] { taken = PageMoveAsked(move, edges, fresh); });
        return taken;
    });
    auto findAgain = [this](const QKeySequence& keys, bool backward) {
        auto* key = new QShortcut(keys, this);
        connect(key, &QShortcut::activated, this, [this, backward] {
            if (FindBar1->isVisible()) {
                RunHandler([this, backward] { FindBar1Find(FindBar1->Text(), backward); });
            }
        });
    };
    findAgain(QKeySequence::FindNext, false);
    findAgain(QKeySequence::FindPrevious, true);
    connect(FindBar1, &TFindBar::Find, this, [this](const QString& text, bool backward) {
        RunHandler([this, &text, backward] { FindBar1Find(text, backward); });
    });
    connect(FindBar1, &TFindBar::Closed, this, [this] { RunHandler([this] { CloseFindBar(); }); });
    connect(FindBar1, &TFindBar::FindInBook, this,
            [this](const QString& text) { RunHandler([this, &text] { FindInBook(text); }); });
    connect(FindBar1, &TFindBar::OpenMatch, this,
            [this](int row, int occurrence) { RunHandler([this, row, occurrence] { OpenMatch(row, occurrence); }); });
    connect(FindBar1, &TFindBar::Resized, this, [this] { frame_->Resize(); });
    connect(TreeContents, &TContentsTree::EntryChosen, this,
            [this](int index) { RunHandler([this, index] { OpenContentsEntry(index); }); });
    connect(LookPanel1, &TLookPanel::LookChanged, this, [this](const ReadingLook& look) {
        RunHandler([this, &look] {
            ApplyLook(look);
            if (Remembers()) {
                settings_->SetLook(look);
            }
        });
    });
    connect(LookPanel1, &TLookPanel::Closed, this, [this] { WebBrowser1->setFocus(); });
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { RunHandler([this] { ButtonCancelClick(); }); });
    connect(WebBrowser1, &QWebEngineView::urlChanged, this,
            [this](const QUrl& url) { RunHandler([this, &url] { WebBrowser1UrlChanged(url); }); });
    connect(WebBrowser1, &QWebEngineView::loadFinished, this,
            [this](bool ok) { RunHandler([this, ok] { WebBrowser1LoadFinished(ok); }); });
    connect(ConverttoPDF1, &QAction::triggered, this, [this] { RunHandler([this] { ConverttoPDF1Click(); }); });
    connect(ConverttoJPG1, &QAction::triggered, this, [this] { RunHandler([this] { ConverttoJPG1Click(); }); });
    connect(ConverttoPDFText1, &QAction::triggered, this, [this] { RunHandler([this] { ConverttoPDFText1Click(); }); });
    connect(LabelStart, &QLabel::linkActivated, this, [this](const QString& link) {
        const std::string book = QUrl(link).toLocalFile().toStdString();
        RunHandler([this, &book] { OpenBookFile(book); });
    });
    connect(LabelStart, &QLabel::linkHovered, this,
            [this](const QString& link) { LabelStart->setToolTip(QUrl(link).toLocalFile()); });
    connect(WebBrowser1, &WebEngineBrowser::ScrollChanged, this, [this] { RunHandler([this] { UpdateStatus(); }); });
    connect(WebBrowser1, &WebEngineBrowser::ZoomGesture, this, [this](int direction) {
        RunHandler([this, direction] { direction > 0 ? ImageZoomInClick() : ImageZoomOutClick(); });
    });
}

void TForm1::FormCreate() {
    frame_->SetUp();

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
    frame_->LayoutTitleButtons();
}

void TForm1::FormResize() {
    frame_->Resize();
}

bool TForm1::IsMaximised() const {
    return frame_->IsMaximised();
}

void TForm1::SetMaximised(bool maximised) {
    frame_->SetMaximised(maximised);
}

void TForm1::resizeEvent(QResizeEvent*) {
    RunHandler([this] { FormResize(); });
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A request to close is always granted; a running conversion is cancelled first and the window closes
    // once it has stopped.
    if (Converting()) {
        Converter().Cancel(true);
        closeAfterConversion_ = true;
        event->ignore();
        return;
    }
    SaveReadingPlace(true);
    SaveWindow();
    settings_->Sync();
    event->accept();
}

bool TForm1::Converting() const {
    return session_->Converter().Running();
}

void TForm1::ConverttoPDF1Click() {
    RunConversion(ConversionKind::Pdf);
}

void TForm1::ConverttoJPG1Click() {
    RunConversion(ConversionKind::Jpg);
}

void TForm1::ConverttoPDFText1Click() {
    RunConversion(ConversionKind::TextPdf);
}

void TForm1::RunConversion(ConversionKind kind) {
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
    Converter().options.scale = settings_->ConversionScale();
    const ConversionResult result = Converter().Convert(kind);
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
    if (path.empty()) {
        return;
    }
    // A book that does not open leaves the one open now as it is: it is tried in folders of its own first.
    try {
        BusyCursor busy;
        CheckBookOpens(path);
    } catch (...) {
        OpenDialog1.FileName = openBook_;
        throw;
    }
    Label1->setText(QString::fromStdString(path));
    const std::string book = BookKey(path);
    // The book open now is left where the reader is; opening it again starts it afresh.
    const bool reopening = book == openBook_;
    SaveReadingPlace(true);
    StringGrid1->show();
    BusyCursor busy;
    Panel1->show();
    LabelStart->hide();
    // The earlier book's index may still be read; it goes before the earlier book's files do.
    bookIndex_ = {};
    pendingMatch_.reset();
    WorkingFolders folders;
    try {
        // Each running program unpacks into folders of its own; those of programs that have ended go.
        folders = instance_.Claim();
        instance_.DeleteFoldersOfEndedPrograms();
        session_->Open(path, folders);
    } catch (...) {
        // The earlier book is gone with its folders, and this one did not open: nothing may look open.
        StringGrid1->Refresh();
        ShowNoBook();
        throw;
    }
    StringGrid1->Refresh();
    bookIndex_ = std::async(std::launch::async, [chapters = ChaptersToIndex(toc, state.subTempDir, folders.tempDir)] {
                     return std::make_shared<const BookTextIndex>(chapters);
                 }).share();
    std::vector<std::string> rowNumbers;
    for (std::int32_t row = 0; row < toc.RowCount(); ++row) {
        rowNumbers.push_back(toc.Row(row).number);
    }
    TreeContents->SetContents(BookContents(state, toc), rowNumbers);
    frame_->ShowTocTabs(true);
    chapters_ = ChapterSequence(toc);
    progress_ = ReadingProgress(chapters_, [this](const std::string& file) { return ChapterSource(state, file); });
    readOn_.Reset();
    openBook_ = book;
    bookTitle_ = QString::fromStdString(PackageTitle(documents.XMLDocument2.DocumentElement()));
    if (bookTitle_.isEmpty()) {
        bookTitle_ = QFileInfo(QString::fromStdString(path)).fileName();
    }
    UpdateCaption();
    std::int32_t row = 1;
    pendingScroll_.reset();
    if (const std::optional<ReadingPlace> place = settings_->Place(book); place && !reopening) {
        if (place->row < toc.RowCount()) {
            row = place->row;
            pendingScroll_ = place->scroll;
        }
        state.WebZoom = ZoomOfSteps(place->zoomSteps);
    }
    if (Remembers()) {
        settings_->AddRecentBook(book);
    }
    busy.Release();
    toc.SetCurrentRow(row);
    // The page has the keys, so that the book can be read on at once; Tab goes to the table.
    WebBrowser1->setFocus();
}

bool TForm1::OpenLastBook() {
    const QStringList books = settings_->RecentBooks();
    if (books.isEmpty() || !QFileInfo(books.constFirst()).isFile()) {
        return false;
    }
    OpenBookFile(books.constFirst().toStdString());
    return true;
}

void TForm1::ShowNoBook() {
    OpenDialog1.FileName.clear();
    openBook_.clear();
    bookTitle_.clear();
    pendingScroll_.reset();
    Label1->clear();
    Label1->setToolTip(QString());
    Panel1->hide();
    LabelStart->show();
    TreeContents->clear();
    frame_->ShowTocTabs(false);
    UpdateCaption();
    UpdateStartPage();
}

void TForm1::UpdateCaption() {
    setWindowTitle(openBook_.empty() ? QString(kCaption) : bookTitle_ + " \u2014 " + kCaption);
    LabelBookTitle->setText(bookTitle_);
}

void TForm1::UpdateStatus() {
    if (openBook_.empty() || Converting() || briefMessage_->isActive()) {
        return;
    }
    const std::int32_t row = toc.CurrentRow();
    const int chapter = chapters_.ChapterOfRow(row);
    if (chapter < 0) {
        // The header row and a row without a chapter leave the page as it was, and the line with it.
        return;
    }
    const int percent = progress_.Percent(chapter, state.flag_null ? 0.0 : WebBrowser1->ScrolledShare());
    Label1->setText(
        QString::fromStdString(ReadingStatusText(toc.Row(row).title, chapter + 1, chapters_.Count(), percent)));
    Label1->setToolTip(QString::fromStdString(openBook_));
}

void TForm1::ShowBriefly(const QString& text) {
    Label1->setText(text);
    frame_->RevealStatus(true);
    briefMessage_->start();
}

void TForm1::EndBriefMessage() {
    briefMessage_->stop();
    frame_->RevealStatus(false);
}

void TForm1::UpdateStartPage() {
    QString text = tr("<p style='font-size:15px; color:#34495e'><b>No book is open</b></p>"
                      "<p style='color:#5d6d7e'>Click <b>Open</b>, press <b>Ctrl+O</b>,<br>"
                      "or drop an .epub file on this window.</p>");
    QStringList recent;
    for (const RecentBook& book : RecentBooksAtHand()) {
        recent << QString("<a href='%1' style='color:#2e6f9e; text-decoration:none'>%2</a>"
                          "&nbsp;&nbsp;<span style='color:#8a96a3'>%3</span>")
                      .arg(QUrl::fromLocalFile(book.path).toString(QUrl::FullyEncoded).toHtmlEscaped(),
                           book.title.toHtmlEscaped(), book.fileName.toHtmlEscaped());
    }
    if (!recent.isEmpty()) {
        text += tr("<p style='color:#34495e; margin-top:16px'><b>Recent books</b></p>") +
                "<p style='line-height:150%'>" + recent.join("<br>") + "</p>";
    }
    LabelStart->setText(text);
}

void TForm1::RestoreWindow() {
    const WindowPlacement placement = settings_->Window();
    frame_->RestorePlacement(placement.normalGeometry.value_or(geometry()), placement.maximised);
    if (placement.tocWidth) {
        frame_->SetTocWidth(*placement.tocWidth);
    }
}

bool TForm1::Remembers() const {
    return !testAttribute(Qt::WA_DontShowOnScreen);
}

void TForm1::SaveWindow() {
    // A window that was never on the screen has no placement of the reader's.
    if (isVisible() && Remembers()) {
        settings_->SetWindow({frame_->NormalGeometry(), IsMaximised(), frame_->TocWidth()});
    }
}

void TForm1::SaveReadingPlace(bool withScroll) {
    // A conversion walks every row at the natural size; where the reader is counts again once it has ended.
    if (openBook_.empty() || Converting() || !Remembers()) {
        return;
    }
    ReadingPlace place;
    place.row = std::max(toc.CurrentRow(), 1);
    place.zoomSteps = ZoomSteps(state.WebZoom);
    place.title = bookTitle_;
    if (withScroll && !state.flag_null) {
        place.scroll = WebBrowser1->ScrolledShare();
    }
    settings_->SetPlace(openBook_, place);
}

void TForm1::RestoreScroll(double fraction) {
    if (fraction <= 0) {
        return;
    }
    try {
        WebBrowser1->EvaluateScript(
            QString("window.scrollTo(0, %1 * document.documentElement.scrollHeight); true").arg(fraction, 0, 'g', 17));
    } catch (const std::exception&) {
        // A page that does not answer is shown from its top, as any chapter is.
    }
}

void TForm1::ImageConvertClick() {
    if (Converting()) {
        return;
    }
    // The button's place in the title bar, taken as a place in the window: the menu opens the title bar's
    // offset (the bevel) left of and above the button's foot.
    PopupMenu1->exec(mapToGlobal(QPoint(ImageConvert->x(), ImageConvert->y() + ImageConvert->height())));
}

void TForm1::Zoom(void (*command)(ReaderState&, BrowserView&)) {
    if (Converting()) {
        return;
    }
    command(state, *WebBrowser1);
    SaveReadingPlace(true);
    if (!openBook_.empty() && !state.flag_null) {
        ShowBriefly(tr("Zoom %1 %").arg(std::lround(state.WebZoom * 100)));
    }
}

void TForm1::ImageZoomInClick() {
    Zoom(qm::ImageZoomInClick);
}

void TForm1::ImageZoomOutClick() {
    Zoom(qm::ImageZoomOutClick);
}

void TForm1::ImageOriginalClick() {
    Zoom(qm::ImageOriginalClick);
}

void TForm1::ImageLookClick() {
    if (LookPanel1->isVisible()) {
        LookPanel1->hide();
        WebBrowser1->setFocus();
        return;
    }
    LookPanel1->Open(look_);
}

void TForm1::ApplyLook(const ReadingLook& look) {
    look_ = look;
    WebBrowser1->SetReadingStyle(ReadingLookCss(look));
    frame_->MatchTheme(look.publisherStyles ? LookTheme::Light : look.theme);
}

void TForm1::ImageHomeClick() {
    ShowHelpPage(kHomePage);
}

void TForm1::ImageHelpClick() {
    ShowHelpPage(kHelpPage);
}

void TForm1::ShowHelpPage(const char* page) {
    const std::string url = HelpPageUrl(page);
    if (url.empty()) {
        throw std::runtime_error(std::string("The help page ") + page +
                                 " is not installed: it belongs in share/quillmark/help next to the program");
    }
    if (HelpWindow1 == nullptr) {
        HelpWindow1 = new THelpWindow(this, [this](const std::string& link) { shell_.OpenPage(link); });
    }
    HelpWindow1->ShowPage(QString::fromStdString(url));
}

void TForm1::ImageMinClick() {
    showMinimized();
}

void TForm1::ImageMaxClick() {
    frame_->ToggleMaximised();
}

void TForm1::ImageCloseClick() {
    close();
}

void TForm1::TitleMouseDown(Qt::MouseButton button) {
    frame_->ArmMove(button);
}

void TForm1::TitleLeftDrag() {
    frame_->DragTitle();
}

void TForm1::TitleDblClick() {
    frame_->DisarmMove();
    ImageMaxClick();
}

void TForm1::StringGrid1SelectCell(std::int32_t row) {
    // Another chapter's place says more than a message about the last one.
    EndBriefMessage();
    readOn_.Reset();
    session_->Chapters().RowSelected(row);
    TreeContents->FollowRow(row);
    // A chapter chosen starts at its top.
    if (row > 0) {
        SaveReadingPlace(false);
    }
}

void TForm1::WebBrowser1DocumentComplete(const LoadOutcome& outcome) {
    session_->Chapters().DocumentComplete(outcome);
    if (pendingScroll_ && !Converting()) {
        const double fraction = *pendingScroll_;
        pendingScroll_.reset();
        if (outcome.loaded) {
            RestoreScroll(fraction);
        }
    }
}

void TForm1::WebBrowser1UrlChanged(const QUrl& url) {
    if (Converting() || openBook_.empty()) {
        return;
    }
    if (!url.isLocalFile()) {
        return;
    }
    const std::int32_t row = RowOfPage(
        toc, state.subTempDir, url.adjusted(QUrl::RemoveFragment | QUrl::RemoveQuery).toLocalFile().toStdString(),
        url.fragment(QUrl::FullyDecoded).toStdString());
    if (row <= 0 || row == toc.CurrentRow()) {
        return;
    }
    EndBriefMessage();
    readOn_.Reset();
    toc.SetCurrentRowQuietly(row);
    StringGrid1->SyncCurrentRow();
    TreeContents->FollowRow(row);
    UpdateStatus();
    SaveReadingPlace(false);
}

void TForm1::WebBrowser1LoadFinished(bool ok) {
    if (!ok || Converting() || openBook_.empty()) {
        return;
    }
    try {
        // The reading view has done this already for the pages it asked for; doing it again changes nothing.
        ApplyWebZoom(state, *WebBrowser1);
        SetBodyBorderStyle(*WebBrowser1, false);
    } catch (const std::exception&) {
        // A page that does not take its zoom is shown at its natural size, as one without a body is.
    }
    if (pendingFragment_) {
        ShowPendingFragment();
    }
    if (pendingMatch_) {
        ShowPendingMatch();
    } else if (FindBar1->isVisible() && !FindBar1->SearchesWholeBook() && !FindBar1->Text().isEmpty()) {
        FindBar1Find(FindBar1->Text(), false);
    }
}

void TForm1::OpenFindBar() {
    if (Converting() || openBook_.empty()) {
        return;
    }
    FindBar1->Open();
}

void TForm1::OpenContentsEntry(int index) {
    if (Converting() || openBook_.empty()) {
        return;
    }
    const ContentsEntry entry = TreeContents->Entry(index);
    if (entry.row <= 0 || entry.row >= toc.RowCount()) {
        return;
    }
    const ChapterLink link = SplitChapterLink(entry.path);
    pendingFragment_.reset();
    // An entry that a row shows whole is that row; one inside a row's file is the row, then its anchor.
    if (!link.fragment.empty() && toc.Row(entry.row).path != entry.path) {
        pendingFragment_ = QString::fromStdString(link.fragment);
        if (chapters_.ChapterOfRow(entry.row) == chapters_.ChapterOfRow(toc.CurrentRow())) {
            ShowPendingFragment();
            return;
        }
    }
    pendingScroll_.reset();
    toc.SetCurrentRow(entry.row);
}

void TForm1::ShowPendingFragment() {
    const QString fragment = *pendingFragment_;
    pendingFragment_.reset();
    // The anchor's name goes to the page as a JSON string, whatever characters it holds.
    const QString name = QString::fromUtf8(QJsonDocument(QJsonArray{fragment}).toJson(QJsonDocument::Compact));
    WebBrowser1->page()->runJavaScript(
        QString("(function (id) { var e = document.getElementById(id) || document.getElementsByName(id)[0];"
                " if (e) e.scrollIntoView(); })(%1[0])")
            .arg(name),
        QWebEngineScript::ApplicationWorld);
}

void TForm1::OpenBookSearch() {
    if (Converting() || openBook_.empty()) {
        return;
    }
    FindBar1->Open(true);
}

void TForm1::FindInBook(const QString& text) {
    if (!bookIndex_.valid()) {
        return;
    }
    // The index is read in the background when the book opens; a search right after waits for it.
    BusyCursor busy;
    const std::shared_ptr<const BookTextIndex> index = bookIndex_.get();
    FindBar1->ShowBookMatches(index->Find(text.toStdString()));
}

void TForm1::OpenMatch(std::int32_t row, int occurrence) {
    if (Converting() || openBook_.empty() || row <= 0 || row >= toc.RowCount()) {
        return;
    }
    pendingMatch_ = PendingMatch{FindBar1->Text(), occurrence};
    // A match in the file shown needs no loading; another chapter shows it once loaded.
    if (chapters_.ChapterOfRow(row) == chapters_.ChapterOfRow(toc.CurrentRow())) {
        ShowPendingMatch();
        return;
    }
    pendingScroll_.reset();
    toc.SetCurrentRow(row);
}

void TForm1::ShowPendingMatch() {
    const PendingMatch match = *pendingMatch_;
    pendingMatch_.reset();
    WebBrowser1->findText(QString());
    // The engine starts near the place shown and scrolls only to a match out of view: from the page's top
    // the steps end with the match wanted in view.
    const QPointer<TForm1> self(this);
    WebBrowser1->page()->runJavaScript("window.scrollTo(0, 0)", QWebEngineScript::ApplicationWorld,
                                       [self, match](const QVariant&) {
                                           if (self != nullptr) {
                                               self->StepToMatch(match.text, match.occurrence + 1, -1);
                                           }
                                       });
}

void TForm1::StepToMatch(const QString& text, int wanted, int stepsLeft) {
    // The engine goes from match to match, starting near the place shown and wrapping at the end; it tells
    // which match is active and how many there are, so at most that many steps reach the one wanted.
    const QPointer<TForm1> self(this);
    WebBrowser1->findText(text, {}, [self, text, wanted, stepsLeft](const QWebEngineFindTextResult& result) {
        if (self == nullptr || result.numberOfMatches() == 0 || result.activeMatch() == wanted) {
            return;
        }
        const int left = stepsLeft < 0 ? result.numberOfMatches() : stepsLeft - 1;
        if (left > 0) {
            self->StepToMatch(text, wanted, left);
        }
    });
}

void TForm1::FindBar1Find(const QString& text, bool backward) {
    if (Converting()) {
        return;
    }
    // The count comes later; the bar may be gone by then.
    const QPointer<TFindBar> bar(FindBar1);
    WebBrowser1->findText(text, backward ? QWebEnginePage::FindBackward : QWebEnginePage::FindFlags(),
                          [bar](const QWebEngineFindTextResult& result) {
                              if (bar != nullptr) {
                                  bar->ShowMatches(result.activeMatch(), result.numberOfMatches());
                              }
                          });
}

void TForm1::CloseFindBar() {
    FindBar1->hide();
    // An empty text takes the marks of the last search off the page.
    WebBrowser1->findText(QString());
    if (StringGrid1->isVisible()) {
        StringGrid1->setFocus();
    } else {
        WebBrowser1->setFocus();
    }
}

void TForm1::ToggleFullScreen() {
    frame_->ToggleFullScreen();
}

void TForm1::GoBack() {
    if (Converting() || openBook_.empty() || !WebBrowser1->history()->canGoBack()) {
        return;
    }
    WebBrowser1->history()->back();
}

void TForm1::Quit() {
    ImageCloseClick();
}

void TForm1::EscapeKey() {
    if (Converting()) {
        Converter().Cancel();
    } else if (LookPanel1->isVisible()) {
        ImageLookClick();
    } else if (FindBar1->isVisible()) {
        CloseFindBar();
    } else if (isFullScreen()) {
        ToggleFullScreen();
    }
}

bool TForm1::PageMoveAsked(PageMove move, PageEdges edges, bool fresh) {
    if (Converting() || openBook_.empty()) {
        return false;
    }
    const int chapter = chapters_.ChapterOfRow(toc.CurrentRow());
    if (chapter < 0) {
        return false;
    }
    switch (readOn_.Move(move, edges, fresh)) {
    case ReadOnStep::Scroll:
        return false;
    case ReadOnStep::Hold:
        ShowHoldHint(chapter, move == PageMove::Forward);
        return true;
    case ReadOnStep::NextChapterTop:
        if (chapter + 1 < chapters_.Count()) {
            GoToChapter(chapter + 1, false);
        }
        return true;
    case ReadOnStep::PreviousChapterEnd:
        if (chapter > 0) {
            GoToChapter(chapter - 1, true);
        }
        return true;
    case ReadOnStep::PreviousChapterStart:
        if (chapter > 0) {
            GoToChapter(chapter - 1, false);
        } else {
            WebBrowser1->ScrollTo(0, 0);
        }
        return true;
    }
    return false;
}

void TForm1::ShowHoldHint(int chapter, bool forward) {
    const int next = forward ? chapter + 1 : chapter - 1;
    if (next < 0 || next >= chapters_.Count()) {
        ShowBriefly(forward ? tr("The end of the book") : tr("The start of the book"));
        return;
    }
    const QString title =
        QString::fromStdString(toc.Row(forward ? chapters_.FirstRow(next) : chapters_.LastRow(next)).title);
    ShowBriefly((forward ? tr("End of the chapter: press again for \u201c%1\u201d")
                         : tr("Start of the chapter: press again for \u201c%1\u201d"))
                    .arg(title));
}

void TForm1::GoToChapter(int index, bool atEnd) {
    const std::int32_t row = atEnd ? chapters_.LastRow(index) : chapters_.FirstRow(index);
    pendingScroll_.reset();
    if (atEnd) {
        pendingScroll_ = 1.0;
    }
    toc.SetCurrentRow(row);
}

void TForm1::ButtonCancelClick() {
    Converter().Cancel();
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

} // namespace qm
