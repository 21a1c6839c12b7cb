#pragma once

#include <QImage>
#include <QString>

namespace qm::art {

// A state picture of a picture button, named after the button and the state ("ImageOpenEnter"); a null image
// for a name that is not one of them.
QImage PaintButtonPicture(const QString& name);

} // namespace qm::art
