#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace platform {
namespace {

std::string utf8Of(char32_t c) {
    std::string out;
    appendUtf8(out, c);
    return out;
}

// The 66 Cyrillic letters of Russian: А-Я, а-я, Ё, ё.
std::string russianLetters() {
    std::string text;
    for (char32_t c = 0x0410; c <= 0x044F; ++c) appendUtf8(text, c);
    appendUtf8(text, 0x0401);
    appendUtf8(text, 0x0451);
    return text;
}

TEST(CodePage, Cp866RoundTripsTheRussianAlphabet) {
    const std::string letters = russianLetters();
    const auto oem = ansiToOem(letters);
    ASSERT_TRUE(oem.has_value());
    ASSERT_EQ(oem->size(), 66u);
    // А..Я at 0x80, а..п at 0xA0, р..я at 0xE0, Ё and ё at 0xF0 and 0xF1.
    EXPECT_EQ(static_cast<unsigned char>((*oem)[0]), 0x80);
    EXPECT_EQ(static_cast<unsigned char>((*oem)[32]), 0xA0);
    EXPECT_EQ(static_cast<unsigned char>((*oem)[48]), 0xE0);
    EXPECT_EQ(static_cast<unsigned char>((*oem)[63]), 0xEF);
    EXPECT_EQ(static_cast<unsigned char>((*oem)[64]), 0xF0);
    EXPECT_EQ(static_cast<unsigned char>((*oem)[65]), 0xF1);
    EXPECT_EQ(oemToAnsi(*oem), letters);
}

TEST(CodePage, AsciiPassesThroughEveryCodePage) {
    std::string ascii;
    for (int c = 0; c < 0x80; ++c) ascii.push_back(static_cast<char>(c));
    for (CodePage cp : {CodePage::CP866, CodePage::CP1251, CodePage::CP1252}) {
        EXPECT_EQ(fromUtf8(ascii, cp), ascii);
        EXPECT_EQ(toUtf8(ascii, cp), ascii);
    }
}

// Every byte has its own character, and that character converts back to the same byte.
TEST(CodePage, EveryByteRoundTripsAndTablesAreOneToOne) {
    for (CodePage cp : {CodePage::CP866, CodePage::CP1251, CodePage::CP1252}) {
        std::set<char32_t> seen;
        for (int b = 0; b < 256; ++b) {
            const std::string byte(1, static_cast<char>(b));
            const std::string utf8 = toUtf8(byte, cp);
            EXPECT_TRUE(isValidUtf8(utf8)) << "byte " << b;
            EXPECT_EQ(fromUtf8(utf8, cp), byte) << "byte " << b;
            seen.insert(codePageToUnicode(cp, static_cast<unsigned char>(b)));
        }
        EXPECT_EQ(seen.size(), 256u);
    }
}

struct ByteCase {
    const char* name;
    CodePage cp;
    unsigned char byte;
    char32_t unicode;
};

class CodePageByte : public testing::TestWithParam<ByteCase> {};

TEST_P(CodePageByte, MapsToItsCharacter) {
    const ByteCase& c = GetParam();
    EXPECT_EQ(codePageToUnicode(c.cp, c.byte), c.unicode);
    EXPECT_EQ(toUtf8(std::string(1, static_cast<char>(c.byte)), c.cp), utf8Of(c.unicode));
}

INSTANTIATE_TEST_SUITE_P(Tables, CodePageByte,
                         testing::Values(ByteCase{"cp1252_euro", CodePage::CP1252, 0x80, 0x20AC},
                                         ByteCase{"cp1252_undefined_81", CodePage::CP1252, 0x81, 0x0081},
                                         ByteCase{"cp1252_undefined_8D", CodePage::CP1252, 0x8D, 0x008D},
                                         ByteCase{"cp1252_undefined_8F", CodePage::CP1252, 0x8F, 0x008F},
                                         ByteCase{"cp1252_undefined_90", CodePage::CP1252, 0x90, 0x0090},
                                         ByteCase{"cp1252_undefined_9D", CodePage::CP1252, 0x9D, 0x009D},
                                         ByteCase{"cp1252_Y_diaeresis", CodePage::CP1252, 0x9F, 0x0178},
                                         ByteCase{"cp1252_e_acute", CodePage::CP1252, 0xE9, 0x00E9},
                                         ByteCase{"cp1251_A", CodePage::CP1251, 0xC0, 0x0410},
                                         ByteCase{"cp1251_ya", CodePage::CP1251, 0xFF, 0x044F},
                                         ByteCase{"cp1251_YO", CodePage::CP1251, 0xA8, 0x0401},
                                         ByteCase{"cp1251_yo", CodePage::CP1251, 0xB8, 0x0451},
                                         ByteCase{"cp1251_numero", CodePage::CP1251, 0xB9, 0x2116},
                                         ByteCase{"cp1251_euro", CodePage::CP1251, 0x88, 0x20AC},
                                         ByteCase{"cp1251_undefined_98", CodePage::CP1251, 0x98, 0x0098},
                                         ByteCase{"cp866_light_shade", CodePage::CP866, 0xB0, 0x2591},
                                         ByteCase{"cp866_numero", CodePage::CP866, 0xFC, 0x2116},
                                         ByteCase{"cp866_nbsp", CodePage::CP866, 0xFF, 0x00A0}),
                         [](const testing::TestParamInfo<ByteCase>& info) { return std::string(info.param.name); });

struct RejectCase {
    const char* name;
    CodePage cp;
    const char* text;
};

class CodePageReject : public testing::TestWithParam<RejectCase> {};

// Nothing is ever replaced by "?": the caller learns that the text does not fit.
TEST_P(CodePageReject, ReportsTextThatDoesNotFit) { EXPECT_EQ(fromUtf8(GetParam().text, GetParam().cp), std::nullopt); }

INSTANTIATE_TEST_SUITE_P(Cases, CodePageReject,
                         testing::Values(RejectCase{"cp866_han", CodePage::CP866, "\xE4\xB8\xAD"},
                                         RejectCase{"cp866_euro", CodePage::CP866, "\xE2\x82\xAC"},
                                         RejectCase{"cp866_e_acute", CodePage::CP866, "caf\xC3\xA9"},
                                         RejectCase{"cp866_partly_cyrillic", CodePage::CP866,
                                                    "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB\xE4\xB8\xAD.txt"},
                                         RejectCase{"cp1252_cyrillic", CodePage::CP1252, "\xD0\x96"},
                                         RejectCase{"cp1251_e_acute", CodePage::CP1251, "\xC3\xA9"},
                                         RejectCase{"invalid_lone_high_byte", CodePage::CP1252, "abc\xE9"},
                                         RejectCase{"invalid_overlong_nul", CodePage::CP866, "\xC0\x80"}),
                         [](const testing::TestParamInfo<RejectCase>& info) { return std::string(info.param.name); });

struct Utf8Case {
    const char* name;
    std::string text;
    bool valid;
};

class Utf8Validation : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Validation, AcceptsOnlyWellFormedText) { EXPECT_EQ(isValidUtf8(GetParam().text), GetParam().valid); }

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8Validation,
    testing::Values(Utf8Case{"empty", "", true}, Utf8Case{"ascii_with_nul", std::string("a\0b", 3), true},
                    Utf8Case{"two_bytes", "\xD0\x96", true}, Utf8Case{"three_bytes", "\xE2\x82\xAC", true},
                    Utf8Case{"four_bytes", "\xF0\x9F\x98\x80", true},
                    Utf8Case{"last_before_surrogates", "\xED\x9F\xBF", true},
                    Utf8Case{"first_after_surrogates", "\xEE\x80\x80", true},
                    Utf8Case{"highest_code_point", "\xF4\x8F\xBF\xBF", true},
                    Utf8Case{"stray_continuation", "\x80", false}, Utf8Case{"truncated_two", "\xD0", false},
                    Utf8Case{"truncated_four", "\xF0\x9F\x98", false}, Utf8Case{"bad_continuation", "\xD0\x41", false},
                    Utf8Case{"overlong_two", "\xC1\xBF", false}, Utf8Case{"overlong_three", "\xE0\x9F\xBF", false},
                    Utf8Case{"overlong_four", "\xF0\x8F\xBF\xBF", false}, Utf8Case{"surrogate", "\xED\xA0\x80", false},
                    Utf8Case{"above_10FFFF", "\xF4\x90\x80\x80", false}, Utf8Case{"byte_FF", "\xFF", false}),
    [](const testing::TestParamInfo<Utf8Case>& info) { return std::string(info.param.name); });

TEST(CodePage, AppendUtf8WritesEveryLength) {
    EXPECT_EQ(utf8Of(U'A'), "A");
    EXPECT_EQ(utf8Of(0x0416), "\xD0\x96");
    EXPECT_EQ(utf8Of(0x20AC), "\xE2\x82\xAC");
    EXPECT_EQ(utf8Of(0x1F600), "\xF0\x9F\x98\x80");
}

TEST(Win1251Upper, SeventyThreeEntriesDifferFromIdentity) {
    int differing = 0;
    for (int b = 0; b < 256; ++b) {
        const unsigned char upper = kWin1251Upper[b];
        if (upper == b) continue;
        ++differing;
        EXPECT_EQ(kWin1251Upper[upper], upper) << "capital of byte " << b << " is not fixed";
    }
    EXPECT_EQ(differing, 73);
}

TEST(Win1251Upper, MapsLowerCaseLettersToTheirCapitals) {
    const std::pair<unsigned char, unsigned char> pairs[] = {
        {'a', 'A'},
        {'z', 'Z'},
        {0xE0, 0xC0},
        {0xFF, 0xDF},
        {0xB8, 0xA8},
        {0x83, 0x81},
        {0x90, 0x80},
        {0x9A, 0x8A},
        {0x9F, 0x8F},
        {0xA2, 0xA1},
        {0xB3, 0xB2},
        {0xB4, 0xA5},
        {0xBA, 0xAA},
        {0xBC, 0xA3},
        {0xBE, 0xBD},
        {0xBF, 0xAF},
        // Bytes that stay: capitals, the micro sign, digits and punctuation.
        {'A', 'A'},
        {0xC0, 0xC0},
        {0xB5, 0xB5},
        {'0', '0'},
        {'[', '['},
        {0x98, 0x98},
    };
    for (auto [lower, upper] : pairs) EXPECT_EQ(kWin1251Upper[lower], upper) << "byte " << int(lower);
}

}  // namespace
}  // namespace platform
