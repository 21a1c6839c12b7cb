#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// A text folded for matching: each character without case (Unicode case folding) and without diacritics (the
// marks of its canonical decomposition dropped), so that "Éte" and "ete" are equal. CJK, Arabic, Hebrew and
// other scripts without case keep their characters. `origin[i]` is the byte of the UTF-8 text where the
// character that gave folded[i] starts; origin has one more entry, the text's size.
struct FoldedText {
    std::u32string folded;
    std::vector<std::uint32_t> origin;
};

FoldedText FoldForSearch(std::string_view utf8);

} // namespace qm
