#pragma once

#include "mainwindow/frame_layout.h"
#include "view/reading_look.h"

#include <QObject>
#include <QPointer>
#include <QRect>

#include <array>
#include <cstdint>
#include <functional>

class QWidget;

namespace qm {

class TForm1;
class TPicture;

// The main window's skinned frame: the hidden store of the buttons' state pictures, the outer panel with its
// bevel, the picture title bar with the command and window buttons, the left panel and the page area cut into
// picture strips, and the controls that stand in them (the table StringGrid1, the progress bar ProgressBar1,
// the white panel Panel1 with the page view WebBrowser1, the start page LabelStart, the status caption
// Label1). It builds them into the window's fields and keeps them in place: the rounded outline, the window
// buttons at the right end of the title bar, the maximised state with its height rule, and the resize band
// along the window's edge, offered over every control. What the buttons do is the window's business.
class SkinnedFrame final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SkinnedFrame)

public:
    // Builds the frame into `form`. `selectRow` runs for a row the user moves to in the table; it must not
    // throw.
    SkinnedFrame(TForm1& form, std::function<void(std::int32_t)> selectRow);
    ~SkinnedFrame() override;

    // The frame's steps of the creation handler: outline, hidden picture store, window buttons, status caption.
    void SetUp();
    // The resize handler: outline, places, window buttons; a maximised window keeps its height.
    void Resize();
    void LayoutTitleButtons();

    // The frame keeps its maximised state itself: maximised, it covers the width of the primary screen's free
    // area and the screen's height less 40 pixels, a size the window system's own maximised state would not
    // keep. A window that the window system maximised counts as maximised too.
    bool IsMaximised() const;
    void SetMaximised(bool maximised);
    // Swaps the maximise and restore buttons and the state: a normal window is maximised, any other restored.
    void ToggleMaximised();

    // The left panel's width as the reader set it with the splitter; the frame keeps the page area at least
    // layout::kPageAreaLeast wide. SetTocWidth takes any width and keeps it within the splitter's bounds.
    int TocWidth() const { return tocWidth_; }
    void SetTocWidth(int width);

    // The tabs "Chapters" and "Contents" above the table, shown while a book is open; the table or the
    // contents tree below them, as the tab chosen says.
    void ShowTocTabs(bool shown);
    void ShowTocView();

    // The page area and the table in the colours of the reader's theme.
    void MatchTheme(LookTheme theme);

    // The reading mode: the window on the full screen with nothing but the page. The title bar comes while the
    // pointer is at the screen's top edge; the status line comes over the page's foot while it says something
    // brief (RevealStatus). Toggling again goes back to the state before it (normal or maximised).
    void ToggleFullScreen();
    bool InReadingMode() const;
    void RevealStatus(bool revealed);

    // The window's place and size in its normal state, also while it is maximised or full screen.
    QRect NormalGeometry() const;
    // Puts the window at `normal` (when that lies on a screen and is at least the window's least size), then
    // maximises it when asked.
    void RestorePlacement(const QRect& normal, bool maximised);

    // A left press on a title piece of a normal window arms the move, which starts with the first drag, so
    // that a double-click still arrives; a double-click disarms it.
    void ArmMove(Qt::MouseButton button);
    void DragTitle();
    void DisarmMove();

    // From now on the frame sees the pointer's events before the controls do, for the resize band; until
    // StopWatching, which must run before the window's controls go.
    void WatchPointer();
    void StopWatching();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildPictureStore();
    void BuildTitleBar();
    void BuildPanels(std::function<void(std::int32_t)> selectRow);
    void Place();
    void PlacePanels(int inner);
    void PlaceOverPage();
    void PlaceLabel1();
    void ShowFrame(bool shown);
    void RevealTitle(bool revealed);
    void FollowPointerForTitle(QPoint global);
    int MostTocWidth() const;
    int ShownTocWidth() const;
    QRect MaximisedGeometry() const;
    bool FilterBandEvent(QWidget* widget, QEvent* event);

    TForm1& form_;
    // The frame pieces besides the named ones, by panel: left column top, middle, bottom; middle column top;
    // right column top, middle, bottom.
    std::array<TPicture*, 7> tocPieces_{};
    std::array<TPicture*, 7> pagePieces_{};
    std::array<TPicture*, layout::kCommandCount - 1> separators_{};
    int tocWidth_;
    bool maximised_ = false;
    QRect normalGeometry_;
    QRect beforeFullScreen_;
    bool titleRevealed_ = false;
    bool statusRevealed_ = false;
    bool moveArmed_ = false;
    bool bandPress_ = false;
    bool watching_ = false;
    QPointer<QWidget> bandCursorWidget_;
};

} // namespace qm
