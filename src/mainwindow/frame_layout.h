#pragma once

// The window's layout in pixels: the frame, the title bar and the places of its buttons. The artwork
// generator paints every picture at the size given here.
namespace qm::layout {

inline constexpr int kWindowWidth = 811;
inline constexpr int kWindowHeight = 553;
// Below this the command row and the window buttons would overlap.
inline constexpr int kMinimumWidth = 660;
inline constexpr int kMinimumHeight = 360;
// The corner ellipse of the window's outline.
inline constexpr int kCornerEllipse = 6;
// The outer panel's raised bevel, on every side.
inline constexpr int kBevel = 4;

inline constexpr int kTitleHeight = 112;
inline constexpr int kTitleLeftWidth = 730;  // Image2, left aligned
inline constexpr int kTitleMiddleWidth = 30; // Image4, stretched between the two others
inline constexpr int kTitleRightWidth = 12;  // Image6, right aligned

inline constexpr int kCommandWidth = 64;
inline constexpr int kCommandHeight = 65;
inline constexpr int kCommandTop = 41;
inline constexpr int kFirstCommandLeft = 14;
inline constexpr int kSecondCommandLeft = 93;
inline constexpr int kCommandPitch = 77;
inline constexpr int kCommandCount = 8;
inline constexpr int kSeparatorWidth = 1;
inline constexpr int kSeparatorHeight = 40;
inline constexpr int kSeparatorTop = 53;
inline constexpr int kSeparatorGap = 7; // between a separator and the button right of it

inline constexpr int kMinWidth = 26;
inline constexpr int kMaxWidth = 25;
inline constexpr int kCloseWidth = 45;
inline constexpr int kWindowButtonHeight = 18;
inline constexpr int kWindowButtonTop = 6;
// The minimise button's left edge, from the window's right edge.
inline constexpr int kMinFromRight = 106;

inline constexpr int kLeftPanelWidth = 171;
inline constexpr int kLeftColumns[3] = {14, 145, 12};
// The splitter lets the reader widen the left panel for long titles, or narrow it, within these bounds; its
// invisible handle is this wide, centred on the boundary.
inline constexpr int kLeftPanelLeast = 120;
inline constexpr int kPageAreaLeast = 300;
inline constexpr int kSplitterGrip = 8;
inline constexpr int kPageLeftColumn = 11;
inline constexpr int kPageRightColumn = 14;
inline constexpr int kStripTop = 15;
inline constexpr int kStripBottom = 33;
inline constexpr int kLeftPanelCornerBottom = 32; // the left panel's left column has a lower bottom piece
inline constexpr int kProgressHeight = 17;
inline constexpr int kStatusOffset = 10; // Label1, from the left and the top of the page area's bottom strip

// Sizes at creation, derived from the above.
inline constexpr int kPanelHeight = kWindowHeight - 2 * kBevel - kTitleHeight;
inline constexpr int kPageAreaWidth = kWindowWidth - 2 * kBevel - kLeftPanelWidth;
inline constexpr int kPageMiddleWidth = kPageAreaWidth - kPageLeftColumn - kPageRightColumn;

// The left edge of command button `index` (0 for the first) in the title bar.
constexpr int CommandLeft(int index) {
    return index == 0 ? kFirstCommandLeft : kSecondCommandLeft + (index - 1) * kCommandPitch;
}

// The minimise button's left edge in the title bar, for a window `windowWidth` wide; the maximise and close
// buttons follow it, a pixel apart.
constexpr int MinLeft(int windowWidth) {
    return windowWidth - kMinFromRight;
}

} // namespace qm::layout
