#pragma once

#include "convert/page_encoder.h"
#include "platform/ui/browser_view.h"
#include "platform/ui/dialogs.h"

#include <memory>
#include <string>
#include <vector>

namespace qm {

// How one capture ended.
struct CaptureResult {
    // The files written, in page order: the file named by the caller, then its continuation files.
    std::vector<std::string> files;
    // The user kept an existing file of that name; nothing was captured.
    bool declined = false;
    // Why nothing was written (empty when files were written or the user declined).
    std::string failure;
    // The failure was the page's: it stopped answering or its process ended.
    bool stalled = false;
};

// The view is captured in pieces of at most this many rows, each scrolled into place and stitched.
inline constexpr int kCaptureTileRows = 4096;

// The part of the shown document that makes a page: `rows` rows from document row `top`, `width` columns
// from the left edge.
struct PageArea {
    int top = 0;
    int rows = 0;
    int width = 0;
};

// Writes the part `area` of the document that `browser` shows, as it is laid out now, as baseline colour JPEG
// at `quality`, the view's CaptureScale() pixels of the image to a CSS pixel of the area. The view must be at
// least area.width wide;
// the part is scrolled through the view one view height at a time, and a frame that does not show the next rows wanted
// (the page scrolled elsewhere) fails the capture. An image taller than a JPEG file can hold goes on in continuation
// files (ContinuationFileName), each at most JpegFileWriter::kMaxDimension rows high.
//
// Before any file that exists already is replaced, the user is asked; No keeps that file (for the first file:
// nothing is captured). A failure is returned, not thrown, and leaves none of the capture's files behind;
// a page that stopped answering is reported so (`stalled`), for the caller to renew the view.
//
// The view's frames are encoded on `encoder`'s thread, while the view may go on: the capture is pending until
// Finish says how it ended. The frames are held until they are encoded; the view renders new ones.
class PendingCapture {
public:
    struct Encoding;

    explicit PendingCapture(CaptureResult ended);
    PendingCapture(std::shared_ptr<Encoding> encoding, CaptureResult ended);
    PendingCapture(PendingCapture&&) noexcept;
    PendingCapture& operator=(PendingCapture&&) noexcept;
    // A capture left unfinished is ended by the encoder all the same: its files are kept when it succeeded.
    ~PendingCapture();

    // True once the capture's rows are encoded (Finish does not wait then).
    bool Done() const;
    // The page stopped answering during the capture: the view needs renewing now, not once encoded.
    bool Stalled() const { return ended_.stalled; }
    // Waits until the capture's rows are encoded and tells how it ended.
    CaptureResult Finish();

private:
    std::shared_ptr<Encoding> encoding_;
    CaptureResult ended_;
};

PendingCapture CaptureViewToJPEG(BrowserView& browser, Dialogs& dialogs, PageEncoder& encoder,
                                 const std::string& fileName, const PageArea& area, int quality);

// The same, encoded and finished before it returns.
CaptureResult CaptureViewToJPEG(BrowserView& browser, Dialogs& dialogs, const std::string& fileName,
                                const PageArea& area, int quality);

} // namespace qm
