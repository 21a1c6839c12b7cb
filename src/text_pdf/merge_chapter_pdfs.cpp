#include "text_pdf/merge_chapter_pdfs.h"

#include "files/fd_io.h"

#include <qpdf/ClosedFileInputSource.hh>
#include <qpdf/PDFVersion.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFSystemError.hh>
#include <qpdf/QPDFWriter.hh>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <set>
#include <stdexcept>

#include "files/output_file.h"
#include "text_pdf/fd_pipeline.h"

namespace qm {

namespace {

// qpdf's own messages start with the file's name, which ours give already.
std::string CauseOf(const std::exception& error) {
    if (const auto* pdf = dynamic_cast<const QPDFExc*>(&error)) {
        return pdf->getMessageDetail();
    }
    if (const auto* system = dynamic_cast<const QPDFSystemError*>(&error)) {
        return std::strerror(system->getErrno());
    }
    return error.what();
}

[[noreturn]] void CannotReadChapter(std::size_t index, const std::string& path, const std::string& cause) {
    throw std::runtime_error("Cannot read chapter " + std::to_string(index + 1) + " \"" + ShownPath(path) + "\". " +
                             cause);
}

std::string Describe(const OutlineEntry& entry, std::size_t index) {
    return "Outline entry " + std::to_string(index + 1) + " \"" + entry.title + "\"";
}

void CheckOutlineChapters(const std::vector<OutlineEntry>& outline, std::size_t chapterCount) {
    for (std::size_t i = 0; i < outline.size(); ++i) {
        if (outline[i].chapter < 0 || static_cast<std::size_t>(outline[i].chapter) >= chapterCount) {
            throw std::invalid_argument(Describe(outline[i], i) + " names chapter " +
                                        std::to_string(outline[i].chapter) + " (counted from 0) of " +
                                        std::to_string(chapterCount));
        }
    }
}

void CheckOutlinePages(const std::vector<OutlineEntry>& outline, const std::vector<int>& pageCounts) {
    for (std::size_t i = 0; i < outline.size(); ++i) {
        const int pages = pageCounts[static_cast<std::size_t>(outline[i].chapter)];
        if (outline[i].page < 0 || outline[i].page >= pages) {
            throw std::invalid_argument(Describe(outline[i], i) + " names page " + std::to_string(outline[i].page) +
                                        " (counted from 0) of chapter " + std::to_string(outline[i].chapter) +
                                        ", which has " + std::to_string(pages) + " pages");
        }
    }
}

// Named destinations live in the chapter's catalog, which the merge leaves behind; a link that names one is
// given the destination itself, whose page reference then follows the page into the merged document.
void MakeNamedLinksExplicit(QPDF& chapter, const std::vector<QPDFPageObjectHelper>& pages) {
    QPDFOutlineDocumentHelper names(chapter);
    const auto explicitDestination = [&](QPDFObjectHandle destination) {
        if (!destination.isName() && !destination.isString()) {
            return destination;
        }
        QPDFObjectHandle resolved = names.resolveNamedDest(destination);
        if (resolved.isDictionary()) {
            resolved = resolved.getKey("/D");
        }
        return resolved.isArray() ? resolved.shallowCopy() : QPDFObjectHandle::newNull();
    };
    for (const QPDFPageObjectHelper& page : pages) {
        for (QPDFAnnotationObjectHelper& annotation : QPDFPageObjectHelper(page).getAnnotations("/Link")) {
            QPDFObjectHandle link = annotation.getObjectHandle();
            if (link.hasKey("/Dest")) {
                link.replaceKey("/Dest", explicitDestination(link.getKey("/Dest")));
            }
            QPDFObjectHandle action = link.getKey("/A");
            if (action.isDictionary() && action.getKey("/S").isNameAndEquals("/GoTo")) {
                action.replaceKey("/D", explicitDestination(action.getKey("/D")));
            }
        }
    }
}

// Sets the page and place of the entries that lead to a named destination of the opened chapter.
void PlaceNamedEntries(QPDF& chapter, const std::vector<QPDFPageObjectHelper>& pages,
                       std::vector<OutlineEntry*>& entries) {
    QPDFOutlineDocumentHelper names(chapter);
    for (OutlineEntry* entry : entries) {
        entry->page = 0;
        entry->top = -1;
        QPDFObjectHandle place = names.resolveNamedDest(QPDFObjectHandle::newName("/" + entry->destination));
        if (!place.isArray()) {
            place = names.resolveNamedDest(QPDFObjectHandle::newString(entry->destination));
        }
        if (place.isDictionary()) {
            place = place.getKey("/D");
        }
        if (!place.isArray() || place.getArrayNItems() < 1) {
            continue;
        }
        const QPDFObjGen target = place.getArrayItem(0).getObjGen();
        for (std::size_t n = 0; n < pages.size(); ++n) {
            if (pages[n].getObjectHandle().getObjGen() != target) {
                continue;
            }
            entry->page = static_cast<int>(n);
            // [page /XYZ left top zoom]: the place is `top` in the page's coordinates.
            if (place.getArrayNItems() >= 4 && place.getArrayItem(1).isNameAndEquals("/XYZ") &&
                place.getArrayItem(3).isNumber()) {
                const QPDFObjectHandle::Rectangle box =
                    QPDFPageObjectHelper(pages[n]).getMediaBox().getArrayAsRectangle();
                entry->top = std::max(0.0, std::max(box.lly, box.ury) - place.getArrayItem(3).getNumericValue());
            }
            break;
        }
    }
}

// Counts what a page's content draws: whether it shows text, a picture, a shading or a stroke, and how many
// areas it fills.
class InkCounter final : public QPDFObjectHandle::ParserCallbacks {
public:
    void handleObject(QPDFObjectHandle object) override {
        if (!object.isOperator()) {
            return;
        }
        static const std::set<std::string> kInk = {"Tj", "TJ", "'", "\"", "Do", "sh", "BI",
                                                   "S",  "s",  "B", "B*", "b",  "b*"};
        const std::string op = object.getOperatorValue();
        ink = ink || kInk.contains(op);
        fills += op == "f" || op == "F" || op == "f*" ? 1 : 0;
    }
    void handleEOF() override {}

    bool ink = false;
    int fills = 0;
};

// True when the page shows nothing but at most one filled area (the engine paints the page's background so
// on the empty page that a chapter whose text ends at a page's foot leaves behind).
bool ShowsNothing(QPDFPageObjectHelper& page) {
    InkCounter counter;
    try {
        page.parseContents(&counter);
    } catch (const std::exception&) {
        return false;
    }
    return !counter.ink && counter.fills <= 1;
}

// Appends the pages of an opened chapter to `document`, less empty pages at its end, and returns how many it
// appended.
int CopyPages(QPDF& document, QPDF& chapter, std::vector<OutlineEntry*>& namedEntries) {
    std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(chapter).getAllPages();
    PlaceNamedEntries(chapter, pages, namedEntries);
    while (pages.size() > 1 && ShowsNothing(pages.back())) {
        pages.pop_back();
    }
    // An anchor on a page left out is at the end of the last page kept.
    for (OutlineEntry* entry : namedEntries) {
        if (entry->page >= static_cast<int>(pages.size())) {
            entry->page = static_cast<int>(pages.size()) - 1;
            entry->top = std::numeric_limits<double>::max();
        }
    }
    MakeNamedLinksExplicit(chapter, pages);
    // A link may point at a later page of its chapter, and qpdf copies a reference to a page that it has not
    // copied yet as null: the pages go first, their annotations after.
    std::vector<QPDFObjectHandle> annotations;
    for (QPDFPageObjectHelper& page : pages) {
        QPDFObjectHandle object = page.getObjectHandle();
        QPDFObjectHandle annots = object.getKey("/Annots");
        annotations.push_back(annots.isArray() ? chapter.makeIndirectObject(annots.shallowCopy())
                                               : QPDFObjectHandle::newNull());
        object.removeKey("/Annots");
    }
    const std::size_t first = document.getAllPages().size();
    for (QPDFPageObjectHelper& page : pages) {
        document.addPage(page.getObjectHandle(), false);
    }
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (!annotations[i].isNull()) {
            QPDFObjectHandle copied = document.getAllPages()[first + i];
            copied.replaceKey("/Annots", document.copyForeignObject(annotations[i]));
        }
    }
    return static_cast<int>(pages.size());
}

// Appends the pages of one chapter file to `document` and returns how many there were; raises `version` to the
// chapter's PDF version. Only the document keeps what was copied: its streams hold the file's name and their
// place in it, and read their data when the document is written; between such reads the file is closed.
int AppendChapter(QPDF& document, std::size_t index, const std::string& path, PDFVersion& version,
                  std::vector<OutlineEntry*>& namedEntries) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        CannotReadChapter(index, path, std::strerror(errno));
    }
    if (!S_ISREG(status.st_mode)) {
        // Reading a FIFO could block for ever.
        CannotReadChapter(index, path, S_ISDIR(status.st_mode) ? std::strerror(EISDIR) : "Not a regular file");
    }
    const auto source = std::make_shared<ClosedFileInputSource>(path.c_str());
    std::string cause;
    QPDF chapter;
    chapter.setSuppressWarnings(true);
    try {
        source->stayOpen(true);
        // The engine writes sound files: one that needs repairing is damaged, and a repair may lose pages.
        chapter.setAttemptRecovery(false);
        chapter.processInputSource(source);
        const int pages = CopyPages(document, chapter, namedEntries);
        if (!chapter.anyWarnings()) {
            version.updateIfGreater(chapter.getVersionAsPDFVersion());
            source->stayOpen(false);
            return pages;
        }
        cause = chapter.getWarnings().front().getMessageDetail();
    } catch (const std::exception& error) {
        // What qpdf noticed on the way, such as a missing header, tells more than where it gave up.
        cause = chapter.anyWarnings() ? chapter.getWarnings().front().getMessageDetail() + "; " + CauseOf(error)
                                      : CauseOf(error);
    }
    CannotReadChapter(index, path, cause);
}

// Where an outline entry leads: the top of the page, or the point `top` points below the top of its MediaBox.
QPDFObjectHandle Destination(QPDFPageObjectHelper page, double top) {
    QPDFObjectHandle destination = QPDFObjectHandle::newArray();
    destination.appendItem(page.getObjectHandle());
    if (top < 0) {
        destination.appendItem(QPDFObjectHandle::newName("/Fit"));
        return destination;
    }
    const QPDFObjectHandle::Rectangle box = page.getMediaBox().getArrayAsRectangle();
    const double bottom = std::min(box.lly, box.ury);
    const double y = std::max(bottom, std::max(box.lly, box.ury) - top);
    destination.appendItem(QPDFObjectHandle::newName("/XYZ"));
    destination.appendItem(QPDFObjectHandle::newReal(std::min(box.llx, box.urx), 2, true));
    destination.appendItem(QPDFObjectHandle::newReal(y, 2, true));
    destination.appendItem(QPDFObjectHandle::newNull());
    return destination;
}

// The outline tree: each entry under the nearest earlier entry of a smaller level. Only the top level is shown,
// so by the PDF reference's rule the root counts the top-level items and every parent the negative number of
// its children.
void AddOutline(QPDF& document, const std::vector<OutlineEntry>& outline, const std::vector<int>& firstPages) {
    if (outline.empty()) {
        return;
    }
    const std::vector<QPDFObjectHandle>& pages = document.getAllPages();
    QPDFObjectHandle root = document.makeIndirectObject(QPDFObjectHandle::newDictionary());
    root.replaceKey("/Type", QPDFObjectHandle::newName("/Outlines"));

    struct Node {
        QPDFObjectHandle item;
        int level;
        std::vector<QPDFObjectHandle> children;
    };
    std::vector<Node> nodes;
    nodes.reserve(outline.size() + 1);
    nodes.push_back({root, 0, {}});
    std::vector<std::size_t> open = {0}; // the root, then the latest entry of each smaller level
    for (const OutlineEntry& entry : outline) {
        while (open.size() > 1 && nodes[open.back()].level >= entry.level) {
            open.pop_back();
        }
        const std::size_t page =
            static_cast<std::size_t>(firstPages[static_cast<std::size_t>(entry.chapter)] + entry.page);
        QPDFObjectHandle item = document.makeIndirectObject(QPDFObjectHandle::newDictionary());
        item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(entry.title));
        item.replaceKey("/Dest", Destination(QPDFPageObjectHelper(pages[page]), entry.top));
        item.replaceKey("/Parent", nodes[open.back()].item);
        nodes[open.back()].children.push_back(item);
        nodes.push_back({item, entry.level, {}});
        open.push_back(nodes.size() - 1);
    }
    for (std::size_t n = 0; n < nodes.size(); ++n) {
        std::vector<QPDFObjectHandle>& children = nodes[n].children;
        if (children.empty()) {
            continue;
        }
        const auto count = static_cast<int>(children.size());
        nodes[n].item.replaceKey("/First", children.front());
        nodes[n].item.replaceKey("/Last", children.back());
        nodes[n].item.replaceKey("/Count", QPDFObjectHandle::newInteger(n == 0 ? count : -count));
        for (std::size_t c = 0; c + 1 < children.size(); ++c) {
            children[c].replaceKey("/Next", children[c + 1]);
            children[c + 1].replaceKey("/Prev", children[c]);
        }
    }
    document.getRoot().replaceKey("/Outlines", root);
}

void AddInfo(QPDF& document, const DocumentInfo& info) {
    QPDFObjectHandle dictionary = document.makeIndirectObject(QPDFObjectHandle::newDictionary());
    const std::pair<const char*, const std::string*> fields[] = {
        {"/Title", &info.title}, {"/Author", &info.author}, {"/Producer", &info.producer}};
    for (const auto& [key, value] : fields) {
        if (!value->empty()) {
            dictionary.replaceKey(key, QPDFObjectHandle::newUnicodeString(*value));
        }
    }
    document.getTrailer().replaceKey("/Info", dictionary);
    if (!info.language.empty()) {
        document.getRoot().replaceKey("/Lang", QPDFObjectHandle::newUnicodeString(info.language));
    }
    if (!info.title.empty()) {
        // Viewers show the title instead of the file's name only when asked.
        QPDFObjectHandle preferences = QPDFObjectHandle::newDictionary();
        preferences.replaceKey("/DisplayDocTitle", QPDFObjectHandle::newBool(true));
        document.getRoot().replaceKey("/ViewerPreferences", preferences);
    }
}

// One range of decimal labels from the first page: 1, 2, 3...
void AddPageLabels(QPDF& document) {
    QPDFObjectHandle decimal = QPDFObjectHandle::newDictionary();
    decimal.replaceKey("/S", QPDFObjectHandle::newName("/D"));
    QPDFObjectHandle numbers = QPDFObjectHandle::newArray();
    numbers.appendItem(QPDFObjectHandle::newInteger(0));
    numbers.appendItem(decimal);
    QPDFObjectHandle labels = QPDFObjectHandle::newDictionary();
    labels.replaceKey("/Nums", numbers);
    document.getRoot().replaceKey("/PageLabels", labels);
}

// `version` is the newest of the chapters': the pages may use what it brought.
void Write(QPDF& document, const PDFVersion& version, const std::string& path, Replacing replacing) {
    OutputFile output(path, replacing);
    FdPipeline sink(output.Fd(), path);
    QPDFWriter writer(document);
    writer.setOutputPipeline(&sink);
    writer.setMinimumPDFVersion(version);
    writer.setDeterministicID(true);
    writer.setObjectStreamMode(qpdf_o_generate);
    writer.write();
    if (document.anyWarnings()) {
        // A stream whose chapter can no longer be read is written empty, with a warning.
        throw std::runtime_error("Cannot write file \"" + ShownPath(path) + "\". " +
                                 document.getWarnings().front().getMessageDetail());
    }
    output.Commit();
}

} // namespace

void MergeChapterPdfs(const std::vector<std::string>& chapters, const std::vector<OutlineEntry>& outline,
                      const DocumentInfo& info, const std::string& output, const MergeProgress& progress,
                      Replacing replacing) {
    if (chapters.empty()) {
        throw std::invalid_argument("No chapters to merge into \"" + ShownPath(output) + "\"");
    }
    CheckOutlineChapters(outline, chapters.size());
    std::vector<OutlineEntry> placed = outline;
    std::vector<std::vector<OutlineEntry*>> namedEntries(chapters.size());
    for (OutlineEntry& entry : placed) {
        if (!entry.destination.empty()) {
            namedEntries[static_cast<std::size_t>(entry.chapter)].push_back(&entry);
        }
    }

    QPDF document;
    document.emptyPDF();
    PDFVersion version;
    document.setSuppressWarnings(true);
    std::vector<int> firstPages;
    std::vector<int> pageCounts;
    firstPages.reserve(chapters.size());
    pageCounts.reserve(chapters.size());
    int pageCount = 0;
    for (std::size_t i = 0; i < chapters.size(); ++i) {
        firstPages.push_back(pageCount);
        pageCounts.push_back(AppendChapter(document, i, chapters[i], version, namedEntries[i]));
        pageCount += pageCounts.back();
        if (progress) {
            progress(static_cast<int>(i + 1), static_cast<int>(chapters.size()));
        }
    }
    CheckOutlinePages(placed, pageCounts);

    AddOutline(document, placed, firstPages);
    AddInfo(document, info);
    AddPageLabels(document);
    Write(document, version, output, replacing);
}

} // namespace qm
