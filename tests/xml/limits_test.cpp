// Entity expansion bounds: nesting depth, the byte budget, self-reference, and scans that always end.
#include <gtest/gtest.h>

#include <string>

#include "part_format.h"
#include "xml/scanner.h"

namespace {

// "Billion laughs": ten levels, each entity ten references to the one below; under 1 KiB.
std::string billionLaughs(const std::string& body) {
    std::string dtd = "<!DOCTYPE r [<!ENTITY l0 'lol'>";
    for (int level = 1; level <= 9; ++level) {
        dtd += "<!ENTITY l" + std::to_string(level) + " '";
        for (int i = 0; i < 10; ++i) dtd += "&l" + std::to_string(level - 1) + ";";
        dtd += "'>";
    }
    return dtd + "]>" + body;
}

// Entities e1 .. eN, each referring to the next; eN is "x".
std::string chain(int n, const std::string& body) {
    std::string dtd = "<!DOCTYPE r [";
    for (int i = 1; i < n; ++i)
        dtd += "<!ENTITY e" + std::to_string(i) + " '&e" + std::to_string(i + 1) + ";'>";
    dtd += "<!ENTITY e" + std::to_string(n) + " 'x'>";
    return dtd + "]>" + body;
}

struct Scan {
    std::string text;       // concatenated text parts
    std::string lastValue;  // value of attribute v of the last start or empty-element tag
    size_t parts = 0;
};

Scan scan(const std::string& document) {
    xml::TXmlParser scanner;
    scanner.AssignText(document);
    scanner.Rewind();
    Scan result;
    while (scanner.NextPart()) {
        ++result.parts;
        if (scanner.PartKind() == xml::xpText) result.text += scanner.PartText();
        if (scanner.PartKind() == xml::xpStartTag || scanner.PartKind() == xml::xpEmptyTag) result.lastValue = scanner.AttributeValue("v");
    }
    return result;
}

TEST(Limits, BillionLaughsStaysWithinTheBudget) {
    const std::string inText = billionLaughs("<r>&l9;</r>");
    ASSERT_LT(inText.size(), 1024u);
    const Scan text = scan(inText);
    EXPECT_GT(text.text.size(), xml::kMinExpansionBudget / 4);
    EXPECT_LE(text.text.size(), xml::kMinExpansionBudget);

    const Scan value = scan(billionLaughs("<r v='&l9;'/>"));
    EXPECT_LE(value.lastValue.size(), xml::kMinExpansionBudget + 16);
    EXPECT_NE(value.lastValue.find("&l"), std::string::npos);  // references past the budget stay as written
}

TEST(Limits, BudgetGrowsWithTheDocument) {
    // 200 KiB of document allows 20 MB of expansion: a 10 MB entity use is expanded in full.
    std::string document = "<!DOCTYPE r [<!ENTITY k '" + std::string(1000, 'k') + "'>]><r>";
    for (int i = 0; i < 10000; ++i) document += "&k;";
    document += "</r>" + std::string(200 * 1024, ' ');
    EXPECT_EQ(scan(document).text.size(), 10000u * 1000u);
}

TEST(Limits, NestingDepthEdge) {
    // 32 open replacement texts are allowed, a 33rd is not.
    EXPECT_EQ(scan(chain(32, "<r>[&e1;]</r>")).text, "[x]");
    EXPECT_EQ(scan(chain(33, "<r>[&e1;]</r>")).text, "[]");
    EXPECT_EQ(scan(chain(32, "<r v='[&e1;]'/>")).lastValue, "[x]");
    EXPECT_EQ(scan(chain(33, "<r v='[&e1;]'/>")).lastValue, "[&e33;]");
}

TEST(Limits, SelfReferringGeneralEntityEnds) {
    const std::string dtd = "<!DOCTYPE r [<!ENTITY a 'x&a;y'><!ENTITY b '&c;'><!ENTITY c '&b;'>]>";
    const Scan text = scan(dtd + "<r>&a;|&b;</r>");
    EXPECT_EQ(text.text, std::string(32, 'x') + std::string(32, 'y') + "|");
    const Scan value = scan(dtd + "<r v='&a;'/>");
    EXPECT_EQ(value.lastValue, std::string(32, 'x') + "&a;" + std::string(32, 'y'));
}

TEST(Limits, SelfReferringParameterEntityEnds) {
    // In the DTD walk, in the parameter-entity pass, and with two entities referring to each other.
    const Scan walk = scan("<!DOCTYPE r [<!ENTITY % p '%p;'>%p;<!ENTITY g 'G'>]><r>&g;</r>");
    EXPECT_EQ(walk.text, "G");
    const Scan pass = scan("<!DOCTYPE r [<!ENTITY % p 'A%p;'><!ENTITY g '%p;'>]><r>&g;</r>");
    EXPECT_EQ(pass.text, std::string(32, 'A') + "%p;");
    const Scan mutual = scan("<!DOCTYPE r [<!ENTITY % a '%b;'><!ENTITY % b '%a;'>%a;<!ATTLIST r v CDATA 'd'>]><r/>");
    EXPECT_EQ(mutual.parts, 2u);
}

TEST(Limits, ParameterEntityBillionLaughsEnds) {
    std::string dtd = "<!DOCTYPE r [<!ENTITY % l0 '<!ENTITY x \"y\">'>";
    for (int level = 1; level <= 9; ++level) {
        dtd += "<!ENTITY % l" + std::to_string(level) + " '";
        for (int i = 0; i < 10; ++i) dtd += "%l" + std::to_string(level - 1) + ";";
        dtd += "'>";
    }
    const Scan result = scan(dtd + "%l9;]><r>&x;</r>");
    EXPECT_EQ(result.text, "y");
}

TEST(Limits, ManyAmpersandsWithoutSemicolonScanInLinearTime) {
    // Each "&" looks for a later ";"; remembering the last search keeps this linear.
    const std::string document = "<r>" + std::string(4 << 20, '&') + "</r>" + std::string("<!DOCTYPE r [") +
                                 std::string(1 << 20, '%');
    const Scan result = scan(document);
    EXPECT_EQ(result.parts, 3u);
    EXPECT_EQ(result.text, "");
}

}  // namespace
