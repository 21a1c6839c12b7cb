#include "frame_art.h"

#include "art_painter.h"
#include "mainwindow/frame_layout.h"
#include "mainwindow/theme.h"
#include "quill.h"

#include <QLinearGradient>
#include <QMap>
#include <QRect>

#include <algorithm>

namespace qm::art {

namespace {

using namespace layout;

// Every frame piece is a cell of a panel; the content (table or page) sits in a well whose edge is a dark
// line with a light line outside it. A piece is painted from its place and the content's place in the
// panel, both at the window's size at creation, so that lines meet across pieces.
struct PanelPiece {
    QRect piece;
    QRect content;
};

QMap<QString, PanelPiece> FramePieces() {
    const int h = kPanelHeight;
    const int middle = h - kStripTop - kStripBottom;
    const QRect toc(kLeftColumns[0], kStripTop, kLeftColumns[1], middle);
    const int tocRight = kLeftColumns[0] + kLeftColumns[1];
    const QRect page(kPageLeftColumn, kStripTop, kPageMiddleWidth, middle);
    const int pageRight = kPageLeftColumn + kPageMiddleWidth;
    return {
        {"ImageTocTopLeft", {{0, 0, kLeftColumns[0], kStripTop}, toc}},
        {"ImageTocLeft", {{0, kStripTop, kLeftColumns[0], h - kStripTop - kLeftPanelCornerBottom}, toc}},
        {"ImageTocBottomLeft", {{0, h - kLeftPanelCornerBottom, kLeftColumns[0], kLeftPanelCornerBottom}, toc}},
        {"ImageTocTop", {{kLeftColumns[0], 0, kLeftColumns[1], kStripTop}, toc}},
        {"Image3", {{kLeftColumns[0], h - kStripBottom, kLeftColumns[1], kStripBottom}, toc}},
        {"ImageTocTopRight", {{tocRight, 0, kLeftColumns[2], kStripTop}, toc}},
        {"ImageTocRight", {{tocRight, kStripTop, kLeftColumns[2], middle}, toc}},
        {"ImageTocBottomRight", {{tocRight, h - kStripBottom, kLeftColumns[2], kStripBottom}, toc}},
        {"ImagePageTopLeft", {{0, 0, kPageLeftColumn, kStripTop}, page}},
        {"ImagePageLeft", {{0, kStripTop, kPageLeftColumn, middle}, page}},
        {"ImagePageBottomLeft", {{0, h - kStripBottom, kPageLeftColumn, kStripBottom}, page}},
        {"ImagePageTop", {{kPageLeftColumn, 0, kPageMiddleWidth, kStripTop}, page}},
        {"ImagePageBottom", {{kPageLeftColumn, h - kStripBottom, kPageMiddleWidth, kStripBottom}, page}},
        {"ImagePageTopRight", {{pageRight, 0, kPageRightColumn, kStripTop}, page}},
        {"ImagePageRight", {{pageRight, kStripTop, kPageRightColumn, middle}, page}},
        {"ImagePageBottomRight", {{pageRight, h - kStripBottom, kPageRightColumn, kStripBottom}, page}},
    };
}

QImage PaintPanelPiece(const PanelPiece& panel) {
    QImage image(panel.piece.size(), QImage::Format_ARGB32_Premultiplied);
    const QRect& c = panel.content;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int px = panel.piece.x() + x;
            const int py = panel.piece.y() + y;
            const int dx = std::max({c.left() - px, 0, px - c.right()});
            const int dy = std::max({c.top() - py, 0, py - c.bottom()});
            const int ring = std::max(dx, dy);
            image.setPixel(x, y, ring == 1 ? theme::kFrameDark : ring == 2 ? theme::kFrameLight : theme::kFrame);
        }
    }
    return image;
}

QImage PaintTitlePiece(int width, bool withMark) {
    Canvas canvas(width, kTitleHeight);
    QPainter& p = canvas.painter();
    QLinearGradient fill(0, 0, 0, kTitleHeight);
    fill.setColorAt(0, QColor::fromRgb(theme::kTitleTop));
    fill.setColorAt(1, QColor::fromRgb(theme::kTitleBottom));
    p.fillRect(0, 0, width, kTitleHeight, fill);
    p.fillRect(0, 0, width, 1, QColor::fromRgb(theme::kFrameLight));
    p.fillRect(0, kTitleHeight - 1, width, 1, QColor::fromRgb(theme::kFrameDark));
    if (withMark) {
        PaintQuill(p, QRectF(16, 7, 24, 26), QColor::fromRgb(theme::kAccent), QColor::fromRgb(theme::kIcon));
        p.setPen(QColor::fromRgb(theme::kIcon));
        p.setFont(ArtFont("DejaVu Serif", 20, true));
        p.drawText(QPointF(46, 28), "Quillmark");
        const int wordWidth = QFontMetrics(p.font()).horizontalAdvance("Quillmark");
        p.setPen(QColor(0x9F, 0xB3, 0xC8));
        p.setFont(ArtFont("DejaVu Sans", 11, false));
        p.drawText(QPointF(46 + wordWidth + 10, 27), "EPUB reader and converter");
    }
    return canvas.Finish();
}

QImage PaintSeparator() {
    Canvas canvas(kSeparatorWidth, kSeparatorHeight);
    QLinearGradient line(0, 0, 0, kSeparatorHeight);
    line.setColorAt(0, QColor(255, 255, 255, 0));
    line.setColorAt(0.5, QColor(255, 255, 255, 70));
    line.setColorAt(1, QColor(255, 255, 255, 0));
    canvas.painter().fillRect(0, 0, kSeparatorWidth, kSeparatorHeight, line);
    return canvas.Finish();
}

} // namespace

QImage PaintFramePicture(const QString& name) {
    if (name == "Image2") {
        return PaintTitlePiece(kTitleLeftWidth, true);
    }
    if (name == "Image4") {
        return PaintTitlePiece(kTitleMiddleWidth, false);
    }
    if (name == "Image6") {
        return PaintTitlePiece(kTitleRightWidth, false);
    }
    if (name == "ImageSeparator") {
        return PaintSeparator();
    }
    const QMap<QString, PanelPiece> pieces = FramePieces();
    if (const auto piece = pieces.find(name); piece != pieces.end()) {
        return PaintPanelPiece(*piece);
    }
    return {};
}

} // namespace qm::art
