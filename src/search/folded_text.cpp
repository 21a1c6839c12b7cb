#include "search/folded_text.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <stdexcept>

namespace qm {

namespace {

const icu::Normalizer2& Decomposition() {
    UErrorCode error = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(error);
    if (U_FAILURE(error) || nfd == nullptr) {
        throw std::runtime_error(std::string("Unicode decomposition data is missing: ") + u_errorName(error));
    }
    return *nfd;
}

void AppendFolded(FoldedText& out, UChar32 code, std::uint32_t origin) {
    if (u_charType(code) == U_NON_SPACING_MARK) {
        return;
    }
    const UChar32 folded =
        code < 0x80 ? (code >= 'A' && code <= 'Z' ? code + 32 : code) : u_foldCase(code, U_FOLD_CASE_DEFAULT);
    out.folded += static_cast<char32_t>(folded);
    out.origin.push_back(origin);
}

} // namespace

FoldedText FoldForSearch(std::string_view utf8) {
    static const icu::Normalizer2& nfd = Decomposition();
    FoldedText out;
    out.folded.reserve(utf8.size());
    out.origin.reserve(utf8.size() + 1);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(utf8.data());
    const auto length = static_cast<std::int32_t>(utf8.size());
    icu::UnicodeString decomposed;
    std::int32_t at = 0;
    while (at < length) {
        const auto start = static_cast<std::uint32_t>(at);
        UChar32 code = 0;
        U8_NEXT(bytes, at, length, code);
        if (code < 0) {
            code = 0xFFFD;
        }
        // Plain ASCII needs no decomposition; most of a Latin book is.
        if (code < 0x80 || !nfd.getDecomposition(code, decomposed)) {
            AppendFolded(out, code, start);
            continue;
        }
        for (std::int32_t i = 0; i < decomposed.length();) {
            const UChar32 part = decomposed.char32At(i);
            AppendFolded(out, part, start);
            i += U16_LENGTH(part);
        }
    }
    out.origin.push_back(static_cast<std::uint32_t>(utf8.size()));
    return out;
}

} // namespace qm
