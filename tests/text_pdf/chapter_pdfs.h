#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <filesystem>
#include <string>
#include <vector>

namespace qm::test {

// A page of a test chapter: the word it shows in Helvetica, and its MediaBox [0 bottom 612 bottom+height].
struct ChapterPage {
    std::string word;
    double height = 792;
    double bottom = 0;
};

struct Chapter {
    std::vector<ChapterPage> pages;
    // Links on the first page, as the engine and other writers make them: to the second page by a name of the
    // catalog's /Dests, to the last page by a string of the /Names /Dests tree and by an explicit GoTo
    // destination, and to a web address. Needs two pages or more.
    bool links = false;
    // Bytes that do not compress, in an image on the first page, to make the file large.
    std::size_t noiseBytes = 0;
    std::string version = "1.3"; // the header's PDF version
};

// Writes `chapter` as a PDF document at `path` with libqpdf; returns the path as a string.
std::string WriteChapterPdf(const std::filesystem::path& path, const Chapter& chapter);

// The decoded content streams of a page.
std::string PageContent(QPDFPageObjectHelper page);

// The index of `page` in `document`, -1 when it is none of its pages.
int PageIndex(QPDF& document, QPDFObjectHandle page);

struct ToolResult {
    int status = -1;
    std::string output; // standard output and standard error
};

// Runs a shell command and gathers what it prints.
ToolResult RunTool(const std::string& command);
// True when the program `tool` is on the PATH.
bool ToolInstalled(const std::string& tool);

} // namespace qm::test
