#pragma once
// Conversions between UTF-8 (the system's own text) and the single-byte code pages that
// archives and old descriptors use. All conversions are table driven and complete.
#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class CodePage { CP866, CP1251, CP1252 };

// Unicode code point of byte b in the code page. CP1252's five undefined positions
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to themselves (U+0081 ...).
char32_t codePageToUnicode(CodePage cp, unsigned char b);

// UTF-8 text to the code page. Returns nothing when the text is not valid UTF-8 or holds a
// character the code page cannot represent; nothing is ever replaced by "?".
std::optional<std::string> fromUtf8(std::string_view utf8, CodePage cp);

// Code-page bytes to UTF-8; every byte has a character, so this cannot fail.
std::string toUtf8(std::string_view bytes, CodePage cp);

// Strict UTF-8 validation (no overlongs, no surrogates, nothing above U+10FFFF).
bool isValidUtf8(std::string_view text);

// Appends the UTF-8 encoding of code point c.
void appendUtf8(std::string& out, char32_t c);

// The names the archive components use: "ANSI to OEM" is UTF-8 -> CP866, "OEM to ANSI" the reverse.
inline std::optional<std::string> ansiToOem(std::string_view utf8) { return fromUtf8(utf8, CodePage::CP866); }
inline std::string oemToAnsi(std::string_view cp866) { return toUtf8(cp866, CodePage::CP866); }

// The Windows-1251 upper-case table: 256 entries, used by case-insensitive name comparison.
extern const unsigned char kWin1251Upper[256];

}  // namespace platform
