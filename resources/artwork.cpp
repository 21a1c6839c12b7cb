#include "artwork.h"

#include <QtCore/qglobal.h>

// The resource's initialiser has a global name, and a static library keeps it only when it is called.
static void InitQuillmarkResources() {
    Q_INIT_RESOURCE(quillmark);
}

namespace qm {

void LoadArtwork() {
    InitQuillmarkResources();
}

} // namespace qm
