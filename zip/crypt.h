#pragma once
// The traditional PKWARE decryption of ZIP members: three 32-bit keys driven by the password
// and by every plain byte. A member's data starts with a 12-byte encryption header whose last
// plain byte must equal a check byte (the high byte of the CRC-32, or of the DOS time word when
// the member has a data descriptor); a wrong password passes that check with probability 1/256.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zip {

constexpr std::size_t kEncryptionHeaderSize = 12;

class TraditionalDecryptor {
public:
    explicit TraditionalDecryptor(std::string_view password);

    // Decrypts the encryption header; true when its last byte equals `checkByte`.
    bool acceptHeader(const std::uint8_t (&header)[kEncryptionHeaderSize], std::uint8_t checkByte);

    // Decrypts data in place, continuing the key stream.
    void decrypt(std::uint8_t* data, std::size_t size);

private:
    std::uint8_t decryptByte() const;
    void update(std::uint8_t plain);

    std::uint32_t key0_ = 305419896u;
    std::uint32_t key1_ = 591751049u;
    std::uint32_t key2_ = 878082192u;
};

// The check byte of a member: bit 3 of the flag (data descriptor) selects the time word.
inline std::uint8_t encryptionCheckByte(std::uint16_t flags, std::uint32_t crc, std::uint16_t dosTime) {
    return (flags & 0x0008) ? static_cast<std::uint8_t>(dosTime >> 8) : static_cast<std::uint8_t>(crc >> 24);
}

}  // namespace zip
