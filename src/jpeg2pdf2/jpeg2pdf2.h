#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "files/output_file.h"
#include "jpeg2pdf2/jpeg_probe.h"

namespace qm {

// Result codes of JpegsToPDF.
inline constexpr std::int32_t pdfNoFiles = -1;
inline constexpr std::int32_t pdfDone = -2;
inline constexpr std::int32_t pdfAborted = -3;

// Progress report: a text, a total and a count done. Total and done are byte counts cut to 32 bits (they wrap
// for documents of 2 GiB and more) and serve only for display.
using TPDFProgress = std::function<void(const std::string& text, std::int32_t total, std::int32_t done)>;

// Called between items so that the caller's window keeps handling its events; may be empty.
using PumpMessagesFn = std::function<void()>;

// Writes one PDF 1.2 document to `outFile` with one page per JPEG file of `pages`, in order, each page the size
// of its image with the file's bytes embedded unchanged. Returns pdfNoFiles when the name or the list is empty,
// when an entry is empty, names no file, is refused by GetInfosJPG or is the output file itself (nothing is then
// created or touched); pdfAborted when writing failed, a page file could not be read, or the document would
// need an offset of 10,000,000,000 or more; pdfDone otherwise. The document is written aside and takes the
// output's name only when complete (OutputFile), so an aborted build leaves no partial file and whatever had
// that name before stays; on pdfAborted `abortCause`, when given, receives why (the system's reason, such as
// "No space left on device", with the file and the place).
// Throws std::runtime_error `Cannot create file "<absolute path>". <reason>` when the output cannot be created.
// `progress` is called with "converting..", once per page copied (path, total bytes, bytes done) and
// "Finished!"; `pumpMessages` between items. Page files are only read.
// `replacing` says whether the document may replace a file of its name (see Replacing): when refused, a file
// there before the call makes it throw as above ("File exists"), one that appears while it writes aborts it.
// Each page is as many points as its image has pixels divided by `pixelsPerPoint` (pages drawn F times sharper
// keep their size).
std::int32_t JpegsToPDF(const std::vector<std::string>& pages, const std::string& outFile, const TPDFProgress& progress,
                        const PumpMessagesFn& pumpMessages = {}, std::string* abortCause = nullptr,
                        Replacing replacing = Replacing::Allowed, double pixelsPerPoint = 1.0);

} // namespace qm
