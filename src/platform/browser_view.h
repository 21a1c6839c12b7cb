#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qm {

// Which element a scroll size is read from.
enum class ScrollElement {
    Root, // the document's root element (documentElement)
    Body, // the document's body
};

struct ScrollSize {
    int height = 0;
    int width = 0;
};

struct ScrollPosition {
    int x = 0;
    int y = 0;
};

// A captured picture: `rgb` holds height rows of width pixels, top row first, three bytes (R, G, B) a pixel.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

// The page view as the reading view and the conversion commands use it. Every call runs on the user-interface
// thread. Calls that read or change the page wait for the browser's answer while the thread goes on handling
// events, so handlers of other events (clicks, other notifications) may run during such a call. A call that
// the browser does not answer within a few seconds throws std::runtime_error.
class BrowserView {
public:
    virtual ~BrowserView() = default;

    // Starts loading the local file `path` and returns at once; the load ends with a document-complete
    // notification, also when the file is missing or cannot be shown (the view then shows an error page).
    virtual void Navigate(const std::string& path) = 0;

    // `handler` runs each time the top-level document has finished loading; frames never raise it. The handler
    // runs from the event loop and must not throw.
    virtual void SetDocumentCompleteHandler(std::function<void()> handler) = 0;

    // Sets the zoom of the inline style of the shown document's body to `factor` (1.0 = natural size); the
    // page is laid out again. Does nothing when nothing has been loaded yet or the document has no body.
    virtual void ApplyZoom(double factor) = 0;

    // The character set with which pages that declare none are read, such as "utf-8".
    virtual void SetCharSet(const std::string& charset) = 0;

    // Sets the border style of the shown document's body ("none", or "" for the browser's default). Throws
    // std::runtime_error when there is no document or it has no body.
    virtual void SetBodyBorderStyle(const std::string& style) = 0;

    // The scroll height and width in pixels of the shown document's root element or body. Throws
    // std::runtime_error when there is no document or it lacks that element.
    virtual int ScrollHeight(ScrollElement element) = 0;
    virtual int ScrollWidth(ScrollElement element) = 0;

    // The view's size in pixels. The view fills its container until a size is set here; a size set here is
    // kept exactly, larger than the container included, and the view renders all of it. Once both sides equal
    // the container's again, the view follows the container as before.
    virtual int ViewHeight() const = 0;
    virtual int ViewWidth() const = 0;
    virtual void SetViewHeight(int height) = 0;
    virtual void SetViewWidth(int width) = 0;

    // Scrolls the document so that its point (x, y) comes to the view's top-left corner, as far as the
    // document allows, and returns the position reached.
    virtual ScrollPosition ScrollTo(int x, int y) = 0;

    // The view as rendered now, in a frame drawn after the call began, scroll bars included. A line one pixel
    // high along the foot of the page's viewport is painted to recognise that frame: the picture is
    // ViewWidth() by ViewHeight() - 1 pixels and leaves out the view's bottom row, which is that line unless
    // the page shows a horizontal scroll bar (then the line lies above the bar, in the picture). Throws
    // std::runtime_error when the view renders no such frame (for instance while it is hidden).
    virtual RgbImage CaptureView() = 0;

    // Readies the shown page for captures that scroll through it: its scroll bars are hidden and take no room,
    // and the document reaches down at least `documentHeight` pixels (an invisible mark is placed there), so
    // that every row above that depth can be scrolled into the view. EndCapture takes both back; it does
    // nothing when no capture was begun.
    virtual void BeginCapture(int documentHeight) = 0;
    virtual void EndCapture() = 0;
};

} // namespace qm
