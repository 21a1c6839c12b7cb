#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace qm {

// The page did not answer within the response limit, or its process ended: it is of no further use until the
// view is renewed (BrowserView::Renew).
class PageNotAnswering : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How a load of the top-level document ended.
struct LoadOutcome {
    // False when the document could not be shown: a missing file, a load the view refused (it left the book),
    // a page process that ended. The view then shows no page of the engine's own.
    bool loaded = true;
    // Why not, in the engine's words (such as "net::ERR_FILE_NOT_FOUND"); empty when loaded.
    std::string reason;
};

// What kind of document the view shows.
enum class DocumentKind {
    Page,   // an HTML or XHTML page
    Svg,    // an SVG picture as the document
    Bitmap, // a bitmap picture (JPEG, PNG, GIF, WebP) as the document
};

// The shown document as laid out for a capture.
struct DocumentLayout {
    DocumentKind kind = DocumentKind::Page;
    // The document's scroll size: the larger of the root element's and the body's.
    int width = 0;
    int height = 0;
    // A picture's own size: a bitmap's pixels, an SVG document's width and height when it gives both; 0 when it
    // has none.
    int intrinsicWidth = 0;
    int intrinsicHeight = 0;
    // An SVG document's height over width from its viewBox when it gives no size; 0 when unknown.
    double aspectRatio = 0;
    // The size a page declares for itself: its viewport meta (a fixed-layout page's), else an SVG document's own
    // size; 0 when it declares none.
    int declaredWidth = 0;
    int declaredHeight = 0;
};

// The paper a document is printed on, in points: each page's size and the margin on every side.
struct Paper {
    double width = 0;
    double height = 0;
    double margin = 0;
};

struct ScrollPosition {
    int x = 0;
    int y = 0;
};

// A captured picture: height rows of width pixels, top row first, rows `stride` bytes apart from `pixels`.
// A pixel is three bytes (R, G, B), or with `bgrx` four bytes (B, G, R, unused), as the view's own frames
// hold them: the frame is handed on as drawn, kept alive by `owner`, not converted or copied. `scrollY` is the
// document row at the picture's top when the frame was drawn.
struct ViewImage {
    int width = 0;
    int height = 0;
    int scrollY = 0;
    bool bgrx = false;
    std::size_t stride = 0;
    const std::uint8_t* pixels = nullptr;
    std::shared_ptr<const void> owner;

    const std::uint8_t* Row(int y) const { return pixels + stride * static_cast<std::size_t>(y); }
};

// The page view as the reading view and the conversion commands use it. Every call runs on the user-interface
// thread. Calls that read or change the page wait for the browser's answer while the thread goes on handling
// events, so handlers of other events (clicks, other notifications) may run during such a call. A call that
// the browser does not answer within the response limit throws PageNotAnswering.
class BrowserView {
public:
    virtual ~BrowserView() = default;

    // Starts loading the local file `path`, scrolled to the anchor `fragment` when one is given (as written in
    // a link, without "#"), and returns at once; the load ends with a document-complete notification, also
    // when the file cannot be shown. A file that is shown already is not loaded again: the view scrolls to the
    // anchor and reports completion as for a load.
    virtual void Navigate(const std::string& path, const std::string& fragment = {}) = 0;

    // True when the engine found the shown document, parsed as XML, not well-formed (it shows its error then).
    // Throws PageNotAnswering like the other scripts.
    virtual bool ShowsXmlError() = 0;

    // The folder of the book shown: a page may load the files in it and nothing else.
    virtual void SetBookFolder(const std::string& folder) = 0;

    // `handler` runs each time the top-level document has finished loading or failed to; frames never raise
    // it. The handler runs from the event loop and must not throw.
    virtual void SetDocumentCompleteHandler(std::function<void(const LoadOutcome&)> handler) = 0;

    // Sets the zoom of the inline style of the shown document's body to `factor` (1.0 = natural size); the
    // page is laid out again. Does nothing when nothing has been loaded yet or the document has no body.
    virtual void ApplyZoom(double factor) = 0;

    // Shows a page of fixed layout whole: scaled to fit the view at the size it declares (its viewport meta, an
    // SVG document's own size), `zoom` times that; a page that declares no size is zoomed as ApplyZoom does.
    virtual void FitPage(double zoom) = 0;

    // While suspended, documents are shown without the reader's look (a conversion draws the book as its files
    // say); the look comes back, on the document shown too, when the suspension ends.
    virtual void SetReadingStyleSuspended(bool suspended) = 0;

    // The character set with which pages that declare none are read, such as "utf-8".
    virtual void SetCharSet(const std::string& charset) = 0;

    // Sets the border style of the shown document's body ("none", or "" for the browser's default). Throws
    // std::runtime_error when there is no document or it has no body.
    virtual void SetBodyBorderStyle(const std::string& style) = 0;

    // How long any one wait for the page may last (a script's answer, a frame, a size taken).
    virtual void SetResponseLimit(std::chrono::milliseconds limit) = 0;
    // How long a load may take: one that has not ended by then ends as not shown, and the page that holds it
    // up is left behind for a fresh one (Renew).
    virtual void SetLoadLimit(std::chrono::milliseconds limit) = 0;

    // The view's size in pixels. The view fills its container until a size is set here; a size set here is
    // kept exactly, larger than the container included, and the view renders all of it. Once both sides equal
    // the container's again, the view follows the container as before.
    virtual int ViewHeight() const = 0;
    virtual int ViewWidth() const = 0;
    virtual void SetViewHeight(int height) = 0;
    virtual void SetViewWidth(int width) = 0;

    // Readies the shown document for a capture at `width` by `height` pixels and measures it: the view takes
    // that size, the page's scroll bars are hidden so the page is laid out exactly as wide as the view, a
    // bitmap document shows its picture at its own size at the top left, and the call returns once the page
    // reports the new size. Throws std::runtime_error when there is no document or it does not take the size.
    virtual DocumentLayout LayOut(int width, int height) = 0;

    // The document rows at which the anchors `fragments` (as written in links) begin, in order; -1 for an
    // anchor the document does not have.
    virtual std::vector<int> AnchorTops(const std::vector<std::string>& fragments) = 0;

    // Scrolls the document so that its point (x, y) comes to the view's top-left corner, as far as the
    // document allows, and returns the position reached.
    virtual ScrollPosition ScrollTo(int x, int y) = 0;

    // Scrolls the document so that its row `top` comes to the view's top, as far as the document allows, and
    // returns the view as rendered then, in a frame drawn after the call began (its scrollY tells the row
    // reached). A line one pixel high along the foot of the page's viewport is painted to recognise that frame and
    // taken away again before the frame is taken, so the picture is the whole view, ViewWidth() by ViewHeight()
    // pixels, and the page is laid out at the height it is captured at. Throws std::runtime_error when the view renders
    // no such frame (for instance while it is hidden) or the page scrolled while the frame was taken.
    // The picture has CaptureScale() pixels to a CSS pixel, in width and height; `scrollY` is in CSS pixels.
    virtual ViewImage CaptureView(int top) = 0;

    // How many pixels of a captured picture make a CSS pixel (1 at first: the same picture on every machine).
    // The engine draws at its screen's device pixel ratio; a frame drawn at another scale is resampled to this
    // one.
    virtual void SetCaptureScale(double scale) = 0;
    virtual double CaptureScale() const = 0;

    // Lengthens the document so that it reaches down at least `documentHeight` pixels (an invisible mark is
    // placed there when that is deeper than the view): every row above that depth can then be scrolled into the
    // view. EndCapture takes back this, the line of CaptureView and what LayOut changed on the page, before the
    // page is next used or once the program waits for events (a document shown meanwhile replaces them); it does
    // nothing when no capture was begun.
    virtual void BeginCapture(int documentHeight) = 0;
    virtual void EndCapture() = 0;

    // Prints the shown document into the PDF file `path`, as the engine lays it out for print on `paper`, its
    // text as text and its links kept; each anchor of `anchors` (as written in links) becomes a named
    // destination of that name. Throws PageNotAnswering when printing does not end within the response limit,
    // std::runtime_error when it fails.
    virtual void PrintToPdf(const std::string& path, const Paper& paper, const std::vector<std::string>& anchors) = 0;

    // Shows the program's own page with `text` in place of a document that could not be shown. It raises no
    // document-complete notification.
    virtual void ShowFailure(const std::string& text) = 0;

    // Leaves a page that stopped answering or whose process ended behind, ends its process, and shows later
    // documents in a fresh page. Nothing is shown until the next navigation.
    virtual void Renew() = 0;
};

} // namespace qm
