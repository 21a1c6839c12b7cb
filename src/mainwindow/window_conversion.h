#pragma once

#include "convert/book_converter.h"
#include "convert/conversion_window.h"

namespace qm {

class TForm1;

// The main window as the conversion commands see it: its page area, its maximised state, the progress bar
// under the table of contents (which names the chapter being captured, then the PDF being written), the
// Cancel button under it, and the controls that are locked while a conversion runs.
class WindowConversion final : public ConversionWindow {
public:
    explicit WindowConversion(TForm1& form) : form_(form) {}

    void ShowBrowser() override;
    void Maximise() override;
    void ShowProgress(int steps) override;
    void SetProgress(int done) override;
    void HideProgress() override;
    void LockInput(bool locked) override;
    // The chapter about to be captured: the bar reads "chapter n of N".
    void ShowChapter(const ChapterStep& step);

private:
    TForm1& form_;
    // Chapters have been named since the bar was last hidden: the bar shown again counts the PDF's pages.
    bool chaptersNamed_ = false;
};

} // namespace qm
