#pragma once

#include <QRgb>

// The colours of the skinned frame, shared by the window and the artwork generator so that painted pictures
// and painted panels match.
namespace qm::theme {

inline constexpr QRgb kTitleTop = 0xFF34495E;    // title bar gradient, top row
inline constexpr QRgb kTitleBottom = 0xFF22313F; // title bar gradient, bottom row
inline constexpr QRgb kFrame = 0xFF22313F;       // frame strips and panels
inline constexpr QRgb kFrameLight = 0xFF3B5064;  // highlight lines of the strips
inline constexpr QRgb kFrameDark = 0xFF151F28;   // shadow lines of the strips
inline constexpr QRgb kAccent = 0xFFE8A33D;      // the quill, progress, the selected chapter's mark
inline constexpr QRgb kIcon = 0xFFE8EEF3;        // icons and captions of the buttons
inline constexpr QRgb kClose = 0xFFC8413B;       // the close button under the pointer
inline constexpr QRgb kPage = 0xFFFFFFFF;        // the panel behind the page view
inline constexpr QRgb kGrid = 0xFFF5F6F8;        // the table of contents
inline constexpr QRgb kGridFixed = 0xFFE3E7EB;   // its fixed number column
inline constexpr QRgb kGridText = 0xFF22313F;
inline constexpr QRgb kGridTextLocked = 0xFF9AA5B1; // while a conversion runs
inline constexpr QRgb kGridSelected = 0xFFFBE3BD;
inline constexpr QRgb kStatusText = 0xFFFFFFFF;

} // namespace qm::theme
