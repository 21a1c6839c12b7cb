#pragma once

#include "book/open_book.h"
#include "book/reader_state.h"
#include "book/table_of_contents.h"
#include "convert/book_converter.h"
#include "mainwindow/instance_folders.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/shell.h"
#include "search/book_text_index.h"
#include "session/reading_session.h"
#include "view/chapter_display.h"
#include "view/chapter_sequence.h"
#include "view/read_on.h"
#include "view/reading_look.h"
#include "view/reading_progress.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QTabBar;
class QProgressBar;
class QUrl;
class QPushButton;
class QTimer;

namespace qm {

class ReaderSettings;
class SkinnedFrame;
class TContentsTree;
class TFindBar;
class TLookPanel;
class THelpWindow;
class TPanel;
class TPicture;
class TSplitter;
class TPictureButton;
class TStatusLabel;
class TStringGrid;
class QtEventPump;
class WebEngineBrowser;
class WindowConversion;

// The main window: a borderless, skinned frame (SkinnedFrame) with a picture title bar, the table of contents
// on the left and the page view on the right. It holds a reading session (the book, its table, the reader's
// state, the chapter display and the converter) and is its commands and its look; the state they share is in
// its fields, which are the session's. Every handler that the user or the browser starts runs through
// RunHandler, so an error is shown in a message box and the program goes on.
class TForm1 final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm1)

public:
    // The window asks the user through `dialogs` and reaches the desktop through `shell`; both must outlive it.
    TForm1(Dialogs& dialogs, Shell& shell, QWidget* parent = nullptr);
    // Deletes the working folders of this program and those left by programs that have ended.
    ~TForm1() override;

private:
    // Made before the fields that are theirs: the dialogs and shell given, the event queue and the
    // conversion's view of this window, the page view, and the reading session over them.
    Dialogs& dialogs_;
    Shell& shell_;
    std::unique_ptr<QtEventPump> pump_;
    std::unique_ptr<WindowConversion> conversionWindow_;

public:
    // The page view; the frame places it in Panel1.
    WebEngineBrowser* WebBrowser1;

private:
    std::unique_ptr<ReadingSession> session_;

public:
    // Working folders of this program (composed at creation, claimed and composed again by each opening).
    std::string& tempDir;
    std::string& tempJPG;
    // Reader state: the navigation and manifest lists, the walks' pending values, subTempDir, the load
    // handshake (flag_complete, flag_null) and the zoom factor WebZoom.
    ReaderState& state;
    // The table of contents that StringGrid1 shows.
    TableOfContents& toc;
    BookDocuments& documents;
    // The open dialog; its FileName is the path of the open book.
    FileDialog OpenDialog1;

    // Panels: the outer panel, the title bar, the left panel, the page area, and the white panel that holds
    // the page view.
    TPanel* PanelOuter;
    TPanel* PanelTitle;
    TPanel* PanelLeft;
    TPanel* PanelPage;
    TPanel* Panel1;
    // The hidden store of the buttons' state pictures.
    QWidget* PanelImage;
    // Title pieces: left (Image2), stretched middle (Image4), right end (Image6).
    TPicture* Image2;
    TPicture* Image4;
    TPicture* Image6;
    // The strip under the progress bar; conversions size their progress steps by its width.
    TPicture* Image3;
    // The strip over which Label1 stands.
    TPicture* ImagePageBottom;
    TPictureButton* ImageOpen;
    TPictureButton* ImageConvert;
    TPictureButton* ImageZoomIn;
    TPictureButton* ImageZoomOut;
    TPictureButton* ImageOriginal;
    // Opens and closes the reading settings (LookPanel1).
    TPictureButton* ImageLook;
    TPictureButton* ImageHome;
    TPictureButton* ImageHelp;
    TPictureButton* ImageMin;
    TPictureButton* ImageMax;
    TPictureButton* ImageMax2;
    TPictureButton* ImageClose;
    TStringGrid* StringGrid1;
    // Above the table while a book is open: "Chapters" (the table) and "Contents" (TreeContents, the book's
    // whole navigation as a tree).
    QTabBar* TabsToc;
    TContentsTree* TreeContents;
    // Between the left panel and the page area: dragging it widens the table (SkinnedFrame::SetTocWidth).
    TSplitter* Splitter1;
    QProgressBar* ProgressBar1;
    // Shown while a conversion runs: cancels it, as Esc does.
    QPushButton* ButtonCancel;
    TStatusLabel* Label1;
    // The open book's title in the title bar.
    TStatusLabel* LabelBookTitle;
    // Shown in the page area until the first book opens.
    QLabel* LabelStart;
    // Finds text in the chapter shown (Ctrl+F).
    TFindBar* FindBar1;
    // The reading settings (the Look button, Ctrl+,).
    TLookPanel* LookPanel1;
    // The help pages (Home, Help, F1), made when first asked for.
    THelpWindow* HelpWindow1 = nullptr;
    // The convert button's menu; the conversion commands connect to its two items.
    QMenu* PopupMenu1;
    QAction* ConverttoPDF1;
    QAction* ConverttoJPG1;
    // The third item: a PDF of text that the engine prints, with bookmarks.
    QAction* ConverttoPDFText1;
    // The recent books (Ctrl+Shift+O, or the open button's context menu), filled as it is shown.
    QMenu* RecentMenu1;
    void ShowRecentBooks();

    // The window system's move and resize loops. Tests replace them to see that they are asked for.
    std::function<void()> StartSystemMove;
    std::function<void(Qt::Edges)> StartSystemResize;

    // Runs `handler` the way the window runs every handler: an error that leaves it is shown in an error box
    // with its text, and the program goes on.
    void RunHandler(const std::function<void()>& handler);

    void LayoutTitleButtons();

    // The window keeps its maximised state itself (see SkinnedFrame::IsMaximised).
    bool IsMaximised() const;
    void SetMaximised(bool maximised);

    // The open command: asks for a book with OpenDialog1 and opens it.
    void ImageOpenClick();
    // Opens the book `path` as the open command does once the dialog has given it (a dropped file, the
    // command line, the start page's list of recent books). A book opens where the reader left it (its row,
    // its place in the page, its zoom), unless it is the book already open: opening that one again starts it
    // afresh, at its first chapter and the natural size.
    void OpenBookFile(const std::string& path);
    // Opens the book read last, when there is one and it still exists; false when there is none.
    bool OpenLastBook();
    void ImageConvertClick();
    // The convert menu's commands (see BookConverter). While one runs, the other commands that change the
    // book, the row or the zoom do nothing; Esc cancels it, and closing the window cancels it first.
    void ConverttoPDF1Click();
    void ConverttoJPG1Click();
    void ConverttoPDFText1Click();
    BookConverter& Converter() { return session_->Converter(); }
    void ImageZoomInClick();
    void ImageZoomOutClick();
    void ImageOriginalClick();
    // Opens the reading settings, or closes them when they are open.
    void ImageLookClick();
    void ImageHomeClick();
    void ImageHelpClick();
    void ImageMinClick();
    void ImageMaxClick();
    void ImageCloseClick();
    // A press, a drag with the left button held, and a double-click on a title piece. A left press on a
    // normal window arms the move, which starts with the first drag, so that a double-click still arrives.
    void TitleMouseDown(Qt::MouseButton button);
    void TitleLeftDrag();
    void TitleDblClick();

    // The reading view's handlers (see ChapterDisplay).
    void StringGrid1SelectCell(std::int32_t row);
    void WebBrowser1DocumentComplete(const LoadOutcome& outcome);
    // The page shows another address: after a link into another chapter, or going back, the table's current
    // row follows the page (without loading it again), and so does the status line.
    void WebBrowser1UrlChanged(const QUrl& url);
    // A page finished loading. One the reader reached by a link or by going back gets the zoom and the body's
    // border as the reading view's own pages do; an open find bar searches it again.
    void WebBrowser1LoadFinished(bool ok);

    // Reading comfort: Ctrl+F opens the find bar, which searches the chapter shown (F3 and Shift+F3 go to the
    // next and previous match); F11 toggles the reading mode, the page alone on the full screen; Alt+Left goes back
    // after a link; Ctrl+Q quits. Esc cancels a running conversion, else closes the reading settings or the find bar,
    // else leaves the reading mode. None of them acts while a conversion runs, but cancel and quit.
    void OpenFindBar();
    // The find bar searching the whole book (Ctrl+Shift+F): the matches are listed; one chosen opens its
    // chapter with the match found and marked by the page's own search.
    void OpenBookSearch();
    // An entry of the contents tree chosen: its row, and the anchor inside the row's file it names.
    void OpenContentsEntry(int index);
    void ShowPendingFragment();
    void FindInBook(const QString& text);
    void OpenMatch(std::int32_t row, int occurrence);
    void ShowPendingMatch();
    void StepToMatch(const QString& text, int wanted, int stepsLeft);
    void FindBar1Find(const QString& text, bool backward);
    void CloseFindBar();
    void ToggleFullScreen();
    void GoBack();
    void Quit();
    void EscapeKey();
    // Reading on (see ReadOn): a key or wheel turn over the page that moves it, with where the page stands.
    // True when the move is taken here (held at a chapter's edge, or gone on to another chapter); false when
    // the page scrolls as it would anyway. Ctrl+Page Down and Ctrl+Page Up come here from anywhere in the
    // window as whole-chapter moves.
    bool PageMoveAsked(PageMove move, PageEdges edges, bool fresh);
    void ButtonCancelClick();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenus();
    // A window kept off the screen (a tool converting offscreen) reads the settings but keeps nothing in them: its
    // books and its placement are not the reader's.
    bool Remembers() const;
    void RestoreWindow();
    void SaveWindow();
    // Keeps where the reader is in the open book: its row and zoom, and with `withScroll` the place in the page.
    void SaveReadingPlace(bool withScroll);
    void RestoreScroll(double fraction);
    void UpdateCaption();
    // The status line: the chapter shown, its number among the book's chapters and the share of the book read
    // ("Title · chapter 3 of 13 · 24 %"); not while a brief message stands there (ShowBriefly).
    void UpdateStatus();
    // A message in the status line for a moment: the zoom as it changes, a move held at a chapter's edge. In the
    // reading mode the status line is there only while it says one.
    void ShowBriefly(const QString& text);
    void EndBriefMessage();
    void UpdateStartPage();
    // The recent books that are still there, the latest first, each with its title as last read (else its file
    // name): the start page and the recent books menu list them.
    struct RecentBook {
        QString path;
        QString title;
        QString fileName;
    };
    std::vector<RecentBook> RecentBooksAtHand() const;
    void ConnectCommands();
    void FormCreate();
    void FormResize();
    void OpenChosenBook();
    // The state before the first book: the start page, an empty status line, no book path.
    void ShowNoBook();
    void ShowException(const std::string& text);
    bool Converting() const;
    void RunConversion(ConversionKind kind);
    // A zoom command: none while a conversion runs; the zoom is remembered with the place.
    void Zoom(void (*command)(ReaderState&, BrowserView&));

    // Shows the help page `page` (kHomePage, kHelpPage) in the help window.
    void ShowHelpPage(const char* page);
    // Puts `look` on the pages the window shows and the frame's page area, and keeps it as the reader's.
    void ApplyLook(const ReadingLook& look);
    // Shows chapter `index` of chapters_ from its top, or from its end when `atEnd`.
    void GoToChapter(int index, bool atEnd);
    // Says in the status line that a move is held at the edge of chapter `index`, and where the next one goes.
    void ShowHoldHint(int chapter, bool forward);

    std::unique_ptr<SkinnedFrame> frame_;
    // The open book's chapters in reading order, and the reader's moves across them.
    ChapterSequence chapters_;
    ReadOn readOn_;
    ReadingProgress progress_;
    // The reader's look, as the window shows it.
    ReadingLook look_;
    QTimer* briefMessage_ = nullptr;
    std::unique_ptr<ReaderSettings> settings_;
    // The book that is open (empty when none is) and its title as the caption shows it.
    std::string openBook_;
    QString bookTitle_;
    // Where to scroll the page of the first chapter shown after an opening, once it has loaded.
    std::optional<double> pendingScroll_;
    // The open book's text, read in the background after it opens, for searching the whole book.
    std::shared_future<std::shared_ptr<const BookTextIndex>> bookIndex_;
    // A match of the whole book chosen in the find bar, to be found in its chapter once that is shown.
    struct PendingMatch {
        QString text;
        int occurrence = 0;
    };
    std::optional<PendingMatch> pendingMatch_;
    // An anchor of the chapter being shown to scroll to once it is shown.
    std::optional<QString> pendingFragment_;
    InstanceFolders instance_;
    bool closeAfterConversion_ = false;
};

} // namespace qm
