#pragma once
// Bytes written out as hexadecimal, for comparing whole records against worked examples: a
// mismatch then shows at which offset it starts.
#include <cstdint>
#include <string>
#include <string_view>

namespace testsupport {

// Two lower-case hexadecimal digits per byte.
inline std::string hex(std::string_view bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

// A 32-bit field as it is stored (least significant byte first), in the form hex() gives.
inline std::string hexLittleEndian32(std::uint32_t value) {
    const char bytes[] = {char(value & 0xFF), char((value >> 8) & 0xFF), char((value >> 16) & 0xFF),
                          char((value >> 24) & 0xFF)};
    return hex(std::string_view(bytes, 4));
}

}  // namespace testsupport
