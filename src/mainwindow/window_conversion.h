#pragma once

#include "convert/conversion_window.h"

namespace qm {

class TForm1;

// The main window as the conversion commands see it: its page area, its maximised state, the progress bar
// under the table of contents, and the controls that are locked while a conversion runs.
class WindowConversion final : public ConversionWindow {
public:
    explicit WindowConversion(TForm1& form) : form_(form) {}

    void ShowBrowser() override;
    void Maximise() override;
    void ShowProgress(int steps) override;
    void SetProgress(int done) override;
    void HideProgress() override;
    void LockInput(bool locked) override;

private:
    TForm1& form_;
};

} // namespace qm
