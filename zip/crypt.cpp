#include "zip/crypt.h"

#include "zip/records.h"

namespace zip {

TraditionalDecryptor::TraditionalDecryptor(std::string_view password) {
    for (const char c : password) update(static_cast<std::uint8_t>(c));
}

bool TraditionalDecryptor::acceptHeader(const std::uint8_t (&header)[kEncryptionHeaderSize], std::uint8_t checkByte) {
    std::uint8_t plain[kEncryptionHeaderSize];
    for (std::size_t i = 0; i < kEncryptionHeaderSize; ++i) {
        plain[i] = header[i] ^ decryptByte();
        update(plain[i]);
    }
    return plain[kEncryptionHeaderSize - 1] == checkByte;
}

void TraditionalDecryptor::decrypt(std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        data[i] ^= decryptByte();
        update(data[i]);
    }
}

std::uint8_t TraditionalDecryptor::decryptByte() const {
    const std::uint32_t t = (key2_ | 2) & 0xFFFF;
    return static_cast<std::uint8_t>((t * (t ^ 1)) >> 8);
}

void TraditionalDecryptor::update(std::uint8_t plain) {
    key0_ = crc32Step(key0_, plain);
    key1_ = (key1_ + (key0_ & 0xFF)) * 134775813u + 1;
    key2_ = crc32Step(key2_, static_cast<std::uint8_t>(key1_ >> 24));
}

}  // namespace zip
