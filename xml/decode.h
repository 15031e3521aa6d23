#pragma once
// Decoding of character runs: UTF-8 to Windows-1252 as the scanner does it, and the native form.
#include <optional>
#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace xml {

// Appends `run` converted from UTF-8 to Windows-1252. Lenient and never longer than the run:
// the bytes after a lead byte are used whether or not they are continuation bytes, overlong
// forms are accepted, any other byte of 0x80 or above stands for U+00BF and consumes as many
// bytes as it has leading one bits (conversion ends when that passes the end of the run), and a
// code point the code page lacks becomes 0xBF.
void appendUtf8AsWin1252(std::string_view run, std::string& out);

// Appends `run` as UTF-8: kept when it is valid UTF-8, else read as Windows-1251 and converted.
void appendNative(std::string_view run, std::string& out);

// The single-byte code page an encoding name stands for (letter case ignored), or none.
std::optional<platform::CodePage> singleByteCodePage(std::string_view encoding);

// Appends `run` converted from the code page to UTF-8.
void appendFromCodePage(std::string_view run, platform::CodePage codePage, std::string& out);

}  // namespace xml
