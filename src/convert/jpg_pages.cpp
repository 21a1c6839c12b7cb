#include "convert/jpg_pages.h"

#include "convert/output_names.h"
#include "files/output_file.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace qm {

PlacedPages PlaceJpgPages(const std::vector<std::string>& pages, const std::string& chosen,
                          const std::function<TakenName(const std::string& name)>& whenTaken) {
    PlacedPages placed;
    // The names this call took while they were free; they go again when it cannot finish.
    std::vector<std::string> created;
    std::error_code ec;
    try {
        std::int32_t keptRow = 0;
        for (const std::string& page : pages) {
            const auto [row, part] = PageFileOrder(page);
            if (row == keptRow) {
                std::filesystem::remove(page, ec);
                continue;
            }
            const std::string numbered = JpgOutputName(chosen, row);
            const std::string name = part == 1 ? numbered : ContinuationFileName(numbered, part);
            Replacing replacing = Replacing::Refused;
            if (std::filesystem::exists(std::filesystem::symlink_status(name, ec))) {
                const TakenName taken = whenTaken(name);
                if (taken == TakenName::Stop) {
                    throw std::runtime_error("\"" + name + "\" exists: another program wrote it while the book was " +
                                             "converted; it is kept, and no page was written");
                }
                if (taken == TakenName::Keep) {
                    keptRow = part == 1 ? row : keptRow;
                    placed.kept += part == 1 ? 1 : 0;
                    std::filesystem::remove(page, ec);
                    continue;
                }
                replacing = Replacing::Allowed;
            }
            MoveIntoPlace(page, name, replacing);
            placed.files.push_back(name);
            if (replacing == Replacing::Refused) {
                created.push_back(name);
            }
        }
    } catch (const std::runtime_error&) {
        // No set of files mixes two conversions.
        for (const std::string& file : created) {
            std::filesystem::remove(file, ec);
        }
        throw;
    }
    return placed;
}

} // namespace qm
