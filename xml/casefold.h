#pragma once
// Case-insensitive equality of names through the Windows-1251 upper-case table.
#include <string_view>

namespace xml {

// True when both strings have the same length and every pair of bytes is equal or maps to the same
// upper-case byte. Compared from the last byte towards the first.
bool SameTextNoCase(std::string_view a, std::string_view b);

}  // namespace xml
