// The scanner: part kinds, names, attribute lists, references, normalisation and decoding.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "part_format.h"
#include "xml/decode.h"
#include "xml/scanner.h"

namespace {

using xmltest::scanAll;

struct ScanCase {
    const char* name;
    std::string input;
    std::vector<std::string> parts;
};

void PrintTo(const ScanCase& c, std::ostream* os) { *os << c.name; }

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
const std::string kDeclParts = "D{encoding=UTF-8,version=1.0}";

const std::vector<ScanCase> kScanCases = {
    {"Descriptor",
     kDecl + "\n<!DOCTYPE theme PUBLIC \"-//NOKIA//DTD THEME 1.1//EN\" \"theme.dtd\">\n"
             "<theme name=\"New Theme\" version=\"1.1\">\n"
             "  <wallpaper   src=\"wall.jpg\"/>\n"
             "  <icon src=\"c.png\" item_id=\"callregister\" size=\"large\"/>\n"
             "</theme>\n",
     {kDeclParts, "Y:theme", "S:theme{name=New Theme,version=1.1}", "M:wallpaper{src=wall.jpg}",
      "M:icon{item_id=callregister,size=large,src=c.png}", "E:theme{}"}},
    {"RepeatedAttributeLaterFirst", "<a x='1' x=\"2\">", {"S:a{x=2,x=1}"}},
    {"AttributesInNameOrder", "<a c='3' b='2' a='1' B='0'>", {"S:a{B=0,a=1,b=2,c=3}"}},
    {"UnquotedValueSkipped", "<a b=1>", {"S:a{}"}},
    {"UnquotedValueTakesNextLiteral", "<a b=1 c='2'>", {"S:a{b=2}"}},
    {"NameWithoutEqualsTakesLaterLiteral", "<a x y='1'>", {"S:a{x=1}"}},
    {"EmptyTagForms", "<a/><a /></a/>", {"M:a{}", "M:a{}", "M:a{}"}},
    {"TextNormalised", "<a>  a \r\n b  </a>", {"S:a{}", "T:a b", "E:a{}"}},
    {"WhiteSpaceTextNotReported", "<a> \t\r\n </a>", {"S:a{}", "E:a{}"}},
    {"CDataKeepsWhiteSpace", "<a><![CDATA[  ]]></a>", {"S:a{}", "X:  ", "E:a{}"}},
    {"CDataUnterminated", "<![CDATA[ab<c>", {"X:ab<c>"}},
    {"CharacterReferencesInText", "<a>&#65;&#x41;&#xZZ;&#321;&foo;</a>", {"S:a{}", "T:AA Afoo", "E:a{}"}},
    {"AmpersandWithoutSemicolonDropped", "<r>a & b", {"S:r{}", "T:a b"}},
    {"AmpersandSwallowsMarkup", "<r>a & b <c/>;<d/>", {"S:r{}", "T:a b <c/>", "M:d{}"}},
    {"PredefinedEntities", "<a>&lt;&gt;&amp;&apos;&quot;&LT;</a>", {"S:a{}", "T:<>&'\"LT", "E:a{}"}},
    {"ReferencesInValues",
     "<a v='&#xZZ;' w='&foo;' x='&amp;lt;' y='&amp;#65;' z='a&amp'>",
     {"S:a{v=\\x00,w=&foo;,x=&lt;,y=A,z=a&amp}"}},
    {"WhiteSpaceInCDataValueBecomesSpaces", "<a v=' x\t\r\ny '>", {"S:a{v= x   y }"}},
    {"StylesheetReadAsDeclaration", "<?xml-stylesheet href=\"s.xsl\"?><a/>", {"D{}", "M:a{}"}},
    {"Instruction", "<?t a b ?>", {"I:t| a b {}"}},
    {"InstructionPseudoAttributes", "<?t k='v'?>", {"I:t| k='v'{k=v}"}},
    {"LoneLessThan", "<", {"S:{}"}},
    {"LoneEndTagOpener", "</", {"E:{}"}},
    {"LoneInstructionOpener", "<?", {"I:|{}"}},
    {"UnterminatedTag", "<a b='1", {"S:a{b=1}"}},
    {"UnterminatedComment", "<!-- x", {"C"}},
    {"CommentThenText", "<!-- a -- b -->x", {"C", "T:x"}},
    {"EndTagKeepsAttributesAsWritten", "</a b='&amp;'>", {"E:a{b=&amp;}"}},
    {"ZeroEndsTheText", std::string("<a/>\0<b/>", 9), {"M:a{}"}},
    {"EmptyText", "", {}},
};

class ScanTable : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanTable, Parts) { EXPECT_EQ(scanAll(GetParam().input), GetParam().parts); }

INSTANTIATE_TEST_SUITE_P(Scanner, ScanTable, testing::ValuesIn(kScanCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Decoding of text and values under the declared encoding.
struct DecodeCase {
    const char* name;
    std::string prolog;  // declaration or nothing
    std::string bytes;   // written in a value and in text
    std::string value;   // expected value
    std::string text;    // expected text
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

const std::vector<DecodeCase> kDecodeCases = {
    {"AsciiUnchanged", kDecl, "abc", "abc", "abc"},
    {"TwoByteSequence", kDecl, "\xC3\xA9", "\xE9", "\xE9"},
    {"EuroSign", kDecl, "\xE2\x82\xAC", "\x80", "\x80"},
    {"RawWindows1251Garbled", kDecl, "\xCC\xEE\xE9", "\xBF\xBF", "\xBF\xBF"},
    {"OverlongAccepted", kDecl, "\xC1\x80", "@", "@"},
    {"CyrillicNotInCodePage", kDecl, "\xD0\x9C", "\xBF", "\xBF"},
    {"UndefinedPositionKept", kDecl, "\xC2\x81", "\x81", "\x81"},
    {"LoneContinuationByte", kDecl, "a\x80z", "a\xBFz", "a\xBFz"},
    {"FourByteLeadConsumesFour", kDecl, "\xF0\x9F\x98\x80z", "\xBFz", "\xBFz"},
    {"TruncatedLeadEndsConversion", kDecl, "a\xF0z", "a\xBF", "a\xBF"},
    {"NoDeclarationNotDecoded", "", "\xC3\xA9", "\xC3\xA9", "\xC3\xA9"},
    {"DeclarationWithoutEncoding", "<?xml version='1.0'?>", "\xC3\xA9", "\xE9", "\xE9"},
    {"LowerCaseNameNotDecoded", "<?xml version='1.0' encoding='utf-8'?>", "\xC3\xA9", "\xC3\xA9", "\xC3\xA9"},
    {"OtherEncodingNotDecoded", "<?xml version='1.0' encoding='windows-1251'?>", "\xCC", "\xCC", "\xCC"},
    {"CharacterReferenceDecodedOnlyInValue", kDecl, "&#233;", "\xBF", "\xE9"},
};

class DecodeTable : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTable, ValueAndText) {
    const DecodeCase& c = GetParam();
    xml::TXmlParser scanner;
    scanner.AssignText(c.prolog + "<a v='" + c.bytes + "'>" + c.bytes + "</a>");
    scanner.Rewind();
    while (scanner.NextPart() && scanner.PartKind() != xml::xpStartTag) {
    }
    EXPECT_EQ(xmltest::visible(scanner.AttributeValue("v")), xmltest::visible(c.value));
    ASSERT_TRUE(scanner.NextPart());
    EXPECT_EQ(xmltest::visible(scanner.PartText()), xmltest::visible(c.text));
}

INSTANTIATE_TEST_SUITE_P(Scanner, DecodeTable, testing::ValuesIn(kDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Scanner, NativeDecodingKeepsUtf8AndConvertsWindows1251) {
    xml::TXmlParser scanner;
    scanner.SetNativeDecoding(true);
    scanner.AssignText(kDecl + "<a v='\xCC\xEE\xE9' w='\xC3\xA9'>\xCC\xEE\xE9&amp;\xE2\x82\xAC</a>");
    scanner.Rewind();
    scanner.NextPart();
    scanner.NextPart();
    EXPECT_EQ(scanner.AttributeValue("v"), "\xD0\x9C\xD0\xBE\xD0\xB9");
    EXPECT_EQ(scanner.AttributeValue("w"), "\xC3\xA9");
    scanner.NextPart();
    EXPECT_EQ(scanner.PartText(), "\xD0\x9C\xD0\xBE\xD0\xB9&\xE2\x82\xAC");  // runs end at references
}

TEST(Scanner, PositionsAndEnd) {
    xml::TXmlParser scanner;
    scanner.AssignText("<a> x </a>");
    scanner.Rewind();
    const struct {
        xml::TXmlPartKind kind;
        long long begin, end;
    } expected[] = {{xml::xpStartTag, 0, 2}, {xml::xpText, 3, 5}, {xml::xpEndTag, 6, 9}};
    for (const auto& e : expected) {
        ASSERT_TRUE(scanner.NextPart());
        EXPECT_EQ(scanner.PartKind(), e.kind);
        EXPECT_EQ(scanner.DocumentOffset(scanner.PartBegin()), e.begin);
        EXPECT_EQ(scanner.DocumentOffset(scanner.PartEnd()), e.end);
    }
    EXPECT_FALSE(scanner.NextPart());
    EXPECT_FALSE(scanner.NextPart());
    EXPECT_EQ(scanner.DocumentOffset(scanner.PartBegin()), 10);

    // Rewind scans the same text again.
    scanner.Rewind();
    EXPECT_EQ(scanner.PartKind(), xml::xpNone);
    ASSERT_TRUE(scanner.NextPart());
    EXPECT_EQ(scanner.PartName(), "a");
}

TEST(Scanner, DeclarationSetsDocumentProperties) {
    xml::TXmlParser scanner;
    scanner.AssignText("<?xml version='1.1' encoding='UTF-8' standalone='yes'?><a/>");
    scanner.Rewind();
    ASSERT_TRUE(scanner.NextPart());
    EXPECT_EQ(scanner.DeclVersion(), "1.1");
    EXPECT_EQ(scanner.DeclEncoding(), "UTF-8");
    EXPECT_TRUE(scanner.DeclStandalone());
    EXPECT_EQ(scanner.PartSource(), "<?xml version='1.1' encoding='UTF-8' standalone='yes'?>");

    // A new text forgets the old declaration and its encoding.
    scanner.AssignText("<a>\xC3\xA9</a>");
    scanner.Rewind();
    EXPECT_EQ(scanner.DeclVersion(), "");
    scanner.NextPart();
    scanner.NextPart();
    EXPECT_EQ(scanner.PartText(), "\xC3\xA9");
}

TEST(Scanner, CharacterReferenceNumbers) {
    using xml::characterReferenceByte;
    EXPECT_EQ(characterReferenceByte("65", false, 32), 65);
    EXPECT_EQ(characterReferenceByte("321", false, 32), 0x41);
    EXPECT_EQ(characterReferenceByte("4a", true, 0), 0x4A);
    EXPECT_EQ(characterReferenceByte("99999999999999999999", false, 32), 0xFF);  // 99999999999999999999 mod 256
    EXPECT_EQ(characterReferenceByte("", false, 32), 32);
    EXPECT_EQ(characterReferenceByte("-1", false, 32), 32);
    EXPECT_EQ(characterReferenceByte(" 1", false, 32), 32);
    EXPECT_EQ(characterReferenceByte("G", true, 0), 0);
}

}  // namespace
