// quillmark-render: the conversion of quillmark-cli convert, with the browser engine. quillmark-cli starts it,
// so that its other commands never load the engine.
#include "render/render_command.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    return qm::render::RunRender(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
}
