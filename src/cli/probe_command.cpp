#include "cli/probe_command.h"

#include "jpeg2pdf2/jpeg_probe.h"

#include <iostream>

namespace qm::cli {

int RunProbe(const std::vector<std::string>& args) {
    bool allAccepted = true;
    for (const std::string& file : args) {
        const JpegProbe probe = ProbeJpeg(file);
        if (probe.accepted) {
            std::cout << file << '\t' << probe.info.W << '\t' << probe.info.H << '\t'
                      << (probe.info.CMYK ? "CMYK" : "RGB") << '\n';
        } else {
            std::cout << file << "\trefused\t" << probe.reason << '\n';
            allAccepted = false;
        }
    }
    std::cout.flush();
    return allAccepted ? 0 : 1;
}

} // namespace qm::cli
