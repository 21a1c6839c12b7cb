#pragma once

#include "book/reader_state.h"
#include "book/table_of_contents.h"
#include "convert/conversion_window.h"
#include "platform/browser_view.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/shell.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qm {

// Everything a conversion works with; all of it belongs to the main window and outlives the converter.
struct ConversionContext {
    ReaderState& state;
    const TableOfContents& toc;
    BrowserView& browser;
    Dialogs& dialogs;
    Shell& shell;
    ConversionWindow& window;
    EventPump& pump;
    // The path of the open book (empty before the first opening) and the folder of captured pages; both change
    // with each opening.
    std::function<std::string()> bookPath;
    std::function<std::string()> tempJPG;
    // Makes `row` the table's current row and shows its chapter, as a click on the row does.
    std::function<void(std::int32_t row)> selectRow;
};

// A chapter that the conversion is about to capture: its row, its place among the chapters and its title.
struct ChapterStep {
    std::int32_t row = 0;
    int number = 0;
    int count = 0;
    std::string title;
};

// The two conversion commands. Each walks the book's chapters in table order: shows the chapter, waits for
// it to load, sizes the view to the page's full scroll size plus two scroll-bar widths, captures it, and puts
// the view back. Convert to PDF captures into the page files of tempJPG and writes one PDF of them; Convert to
// JPG writes one numbered JPEG file per chapter next to the chosen name. At the end the chosen file's folder
// is opened; chapters without a capture are then named in an error.
class BookConverter {
public:
    explicit BookConverter(ConversionContext context);

    // A chapter that has not finished loading by then ends the conversion with an error naming it.
    std::chrono::milliseconds chapterTimeout = std::chrono::seconds(60);
    // Told of each chapter before it is captured (the command-line tool prints it).
    std::function<void(const ChapterStep&)> onChapter;

    void ConverttoPDF1Click();
    void ConverttoJPG1Click();
    // The PDF writer's progress report: handles waiting events and moves the progress bar one step.
    void ConvertProgress(const std::string& text, std::int32_t total, std::int32_t done);

    bool Running() const { return running_; }
    // Asks the running conversion to stop at its next wait or step: it writes no PDF, removes the JPEG files it
    // wrote, shows no message and (when `quietly`, as when the program closes) opens no folder.
    void Cancel(bool quietly = false);

private:
    enum class Target { Pdf, Jpg };
    struct Missing {
        std::int32_t row;
        std::string title;
        std::string reason;
    };

    static std::string MissingReport(const std::vector<Missing>& missing);
    void Convert(Target target);
    bool Prepare();
    std::vector<std::int32_t> ChapterRows() const;
    void CaptureChapters(Target target, const std::string& chosen, std::vector<std::string>& written,
                         std::vector<Missing>& missing);
    void CaptureChapter(std::int32_t row, const std::string& fileName, std::vector<std::string>& written,
                        std::vector<Missing>& missing);
    void WritePdf(const std::vector<std::string>& pages, const std::string& outFile);
    void ThrowIfCancelled() const;
    void Advance();

    ConversionContext c_;
    bool running_ = false;
    bool cancelled_ = false;
    bool quiet_ = false;
    int progress_ = 0;
};

} // namespace qm
