#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace qm {

// The page file of grid row `row` in the working folder of a PDF conversion: "<tempJPG>/<row>_W.jpg".
std::string PageFileName(const std::string& tempJPG, std::int32_t row);

// The row and part (1, 2, ...) a page file of the working folder stands for: "12_W.jpg" is row 12, part 1;
// "12_W_part2.jpg" its second part; "12.pdf", the chapter PDF printed for row 12, is part 1 of row 12. {0, 0}
// for any other name.
std::pair<std::int32_t, int> PageFileOrder(const std::string& path);

// The name under which an incomplete conversion is written instead of `chosen`, so that a file under the chosen
// name is always a whole book: ".incomplete" goes in front of the file name's extension ("Tale.pdf" gives
// "Tale.incomplete.pdf"; "Tale.jpg" gives "Tale.incomplete.jpg", whose pages are "Tale.incomplete3.jpg"), or at
// the end of a name without one.
std::string IncompleteOutputName(const std::string& chosen);

// The file that Convert to JPG writes for grid row `row`, from the name chosen in the save dialog: the row
// number goes in front of the file name's extension when that is ".jpg" or ".jpeg" in any letter case
// ("Tale.jpg" gives "Tale12.jpg"); any other name gets the number and ".jpg" appended ("Tale" gives
// "Tale12.jpg"). Folder names are never touched.
std::string JpgOutputName(const std::string& chosen, std::int32_t row);

// The file that holds part `part` (2, 3, ...) of a page too tall for one JPEG file: "_part<n>" goes in front
// of the file name's extension ("3_W.jpg" gives "3_W_part2.jpg"), or at the end of a name without one.
std::string ContinuationFileName(const std::string& path, int part);

} // namespace qm
