#pragma once

#include <QImage>

namespace qm::art {

// The application's icon: an open book with a quill on the frame's slate, `size` pixels square.
QImage PaintAppIcon(int size);

} // namespace qm::art
