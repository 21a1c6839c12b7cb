#pragma once

#include <QImage>
#include <QPainter>
#include <QString>

namespace qm::art {

// A transparent picture of the given size, with a painter set up for smooth drawing.
class Canvas {
public:
    Canvas(int width, int height);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    QPainter& painter() { return painter_; }
    // Ends painting and returns the picture.
    QImage Finish();

private:
    QImage image_;
    QPainter painter_;
};

// A font of the given family and pixel size; bold when `bold`.
QFont ArtFont(const QString& family, int pixelSize, bool bold);

} // namespace qm::art
