#include "art_painter.h"

namespace qm::art {

Canvas::Canvas(int width, int height) : image_(width, height, QImage::Format_ARGB32_Premultiplied) {
    image_.fill(Qt::transparent);
    painter_.begin(&image_);
    painter_.setRenderHint(QPainter::Antialiasing);
    painter_.setRenderHint(QPainter::TextAntialiasing);
}

QImage Canvas::Finish() {
    painter_.end();
    return image_;
}

QFont ArtFont(const QString& family, int pixelSize, bool bold) {
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

} // namespace qm::art
