#include "xml/casefold.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "platform/codepage.h"

namespace xml {
namespace {

struct FoldPair {
    std::uint32_t from;
    std::uint32_t to;
};

constexpr FoldPair kSimpleFolding[] = {
#include "xml/casefold_table.inc"
};

char32_t simpleFold(char32_t c) {
    const auto at = std::lower_bound(std::begin(kSimpleFolding), std::end(kSimpleFolding), c,
                                     [](const FoldPair& pair, char32_t value) { return pair.from < value; });
    return at != std::end(kSimpleFolding) && at->from == c ? at->to : c;
}

// Decodes the code point at `i` of valid UTF-8 and moves `i` past it.
char32_t nextCodePoint(std::string_view text, size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) return lead;
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    char32_t c = lead & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) c = (c << 6) | (static_cast<unsigned char>(text[i++]) & 0x3Fu);
    return c;
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool sameUnicodeNoCase(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size())
        if (simpleFold(nextCodePoint(a, i)) != simpleFold(nextCodePoint(b, j))) return false;
    return i == a.size() && j == b.size();
}

bool sameWin1251NoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = a.size(); i-- > 0;) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y && platform::kWin1251Upper[x] != platform::kWin1251Upper[y]) return false;
    }
    return true;
}

}  // namespace

bool SameTextNoCase(std::string_view a, std::string_view b) {
    if (isAscii(a) && isAscii(b)) return sameWin1251NoCase(a, b);
    if (platform::isValidUtf8(a) && platform::isValidUtf8(b)) return sameUnicodeNoCase(a, b);
    return sameWin1251NoCase(a, b);
}

}  // namespace xml
