#pragma once

#include <QImage>
#include <QString>

namespace qm::art {

// The title pieces (Image2, Image4, Image6), the separator and the frame strips around the table of contents
// and the page, by name; a null image for a name that is not one of them.
QImage PaintFramePicture(const QString& name);

} // namespace qm::art
