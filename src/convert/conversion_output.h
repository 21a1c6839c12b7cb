#pragma once

#include "book/book_metadata.h"
#include "book/table_of_contents.h"
#include "convert/conversion_result.h"
#include "convert/jpg_pages.h"
#include "jpeg2pdf2/jpeg2pdf2.h"
#include "text_pdf/merge_chapter_pdfs.h"

#include <functional>
#include <string>

namespace qm {

// What making the output needs from its caller besides the result.
struct OutputHooks {
    // Decides for a name that is taken when the output is put in place (see TakenName); a free name is never
    // replaced, so a file that appears there meanwhile stays and the output fails.
    std::function<TakenName(const std::string& name)> whenTaken;
    // The writers' progress and event pumps (may be empty): the picture PDF's and the text PDF's.
    TPDFProgress pdfProgress;
    PumpMessagesFn pump;
    MergeProgress mergeProgress;
};

// Makes a conversion's output from what its chapters left in the working folder, `result.written` (page files
// or chapter PDFs, as PageFileOrder names them, in row order): the picture PDF (JpegsToPDF), the numbered JPEG
// files (PlaceJpgPages), or the text PDF with one bookmark per row of `toc` and the book's metadata. It goes
// under the chosen name `result.output` when no chapter is missing, else under its incomplete name
// (IncompleteOutputName, in `result.incompleteOutput`); a text PDF with chapters missing is not written, since
// it would pass for the book. Sets pdfResult and pdfCause, written and kept (JPG), and error when a name that
// is taken was kept or the output could not be made. The window's conversion and the command line's shared
// conversion both end here, so both give the same bytes.
void MakeOutput(ConversionResult& result, const TableOfContents& toc, const BookMetadata& metadata,
                const OutputHooks& hooks);

} // namespace qm
