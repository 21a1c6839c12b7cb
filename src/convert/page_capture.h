#pragma once

#include "platform/browser_view.h"
#include "platform/dialogs.h"

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
};

// The view is captured in pieces of at most this many rows, each scrolled into place and stitched.
inline constexpr int kCaptureTileRows = 4096;

// Writes what `browser` shows, laid out at `height` by `width` pixels, as baseline colour JPEG at `quality`,
// one pixel of the view to one pixel of the image, less `margin` columns at the right and `margin` rows at the
// bottom. A view of at most kCaptureTileRows rows is taken in one piece as it stands; a taller one is shown
// kCaptureTileRows rows high and scrolled through. An image taller than a JPEG file can hold goes on in
// continuation files (ContinuationFileName), each at most JpegFileWriter::kMaxDimension rows high.
//
// Before any file that exists already is replaced, the user is asked; No keeps that file (for the first file:
// nothing is captured). A failure is returned, not thrown, and leaves none of the capture's files behind.
// The view may be left at another height; the caller restores its size.
CaptureResult CaptureViewToJPEG(BrowserView& browser, Dialogs& dialogs, const std::string& fileName, int height,
                                int width, int margin, int quality);

} // namespace qm
