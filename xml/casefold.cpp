#include "xml/casefold.h"

#include "platform/codepage.h"

namespace xml {

bool SameTextNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = a.size(); i-- > 0;) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y && platform::kWin1251Upper[x] != platform::kWin1251Upper[y]) return false;
    }
    return true;
}

}  // namespace xml
