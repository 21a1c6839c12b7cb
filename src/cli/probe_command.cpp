#include "cli/probe_command.h"

#include <cstdint>
#include <iostream>

#include "jpeg2pdf2/jpeg2pdf2.h"

namespace qm::cli {

int RunProbe(const std::vector<std::string>& args) {
    bool allAccepted = true;
    for (const std::string& file : args) {
        std::int32_t width = 0;
        std::int32_t height = 0;
        bool cmyk = false;
        if (GetInfosJPG(file, width, height, cmyk)) {
            std::cout << file << '\t' << width << '\t' << height << '\t' << (cmyk ? "CMYK" : "RGB") << '\n';
        } else {
            std::cout << file << "\trefused\n";
            allAccepted = false;
        }
    }
    std::cout.flush();
    return allAccepted ? 0 : 1;
}

} // namespace qm::cli
