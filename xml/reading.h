#pragma once
// Small readers over zero-terminated text shared by the scanner and its DTD side. Every reader
// stops at the first zero byte of the text it is given and never moves past it.
#include <cstring>
#include <string>
#include <string_view>

#include "xml/chars.h"

namespace xml::reading {

// A stop set for names: always ">" and the zero, plus the listed characters (and white space).
struct StopSet {
    bool stop[256] = {};
    constexpr StopSet(std::string_view extra, bool white) {
        stop[0] = true;
        stop[static_cast<unsigned char>('>')] = true;
        if (white) stop[9] = stop[10] = stop[13] = stop[32] = true;
        for (char c : extra) stop[static_cast<unsigned char>(c)] = true;
    }
    bool operator()(char c) const { return stop[static_cast<unsigned char>(c)]; }
};

inline constexpr StopSet kElementNameStop{"/", true};
inline constexpr StopSet kAttrNameStop{"/=", true};
inline constexpr StopSet kTargetStop{"?", true};
inline constexpr StopSet kRootNameStop{"[", true};
inline constexpr StopSet kWhiteStop{"", true};
inline constexpr StopSet kAttlistNameStop{"\"#'", true};
inline constexpr StopSet kKeywordStop{"\"'", true};
inline constexpr StopSet kEntityNameStop{"\"'", true};

// Reads a name that includes the character at p, whatever it is, and runs up to the first
// character of the stop set; returns that stopping position. At the zero the name is empty.
inline const char* readName(const char* p, const StopSet& stops, std::string& out) {
    if (*p == 0) {
        out.clear();
        return p;
    }
    const char* q = p + 1;
    while (!stops(*q)) ++q;
    out.assign(p, static_cast<size_t>(q - p));
    return q;
}

// The zero that ends the text p lies in.
inline const char* textEnd(const char* p) { return p + std::strlen(p); }

// The last character of the text, given a position that has at least one character before the zero.
inline const char* lastChar(const char* p) { return textEnd(p) - 1; }

// Reads the quoted literal whose opening quote is at p; returns the position after its closing
// quote, or the zero when it has none (the value then runs to the end of the text).
inline const char* readLiteral(const char* p, std::string& out) {
    const char* body = p + 1;
    if (const char* close = std::strchr(body, *p)) {
        out.assign(body, static_cast<size_t>(close - body));
        return close + 1;
    }
    out.assign(body);
    return textEnd(body);
}

inline bool startsWith(const char* p, std::string_view prefix) {
    return std::strncmp(p, prefix.data(), prefix.size()) == 0;
}

// The text with every white-space byte removed.
inline std::string removeWhite(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (!isWhite(c)) out += c;
    return out;
}

// Trims white space at both ends and turns each inner run of white space into one space.
inline void collapseWhite(std::string& s) {
    size_t w = 0;
    bool pendingSpace = false;
    for (char c : s) {
        if (isWhite(c)) {
            pendingSpace = w > 0;
            continue;
        }
        if (pendingSpace) s[w++] = ' ';
        pendingSpace = false;
        s[w++] = c;
    }
    s.resize(w);
}

}  // namespace xml::reading
