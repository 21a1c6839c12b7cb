#pragma once

#include "files/output_file.h"

#include <functional>
#include <string>
#include <vector>

namespace qm {

// One bookmark of the merged document: a row of the table of contents.
struct OutlineEntry {
    std::string title; // UTF-8
    // Nesting depth, 0 at the top. An entry nests under the nearest earlier entry of a smaller level, so a level
    // may skip steps; an entry with no such earlier entry is at the top.
    int level = 0;
    int chapter = 0; // index into the chapter list
    int page = 0;    // page of that chapter's PDF, 0-based
    // Distance in points from the top of that page's MediaBox to where the entry starts; negative (-1) for the
    // whole page. A distance beyond the page's height points at its bottom.
    double top = -1;
    // A named destination of that chapter (an anchor the engine kept as one) to take the page and the place
    // from instead; when the chapter has no destination of that name, the entry leads to the chapter's first
    // page.
    std::string destination;
};

// What the merged document says about itself. Empty fields are left out.
struct DocumentInfo {
    std::string title;    // UTF-8, document information /Title
    std::string author;   // UTF-8, /Author
    std::string language; // a language tag such as "en-US", the catalog's /Lang
    std::string producer; // UTF-8, /Producer
};

// Called after each chapter has been read with the number of chapters read so far and the number of chapters.
using MergeProgress = std::function<void(int done, int total)>;

// Merges `chapters` (paths of PDF files, in order; each may hold several pages of any size) into one document
// at `output`, page after page, with annotations (links) kept: a link to a named destination of its own chapter
// is turned into a link to the page it names. Pages at a chapter's end that show nothing but one filled area
// (the background of the empty page a print leaves when its text ends at a page's foot) are left out; an entry
// that led there leads to the end of the chapter's last page. Fonts and other resources are copied unchanged. The
// document gets `outline` as its bookmarks (nested by level, top level shown, deeper levels folded), `info`, and page
// labels 1, 2, 3... across the whole document. Its PDF version is the newest of the chapters', or 1.5 (for object
// streams) if that is newer. The same inputs give the same bytes.
//
// Chapter files are read twice: once for their structure, and again for their stream data while the
// document is written; they must stay unchanged until the call returns. Memory grows with the number of
// objects in the chapters, not with their stream data; no file stays open between chapters.
//
// The document is written aside and takes the name `output` only when complete (OutputFile): on any failure
// there is no partial file, and a file that had that name before keeps its content. Nothing is created before
// every chapter has been read. With `replacing` refused, a file of that name is never replaced (see Replacing).
//
// Throws std::invalid_argument when `chapters` is empty or an outline entry names a chapter or page that does
// not exist; std::runtime_error `Cannot read chapter <n> "<absolute path>". <cause>` (n counted from 1) when a
// chapter is missing, is not a PDF or is damaged; std::runtime_error naming `output` and the system's reason
// when the document cannot be created or written (such as "No space left on device"), or when a chapter
// can no longer be read while it is written. Exceptions thrown by `progress` pass through.
void MergeChapterPdfs(const std::vector<std::string>& chapters, const std::vector<OutlineEntry>& outline,
                      const DocumentInfo& info, const std::string& output, const MergeProgress& progress = {},
                      Replacing replacing = Replacing::Allowed);

} // namespace qm
