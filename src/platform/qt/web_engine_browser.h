#pragma once

#include "platform/ui/browser_view.h"
#include "platform/ui/page_move.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#include <QWebEngineView>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <utility>

class QQuickWidget;
class QWebEngineProfile;

namespace qm {

class BookConfinement;
class BookPage;

// The page view on Qt WebEngine. It shows the files of one book in a private, off-the-record profile and lets
// pages reach nothing outside that book (BookConfinement, BookPage); a book's own scripts do not run unless
// allowed, while the program's scripts run in a world of their own either way. It shows no dialogs of its own
// and no error pages of the engine. A link to a web site opens in the desktop's browser only after a real
// click. It fills its parent widget until a size is set through the BrowserView interface. The browser's own
// zoom is never used: Ctrl with the mouse wheel is reported as ZoomGesture for the window's zoom commands.
class WebEngineBrowser final : public QWebEngineView, public BrowserView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebEngineBrowser)

public:
    // A view made with a parent is placed in it (PlaceIn).
    explicit WebEngineBrowser(QWidget* parent);
    ~WebEngineBrowser() override;

    // Puts the view in `container`, whose whole area it takes and keeps as the container is resized (until the
    // view is given a size of its own).
    void PlaceIn(QWidget* container);

    // Runs `script` in a world of its own beside the page's scripts and returns its value, handling events
    // while it waits. Throws std::runtime_error when nothing has been loaded yet, PageNotAnswering when no
    // answer comes within the response limit or the page's process has ended.
    QVariant EvaluateScript(const QString& script);

    // The folder whose files pages may reach: the open book's. Until it is set, no file can be shown.
    void SetBookFolder(const std::string& folder) override;
    // Whether a book's own scripts run in its pages (off at first); they stay confined to the book either way.
    // Takes effect with the next page shown.
    void SetBookScriptsAllowed(bool allowed);
    // Whether pages show scroll bars (they do at first). A view that only converts shows none: its pages are
    // then laid out for a capture as they loaded, without a change of style that lays them out again.
    void SetScrollBarsShown(bool shown);
    // Where a link to a web site or a mail address goes after a real click: the desktop's browser at first.
    void SetExternalLinkHandler(std::function<void(const std::string& url)> handler);

    void Navigate(const std::string& path, const std::string& fragment = {}) override;
    void SetDocumentCompleteHandler(std::function<void(const LoadOutcome&)> handler) override;
    void ApplyZoom(double factor) override;
    void SetCharSet(const std::string& charset) override;
    void SetBodyBorderStyle(const std::string& style) override;
    bool ShowsXmlError() override;
    void FitPage(double zoom) override;

    // The reader's look of the pages (a style sheet, see ReadingLookCss): put on every document shown from now on
    // as soon as it is parsed, and on the one shown now; empty for none (a conversion's pages, the render
    // program's).
    void SetReadingStyle(const std::string& css);
    void SetReadingStyleSuspended(bool suspended) override;

    // Keys and wheel turns that move the page (PageMoveOfKey, PageMoveOfWheel) are offered to `handler` before
    // the page sees them, with where the page stands and whether the move is fresh (a key's first press, not its
    // repeat; a wheel turn after a pause); the page sees them only when the handler answers false.
    using PageMoveHandler = std::function<bool(PageMove move, PageEdges edges, bool fresh)>;
    void SetPageMoveHandler(PageMoveHandler handler) { pageMove_ = std::move(handler); }
    // Where the page shown stands in its scrolling, as the engine last reported it. A page wider than the view
    // (vertical writing, a wide table) counts as at neither edge: it is read across, not down.
    PageEdges ScrollEdges() const;
    // How far down the page its view's top is, as a share of the page's height (0 at the top).
    double ScrolledShare() const;
    void SetCaptureScale(double scale) override;
    double CaptureScale() const override;
    void SetResponseLimit(std::chrono::milliseconds limit) override;
    void SetLoadLimit(std::chrono::milliseconds limit) override;
    int ViewHeight() const override;
    int ViewWidth() const override;
    void SetViewHeight(int height) override;
    void SetViewWidth(int width) override;
    DocumentLayout LayOut(int width, int height) override;
    std::vector<int> AnchorTops(const std::vector<std::string>& fragments) override;
    ScrollPosition ScrollTo(int x, int y) override;
    ViewImage CaptureView(int top) override;
    void BeginCapture(int documentHeight) override;
    void EndCapture() override;
    void PrintToPdf(const std::string& path, const Paper& paper, const std::vector<std::string>& anchors) override;
    void ShowFailure(const std::string& text) override;
    void Renew() override;

signals:
    // Ctrl and the mouse wheel over the page: +1 to zoom in, -1 to zoom out.
    void ZoomGesture(int direction);
    // The page shown scrolled or changed its size.
    void ScrollChanged();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Puts the reader's look (none while suspended) among the scripts every document of the current page runs
    // once parsed; ShowReadingStyle puts it on the document shown.
    void InstallReadingStyle();
    void ShowReadingStyle();
    QString ShownReadingStyle() const { return readingStyleSuspended_ ? QString() : readingStyle_; }
    // The size the shown page declares for itself (page_size.js); 0 x 0 when it declares none.
    std::pair<int, int> DeclaredPageSize();
    // Runs the script that takes back what a capture changed on the page, when that is still owed.
    void TakeBackCapture();
    void InstallPage();
    void StartLoad(const QUrl& url);
    void WatchShownPage();
    void OnLoadEnded(bool ok, const QString& failure);
    void Complete(const LoadOutcome& outcome);
    void OpenExternalAfterClick(const QUrl& url);
    void FollowContainer();
    QQuickWidget* RenderWidget() const;

    // Whether this process has no network (LockOutNetwork, done before the engine starts): a book's scripts
    // run only then.
    bool networkLocked_;
    QWebEngineProfile* profile_;
    BookConfinement* confinement_;
    BookPage* page_ = nullptr;
    std::function<void(const LoadOutcome&)> documentComplete_;
    std::function<void(const std::string&)> openExternal_;
    std::chrono::milliseconds responseLimit_{10000};
    QTimer* loadWatch_;
    QString charset_;
    bool bookScripts_ = false;
    double captureScale_ = 1.0;
    bool scrollBars_ = true;
    // The document asked for last, and since when.
    QUrl requested_;
    QElapsedTimer loadTime_;
    // The document shown, without its fragment; empty while none is (before a load, after a failure).
    QUrl shownDocument_;
    bool loading_ = false;
    bool showingFailure_ = false;
    bool processEnded_ = false;
    bool navigated_ = false;
    // The zoom of the fixed-layout page fitted to the view, fitted again when the view changes size; empty while
    // the page shown is not fitted.
    std::optional<double> fitZoom_;
    PageMoveHandler pageMove_;
    QString readingStyle_;
    bool readingStyleSuspended_ = false;
    // Since the last wheel turn over the page: a turn after a pause is a fresh move.
    QElapsedTimer sinceWheel_;
    bool heldToContainer_ = true;
    int sentinelColour_ = 0;
    // A capture has ended, and what it changed on the page has not been taken back yet.
    bool captureMarks_ = false;
    // Counts the pages: a notification meant for a page that was renewed meanwhile is dropped.
    int generation_ = 0;
    // A real click or key press on the page that no link has used yet.
    QElapsedTimer userInput_;
    bool userInputUnused_ = false;
    // The link under the pointer (empty over anything else), at the last press, and the one a person clicked
    // (pressed and released on it; empty when the click was not on one link); none after a key press.
    QUrl hoveredLink_;
    QUrl pressedLink_;
    std::optional<QUrl> clickedLink_;
};

} // namespace qm
