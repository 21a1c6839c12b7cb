#include "button_art.h"

#include "art_painter.h"
#include "mainwindow/frame_layout.h"
#include "mainwindow/theme.h"

#include <QPainterPath>

#include <functional>

namespace qm::art {

namespace {

using namespace layout;

enum class State { Norm, Enter, Down };

// Draws a command's icon in a 32 x 32 box at the painter's origin, with the painter's pen.
using IconPainter = std::function<void(QPainter&)>;

void Magnifier(QPainter& p) {
    p.drawEllipse(QPointF(13.5, 13.5), 9.5, 9.5);
    QPen handle = p.pen();
    handle.setWidthF(4.2);
    p.save();
    p.setPen(handle);
    p.drawLine(QPointF(21, 21), QPointF(28.5, 28.5));
    p.restore();
}

void OpenIcon(QPainter& p) {
    QPainterPath back;
    back.moveTo(3, 27);
    back.lineTo(3, 6);
    back.lineTo(11, 6);
    back.lineTo(14, 9);
    back.lineTo(25, 9);
    back.lineTo(25, 13);
    p.drawPath(back);
    QPainterPath front;
    front.moveTo(3, 27);
    front.lineTo(8, 14);
    front.lineTo(30, 14);
    front.lineTo(25, 27);
    front.closeSubpath();
    p.drawPath(front);
}

void ConvertIcon(QPainter& p) {
    QPainterPath page;
    page.moveTo(4, 3);
    page.lineTo(15, 3);
    page.lineTo(20, 8);
    page.lineTo(20, 17);
    page.moveTo(13, 28);
    page.lineTo(4, 28);
    page.closeSubpath();
    page.moveTo(4, 3);
    page.lineTo(4, 28);
    p.drawPath(page);
    p.drawLine(QPointF(15, 3), QPointF(15, 8));
    p.drawLine(QPointF(15, 8), QPointF(20, 8));
    for (const double y : {12.0, 16.5, 21.0}) {
        p.drawLine(QPointF(8, y), QPointF(y < 20 ? 16 : 11, y));
    }
    QPainterPath arrow;
    arrow.moveTo(16, 24);
    arrow.lineTo(29, 24);
    arrow.moveTo(24, 19);
    arrow.lineTo(29, 24);
    arrow.lineTo(24, 29);
    p.drawPath(arrow);
}

void ZoomInIcon(QPainter& p) {
    Magnifier(p);
    p.drawLine(QPointF(9, 13.5), QPointF(18, 13.5));
    p.drawLine(QPointF(13.5, 9), QPointF(13.5, 18));
}

void ZoomOutIcon(QPainter& p) {
    Magnifier(p);
    p.drawLine(QPointF(9, 13.5), QPointF(18, 13.5));
}

void OriginalIcon(QPainter& p) {
    Magnifier(p);
    p.setFont(ArtFont("DejaVu Sans", 9, true));
    p.drawText(QRectF(4, 4, 19, 19), Qt::AlignCenter, "1:1");
}

void LookIcon(QPainter& p) {
    p.setFont(ArtFont("DejaVu Serif", 21, true));
    p.drawText(QRectF(0, 0, 32, 30), Qt::AlignCenter, "Aa");
}

void HomeIcon(QPainter& p) {
    QPainterPath house;
    house.moveTo(3, 16);
    house.lineTo(16, 4);
    house.lineTo(29, 16);
    p.drawPath(house);
    QPainterPath body;
    body.moveTo(7, 13);
    body.lineTo(7, 28);
    body.lineTo(25, 28);
    body.lineTo(25, 13);
    p.drawPath(body);
    p.drawRect(QRectF(13.5, 19, 5, 9));
}

void HelpIcon(QPainter& p) {
    p.drawEllipse(QPointF(16, 16), 13, 13);
    p.setFont(ArtFont("DejaVu Sans", 18, true));
    p.drawText(QRectF(3, 3, 26, 27), Qt::AlignCenter, "?");
}

struct CommandArt {
    const char* name;
    const char* caption;
    IconPainter icon;
};

const CommandArt kCommands[] = {
    {"ImageOpen", "Open", OpenIcon},           {"ImageConvert", "Convert", ConvertIcon},
    {"ImageZoomIn", "Zoom in", ZoomInIcon},    {"ImageZoomOut", "Zoom out", ZoomOutIcon},
    {"ImageOriginal", "Actual", OriginalIcon}, {"ImageLook", "Look", LookIcon},
    {"ImageHome", "Home", HomeIcon},           {"ImageHelp", "Help", HelpIcon},
};

QImage PaintCommand(const CommandArt& art, State state) {
    Canvas canvas(kCommandWidth, kCommandHeight);
    QPainter& p = canvas.painter();
    const QRectF face(0.5, 0.5, kCommandWidth - 1, kCommandHeight - 1);
    if (state == State::Enter) {
        p.setPen(QColor(255, 255, 255, 70));
        p.setBrush(QColor(255, 255, 255, 28));
        p.drawRoundedRect(face, 8, 8);
    } else if (state == State::Down) {
        p.setPen(QColor(0, 0, 0, 110));
        p.setBrush(QColor(0, 0, 0, 80));
        p.drawRoundedRect(face, 8, 8);
    }
    // Pressed, the face sinks by a pixel and lights up in the accent colour.
    const QColor ink = QColor::fromRgb(state == State::Down ? theme::kAccent : theme::kIcon);
    const QPointF sink = state == State::Down ? QPointF(1, 1) : QPointF(0, 0);
    p.save();
    p.translate(QPointF(16, 7) + sink);
    p.setPen(QPen(ink, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    art.icon(p);
    p.restore();
    p.setPen(ink);
    p.setFont(ArtFont("DejaVu Sans", 11, state != State::Norm));
    p.drawText(QRectF(0, 43, kCommandWidth, 16).translated(sink), Qt::AlignHCenter | Qt::AlignVCenter, art.caption);
    return canvas.Finish();
}

enum class Glyph { Min, Max, Restore, Close };

struct WindowButtonArt {
    const char* name;
    int width;
    Glyph glyph;
};

const WindowButtonArt kWindowButtons[] = {
    {"ImageMin", kMinWidth, Glyph::Min},
    {"ImageMax", kMaxWidth, Glyph::Max},
    {"ImageMax2", kMaxWidth, Glyph::Restore},
    {"ImageClose", kCloseWidth, Glyph::Close},
};

QImage PaintWindowButton(const WindowButtonArt& art, State state) {
    Canvas canvas(art.width, kWindowButtonHeight);
    QPainter& p = canvas.painter();
    const QRectF face(0, 0, art.width, kWindowButtonHeight);
    const bool close = art.glyph == Glyph::Close;
    if (state == State::Enter) {
        p.setPen(Qt::NoPen);
        p.setBrush(close ? QColor::fromRgb(theme::kClose) : QColor(255, 255, 255, 45));
        p.drawRoundedRect(face, 3, 3);
    } else if (state == State::Down) {
        p.setPen(Qt::NoPen);
        p.setBrush(close ? QColor::fromRgb(theme::kClose).darker(130) : QColor(0, 0, 0, 90));
        p.drawRoundedRect(face, 3, 3);
    }
    p.setPen(QPen(QColor::fromRgb(theme::kIcon), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QPointF c(art.width / 2.0, kWindowButtonHeight / 2.0);
    switch (art.glyph) {
    case Glyph::Min:
        p.drawLine(c + QPointF(-4.5, 3.5), c + QPointF(4.5, 3.5));
        break;
    case Glyph::Max:
        p.drawRect(QRectF(c.x() - 4.5, c.y() - 4.5, 9, 9));
        break;
    case Glyph::Restore:
        p.drawRect(QRectF(c.x() - 5, c.y() - 2.5, 7.5, 7.5));
        p.drawPolyline(QPolygonF({c + QPointF(-2.5, -2.5), c + QPointF(-2.5, -5), c + QPointF(5, -5),
                                  c + QPointF(5, 2.5), c + QPointF(2.5, 2.5)}));
        break;
    case Glyph::Close:
        p.drawLine(c + QPointF(-4.5, -4.5), c + QPointF(4.5, 4.5));
        p.drawLine(c + QPointF(-4.5, 4.5), c + QPointF(4.5, -4.5));
        break;
    }
    return canvas.Finish();
}

} // namespace

QImage PaintButtonPicture(const QString& name) {
    const std::pair<const char*, State> states[] = {
        {"Norm", State::Norm}, {"Enter", State::Enter}, {"Down", State::Down}};
    for (const auto& [suffix, state] : states) {
        if (!name.endsWith(suffix)) {
            continue;
        }
        const QString button = name.chopped(static_cast<int>(qstrlen(suffix)));
        for (const CommandArt& art : kCommands) {
            if (button == art.name) {
                return PaintCommand(art, state);
            }
        }
        for (const WindowButtonArt& art : kWindowButtons) {
            if (button == art.name) {
                return PaintWindowButton(art, state);
            }
        }
    }
    return {};
}

} // namespace qm::art
