#pragma once
// Case-insensitive equality of names.
#include <string_view>

namespace xml {

// When both strings are valid UTF-8: equal after Unicode simple case folding of every character
// (so the byte lengths may differ). Otherwise, and always for ASCII: both strings have the same
// length and every pair of bytes is equal or maps to the same byte of the Windows-1251 upper-case
// table, compared from the last byte towards the first.
bool SameTextNoCase(std::string_view a, std::string_view b);

}  // namespace xml
