#pragma once

namespace qm {

// Makes the window's pictures (":/pictures/<name>.png") and the application icon (":/icons/quillmark.png")
// available. Call it before the first picture is loaded; calling it again does no harm.
void LoadArtwork();

} // namespace qm
