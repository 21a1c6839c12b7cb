#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// The picture PDF (one JPEG page per chapter), numbered JPEG files, or the text PDF the engine prints.
enum class ConversionKind { Pdf, Jpg, TextPdf };

// A chapter that has no page in the output, and why.
struct MissingChapter {
    std::int32_t row = 0;
    std::string title;
    std::string reason;
};

// What a conversion command did. The window turns it into its message boxes (ReportConversion); the
// command-line tool reads it for its exit status. Nobody reads the messages back.
struct ConversionResult {
    ConversionKind kind = ConversionKind::Pdf;
    // No book was open: nothing was converted.
    bool noBook = false;
    // The output was chosen and the chapters walked; false when the save dialog was cancelled (or there was
    // nothing to convert).
    bool started = false;
    // The user cancelled; `quiet` when nothing more should be shown (the program is closing).
    bool cancelled = false;
    bool quiet = false;
    // The chosen output file name.
    std::string output;
    // Pixels of the page pictures to a CSS pixel (a picture PDF's page has the pictures' size divided by it).
    double scale = 1.0;
    // Set when chapters are missing and what was converted was written under this name instead of `output`
    // (IncompleteOutputName: a file under the chosen name is always a whole book).
    std::string incompleteOutput;
    // The files written: the page files of a PDF, the JPEG files of Convert to JPG (the page files while a share
    // of a conversion), the chapter PDFs of a text PDF.
    std::vector<std::string> written;
    // Existing files the user chose to keep instead of their chapter's page.
    int kept = 0;
    // Chapters without a page, in table order.
    std::vector<MissingChapter> missing;
    // JpegsToPDF's result code (pdfNoFiles, pdfDone, pdfAborted), 0 when the writer did not run, and why it
    // aborted.
    std::int32_t pdfResult = 0;
    std::string pdfCause;
    // The error that ended the command early (an output that cannot be written, the output being the book).
    std::string error;

    // True when the output is complete: every chapter has its page and nothing failed.
    bool Complete() const;
};

} // namespace qm
