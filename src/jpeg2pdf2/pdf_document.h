#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jpeg2pdf2/jpeg2pdf2.h"
#include "jpeg2pdf2/pdf_sink.h"

namespace qm {

// Cross-reference entries hold ten digits, so no object and no "xref" line may start at or beyond this byte.
inline constexpr std::uint64_t kPdfOffsetLimit = 10'000'000'000;

// Writes the whole document for `pages` (each already probed, `infos` in the same order) into `sink` in one
// pass: header, catalog, page tree, page objects, image objects with the page files' bytes, content streams,
// cross-reference table and trailer. Each page file is opened only when its image is written, and its size
// at that moment becomes the image's /Length. `totalBytes` is passed through to the progress calls, one per
// page copied. A page is as many points wide and tall as its image has pixels divided by `pixelsPerPoint` (1: a
// point a pixel; 2 for pages drawn twice as sharp). Throws std::runtime_error when a page file cannot be opened or
// read, when the sink fails, or before an offset would reach kPdfOffsetLimit; the caller then abandons the
// output.
void WritePdfDocument(PdfSink& sink, const std::vector<std::string>& pages, const std::vector<TInfosJPG>& infos,
                      std::int32_t totalBytes, const TPDFProgress& progress, const PumpMessagesFn& pumpMessages,
                      double pixelsPerPoint = 1.0);

} // namespace qm
