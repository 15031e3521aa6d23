// Archive records, CRC-32, DOS date-time words and stored names.
#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "support/bytes.h"
#include "zip/records.h"

using namespace zip;

namespace {

using testsupport::hex;

template <std::size_t N>
std::string asString(const std::array<std::uint8_t, N>& a) {
    return std::string(reinterpret_cast<const char*>(a.data()), N);
}

}  // namespace

TEST(ByteCursor, ShortReadFailsForGoodAndReturnsZeros) {
    const std::string data("\x01\x02\x03\x04\x05", 5);
    ByteCursor in(data);
    EXPECT_EQ(in.get32(), 0x04030201u);
    EXPECT_TRUE(in.ok());
    EXPECT_EQ(in.get16(), 0u);  // one byte left
    EXPECT_FALSE(in.ok());
    EXPECT_EQ(in.get8(), 0u);  // sticky, even though a byte remains
    EXPECT_TRUE(in.bytes(1).empty());
    EXPECT_EQ(in.remaining(), 0u);
}

TEST(ByteCursor, HugeCountDoesNotWrap) {
    const std::string data("abcd");
    ByteCursor in(data);
    in.get8();
    EXPECT_TRUE(in.bytes(SIZE_MAX).empty());
    EXPECT_FALSE(in.ok());
}

// The first member of an archive from icon.png, written 13:45:30 on day 14, month 5, year
// 1980 + 27, attribute word 0x20. Time word 0x6DAF = 13 << 11 | 45 << 5 | 30 / 2;
// date word 0x36AE = 27 << 9 | 5 << 5 | 14.
TEST(Records, WorkedExampleLocalAndCentralHeader) {
    LocalFileHeader local;
    local.setDosDateTime(dosDateTimeWord({2007, 5, 14, 13, 45, 30}));
    local.crc32 = 0xCAFEBABE;
    local.compressedSize = 100;
    local.uncompressedSize = 300;
    local.nameLength = 8;
    EXPECT_EQ(hex(asString(local.encode())),
              "504b0304"  // signature
              "1400"      // version needed 20
              "0000"      // flag
              "0800"      // method
              "af6d"
              "ae36"
              "bebafeca"
              "64000000"
              "2c010000"  // CRC-32, compressed and uncompressed size
              "0800"      // name length
              "0000");    // extra length

    EXPECT_EQ(hex(asString(CentralFileHeader::fromLocal(local, 0x20, 0).encode())),
              "504b0102"  // signature
              "1400"      // made by 20
              "0900"      // version needed 9
              "0000"
              "0800"
              "af6d"
              "ae36"
              "bebafeca"
              "64000000"
              "2c010000"
              "0800"
              "0000"        // extra length
              "0000"        // comment length
              "0000"        // disk
              "0100"        // internal attributes
              "20000000"    // external attributes
              "00000000");  // local header offset
}

TEST(Records, RoundTripAndShortDecode) {
    EndRecord end;
    end.entriesOnDisk = end.totalEntries = 3;
    end.centralDirectorySize = 150;
    end.centralDirectoryOffset = 1234;
    const std::string e = asString(end.encode());
    ASSERT_EQ(e.size(), 22u);
    EXPECT_EQ(e.substr(0, 4), std::string("PK\x05\x06", 4));
    ByteCursor in(e);
    auto back = EndRecord::decode(in);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->centralDirectoryOffset, 1234u);
    EXPECT_EQ(back->totalEntries, 3);

    ByteCursor shortIn(std::string_view(e).substr(0, 21));
    EXPECT_FALSE(EndRecord::decode(shortIn));

    CentralFileHeader central;
    central.localHeaderOffset = 77;
    central.externalAttributes = 0x21;
    const std::string c = asString(central.encode());
    ByteCursor cin(c);
    auto cback = CentralFileHeader::decode(cin);
    ASSERT_TRUE(cback);
    EXPECT_EQ(cback->localHeaderOffset, 77u);
    EXPECT_EQ(cback->externalAttributes, 0x21u);
    ByteCursor cshort(std::string_view(c).substr(0, 45));
    EXPECT_FALSE(CentralFileHeader::decode(cshort));
    ByteCursor lshort(std::string_view(c).substr(0, 29));
    EXPECT_FALSE(LocalFileHeader::decode(lshort));
}

TEST(Crc32, StandardCheckValuesAndBlocks) {
    EXPECT_EQ(crc32Of(""), 0u);
    EXPECT_EQ(crc32Of("123456789"), 0xCBF43926u);
    Crc32 crc;
    crc.update("1234");
    crc.update("56789");
    EXPECT_EQ(crc.value(), 0xCBF43926u);
    // The register step with preset and final xor gives the same value.
    std::uint32_t reg = 0xFFFFFFFF;
    for (char c : std::string("123456789")) reg = crc32Step(reg, static_cast<std::uint8_t>(c));
    EXPECT_EQ(reg ^ 0xFFFFFFFFu, 0xCBF43926u);
}

TEST(DosTime, WordsAndOddSeconds) {
    EXPECT_EQ(dosTimeWord(13, 45, 31), dosTimeWord(13, 45, 30));
    const std::uint32_t word = dosDateTimeWord({2107, 12, 31, 23, 59, 58});
    const DosDateTime t = splitDosDateTime(word);
    EXPECT_EQ(t.year, 2107);
    EXPECT_EQ(t.month, 12);
    EXPECT_EQ(t.day, 31);
    EXPECT_EQ(t.hour, 23);
    EXPECT_EQ(t.minute, 59);
    EXPECT_EQ(t.second, 58);
    EXPECT_EQ(dosDateTimeWord({1980, 1, 1, 0, 0, 0}), 0x00210000u);
}

struct NameCase {
    const char* label;
    std::string utf8;
    std::string stored;
    bool bit11;
};

class StoredNames : public testing::TestWithParam<NameCase> {};

TEST_P(StoredNames, ConvertsToOemOrKeepsUtf8) {
    const auto& c = GetParam();
    const StoredName name = storedNameFromUtf8(c.utf8);
    EXPECT_EQ(name.bytes, c.stored);
    EXPECT_EQ(name.utf8, c.bit11);
    EXPECT_EQ(name.flag(), c.bit11 ? 0x0800 : 0);
    if (platform::isValidUtf8(c.utf8)) {
        EXPECT_EQ(storedNameToUtf8(name.bytes, name.flag()), c.utf8);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, StoredNames,
    testing::Values(NameCase{"ascii", "icon.png", "icon.png", false},
                    // "обои.jpg": one CP866 byte per letter.
                    NameCase{"cyrillic", "\xD0\xBE\xD0\xB1\xD0\xBE\xD0\xB8.jpg", "\xAE\xA1\xAE\xA8.jpg", false},
                    // Chinese letters CP866 cannot hold: UTF-8 with bit 11.
                    NameCase{"chinese", "\xE4\xB8\xBB\xE9\xA2\x98.png", "\xE4\xB8\xBB\xE9\xA2\x98.png", true},
                    // Bytes that are not UTF-8 stay as they are, without bit 11.
                    NameCase{"invalid_utf8", "a\xFF.png", "a\xFF.png", false}),
    [](const auto& info) { return std::string(info.param.label); });
