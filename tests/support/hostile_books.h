#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::test {

// Books that try to reach outside themselves or to break a conversion, one fault each, for the window and the
// command line alike. Each book's chapters show the colour kChapterColour unless something went wrong; a
// page that shows kSecretColour shows the outside file `secretPage` (an HTML page of that colour).
inline constexpr std::uint32_t kChapterColour = 0x20a040;
inline constexpr std::uint32_t kSecretColour = 0xff00ff;

struct HostileBook {
    std::string name;
    // The book's file, written by WriteHostileBooks.
    std::string path;
    // Chapters, by table row, that must have no page; the others must have one. A page that follows itself
    // may be captured rightly or named (`mayMiss`), but never captured wrongly.
    std::vector<int> missingRows;
    bool mayMiss = false;
    int chapters = 0;
    // The chapter at which the test ends the page's process (0: none).
    int crashAtChapter = 0;
    // Its missing chapters are refused at once, not when a load's time runs out.
    bool refusedAtOnce = false;
};

// Writes the outside page and one book per fault into `folder`; the books' scripts call home to
// 127.0.0.1:`port`, over TCP and (peer connections) UDP.
std::vector<HostileBook> WriteHostileBooks(const std::string& folder, const std::string& secretPage, int port);

// A book of one chapter whose script, when it runs, paints the body red.
void WriteScriptColourBook(const std::string& path);

// The outside page: an HTML file of kSecretColour.
void WriteSecretPage(const std::string& path);

} // namespace qm::test
