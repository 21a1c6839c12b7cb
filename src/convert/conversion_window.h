#pragma once

namespace qm {

// What a conversion asks of the main window besides the page view, the dialogs and the shell.
class ConversionWindow {
public:
    virtual ~ConversionWindow() = default;

    // Shows the page view (before the first book the page area shows a hint instead) and maximises the window.
    virtual void ShowBrowser() = 0;
    virtual void Maximise() = 0;

    // The progress bar: shown at 0 of `steps`, moved to `done` steps, hidden.
    virtual void ShowProgress(int steps) = 0;
    virtual void SetProgress(int done) = 0;
    virtual void HideProgress() = 0;

    // While a conversion runs the window takes no command but cancel: the table of contents, the zoom and the
    // open and convert commands are locked, while the window still paints.
    virtual void LockInput(bool locked) = 0;
};

} // namespace qm
