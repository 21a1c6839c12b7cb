// quillmark-render: the conversion of quillmark-cli convert, with the browser engine. quillmark-cli starts it,
// so that its other commands never load the engine.
#include "render/render_command.h"

#include <malloc.h>

#include <string>
#include <vector>

int main(int argc, char** argv) {
    // Every tile goes through buffers of tens of megabytes (a frame of 4,096 rows, the encoder's coefficients).
    // Kept in the heap and reused, they are not mapped afresh and faulted in page by page for every tile; the
    // process keeps at most its largest round of them.
    mallopt(M_MMAP_THRESHOLD, 128 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    return qm::render::RunRender(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
}
