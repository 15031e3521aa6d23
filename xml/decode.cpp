#include "xml/decode.h"

#include <algorithm>
#include <array>

#include "platform/codepage.h"

namespace xml {
namespace {

constexpr unsigned char kNotInCodePage = 0xBF;

// Windows-1252 byte of each code point below U+0100, 0xBF where there is none; the code points
// above U+00FF that the code page holds are looked up in a short list.
struct Win1252Reverse {
    std::array<unsigned char, 256> low{};
    std::array<std::pair<char32_t, unsigned char>, 32> high{};
    size_t highCount = 0;

    Win1252Reverse() {
        low.fill(kNotInCodePage);
        for (int b = 0; b < 256; ++b) {
            const char32_t c = platform::codePageToUnicode(platform::CodePage::CP1252, static_cast<unsigned char>(b));
            if (c < 256)
                low[c] = static_cast<unsigned char>(b);
            else if (highCount < high.size())
                high[highCount++] = {c, static_cast<unsigned char>(b)};
        }
    }

    unsigned char byteOf(char32_t c) const {
        if (c < 256) return low[c];
        for (size_t i = 0; i < highCount; ++i)
            if (high[i].first == c) return high[i].second;
        return kNotInCodePage;
    }
};

const Win1252Reverse& reverseTable() {
    static const Win1252Reverse table;
    return table;
}

// Bytes a malformed lead byte consumes: the number of its leading one bits (0xFF only one).
size_t leadingOnes(unsigned char b) {
    if (b == 0xFF) return 1;
    size_t n = 0;
    while (b & 0x80) {
        ++n;
        b = static_cast<unsigned char>(b << 1);
    }
    return n;
}

}  // namespace

void appendUtf8AsWin1252(std::string_view run, std::string& out) {
    const Win1252Reverse& table = reverseTable();
    const size_t n = run.size();
    size_t i = 0;
    while (i < n) {
        const auto b = static_cast<unsigned char>(run[i]);
        if (b < 0x80) {
            // Copy the whole stretch of ASCII at once.
            size_t end = i + 1;
            while (end < n && static_cast<unsigned char>(run[end]) < 0x80) ++end;
            out.append(run.substr(i, end - i));
            i = end;
            continue;
        }
        auto next = [&](size_t k) { return static_cast<unsigned char>(run[i + k]) & 0x3Fu; };
        if (b >= 0xC0 && b <= 0xDF && n - i >= 2) {
            out += static_cast<char>(table.byteOf(((b & 0x1Fu) << 6) | next(1)));
            i += 2;
        } else if (b >= 0xE0 && b <= 0xEF && n - i >= 3) {
            out += static_cast<char>(table.byteOf(((b & 0x0Fu) << 12) | (next(1) << 6) | next(2)));
            i += 3;
        } else {
            out += static_cast<char>(kNotInCodePage);
            const size_t consumed = leadingOnes(b);
            if (consumed > n - i) break;
            i += consumed;
        }
    }
}

void appendNative(std::string_view run, std::string& out) {
    if (platform::isValidUtf8(run))
        out.append(run);
    else
        out += platform::toUtf8(run, platform::CodePage::CP1251);
}

std::optional<platform::CodePage> singleByteCodePage(std::string_view encoding) {
    static constexpr std::pair<std::string_view, platform::CodePage> kNames[] = {
        {"windows-1251", platform::CodePage::CP1251}, {"cp1251", platform::CodePage::CP1251},
        {"x-cp1251", platform::CodePage::CP1251},     {"windows-1252", platform::CodePage::CP1252},
        {"cp1252", platform::CodePage::CP1252},       {"ibm866", platform::CodePage::CP866},
        {"cp866", platform::CodePage::CP866},
    };
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (const auto& [name, codePage] : kNames)
        if (std::equal(name.begin(), name.end(), encoding.begin(), encoding.end(),
                       [&](char a, char b) { return a == lower(b); }))
            return codePage;
    return std::nullopt;
}

void appendFromCodePage(std::string_view run, platform::CodePage codePage, std::string& out) {
    out += platform::toUtf8(run, codePage);
}

}  // namespace xml
