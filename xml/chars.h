#pragma once
// Byte classes of the XML scanner, one 256-entry table of flags.
#include <cstdint>

namespace xml {

enum : std::uint8_t {
    kWhite = 0x01,      // TAB, LF, CR, space: the only white space the scanner knows
    kNameStart = 0x02,  // ':', 'A'-'Z', '_', 'a'-'z', 0xC0-0xFF except 0xD7 and 0xF7
    kTextStop = 0x04,   // '<', '&' and the zero: where a run of character content stops
    kQuote = 0x08,      // '"' and '\''
};

struct CharClassTable {
    std::uint8_t flags[256] = {};
    constexpr CharClassTable() {
        flags[9] = flags[10] = flags[13] = flags[32] = kWhite;
        flags[static_cast<unsigned char>(':')] |= kNameStart;
        flags[static_cast<unsigned char>('_')] |= kNameStart;
        for (int c = 'A'; c <= 'Z'; ++c) flags[c] |= kNameStart;
        for (int c = 'a'; c <= 'z'; ++c) flags[c] |= kNameStart;
        for (int c = 0xC0; c <= 0xFF; ++c)
            if (c != 0xD7 && c != 0xF7) flags[c] |= kNameStart;
        flags[0] |= kTextStop;
        flags[static_cast<unsigned char>('<')] |= kTextStop;
        flags[static_cast<unsigned char>('&')] |= kTextStop;
        flags[static_cast<unsigned char>('"')] |= kQuote;
        flags[static_cast<unsigned char>('\'')] |= kQuote;
    }
};

inline constexpr CharClassTable kCharClasses{};

inline bool hasClass(char c, std::uint8_t mask) {
    return (kCharClasses.flags[static_cast<unsigned char>(c)] & mask) != 0;
}
inline bool isWhite(char c) { return hasClass(c, kWhite); }
inline bool isNameStart(char c) { return hasClass(c, kNameStart); }
inline bool isQuote(char c) { return hasClass(c, kQuote); }

}  // namespace xml
