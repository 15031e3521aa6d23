// Entity expansion bounds: nesting depth, the byte budget, self-reference, and scans that always end.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
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
    for (int i = 1; i < n; ++i) dtd += "<!ENTITY e" + std::to_string(i) + " '&e" + std::to_string(i + 1) + ";'>";
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
        if (scanner.PartKind() == xml::xpStartTag || scanner.PartKind() == xml::xpEmptyTag)
            result.lastValue = scanner.AttributeValue("v");
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
    const std::string document =
        "<r>" + std::string(4 << 20, '&') + "</r>" + std::string("<!DOCTYPE r [") + std::string(1 << 20, '%');
    const Scan result = scan(document);
    EXPECT_EQ(result.parts, 3u);
    EXPECT_EQ(result.text, "");
}

TEST(Limits, LongListsInAnyOrderKeepTheirRules) {
    // Names arriving in descending order or repeating used to shift the whole list at each insertion,
    // which took minutes for these lists; ctest's time-out catches a return to that.
    auto named = [](const std::string& name) {
        auto attr = std::make_unique<xml::TAttr>();
        attr->Name = name;
        return attr;
    };
    xml::TAttrList descending;
    for (int i = 300000; i > 0; --i) descending.Insert(named("a" + std::to_string(i)));
    EXPECT_EQ(descending[0].Name, "a1");

    xml::TAttrList repeated;
    for (int i = 0; i < 300000; ++i) repeated.Insert(named("src"));
    EXPECT_NE(repeated.Find("src"), nullptr);

    xml::TEntityList entities;
    for (int i = 300000; i > 0; --i) {
        auto entity = std::make_unique<xml::TEntityDef>();
        entity->Name = "e" + std::to_string(i % 1000);
        entities.Replace(std::move(entity));  // later definitions win
    }
    EXPECT_EQ(entities.Count(), 1000u);
}

TEST(Limits, SortedListKeepsOrderAndRules) {
    // Ascending by unsigned bytes, a prefix first; an equal name goes in front of the earlier ones.
    xml::TAttrList list;
    int serial = 0;
    for (const char* name : {"b", "a", "\xE0", "b", "ab", "a", "B"}) {
        auto attr = std::make_unique<xml::TAttr>();
        attr->Name = name;
        attr->Value = std::to_string(serial++);
        list.Insert(std::move(attr));
    }
    std::string order;
    for (const auto& attr : list) order += attr->Name + "=" + attr->Value + " ";
    EXPECT_EQ(order, "B=6 a=5 a=1 ab=4 b=3 b=0 \xE0=2 ");
    EXPECT_EQ(list.Find("b")->Value, "3");  // the first of equal names: the one written last
    EXPECT_TRUE(list.Remove("b"));
    EXPECT_EQ(list.Find("b")->Value, "0");
    EXPECT_EQ(list.Find("c"), nullptr);
    EXPECT_EQ(list[3].Name, "ab");
}

// Counts the external texts the scanner opens.
class CountingScanner : public xml::TXmlParser {
public:
    size_t opened = 0;
    std::unique_ptr<xml::TXmlParser> OpenExternal(const std::string& system, const std::string& pubid,
                                                  const std::string& notation) override {
        ++opened;
        return xml::TXmlParser::OpenExternal(system, pubid, notation);
    }
};

TEST(Limits, EveryExpansionCostsAtLeastItsReference) {
    // Ten levels of ten references each, down to external entities or markup: the budget bounds
    // the number of external texts opened and of parts made from replacement texts.
    std::string dtd = "<!DOCTYPE r [<!ENTITY x SYSTEM 'f'><!ENTITY a '&x;&x;&x;&x;'><!ENTITY t '<b/>'>";
    for (char level = 'c'; level <= 'k'; ++level) {
        dtd += std::string("<!ENTITY ") + level + " '";
        for (int i = 0; i < 10; ++i) dtd += std::string("&") + static_cast<char>(level == 'c' ? 'a' : level - 1) + ";";
        dtd += "'>";
    }
    CountingScanner external;
    external.AssignText(dtd + "]><r>&k;</r><r v='&k;'/>");
    external.Rewind();
    while (external.NextPart()) {
    }
    EXPECT_GT(external.opened, 1000u);
    EXPECT_LE(external.opened, 2 * xml::kMinExpansionBudget / xml::kExternalOpenCost);

    std::string tags = dtd;
    tags.replace(tags.find("'&x;&x;&x;&x;'"), 14, "'<b/>'");
    EXPECT_LE(scan(tags + "]><r>&k;</r>").parts, xml::kMinExpansionBudget / xml::kExpandedPartCost + 10);
    EXPECT_EQ(scan(tags + "]><r>&t;&t;</r>").parts, 5u);  // ordinary use is unchanged
}

TEST(Limits, AttributeDefaultsSpendTheBudget) {
    // 300 defaults of 100 bytes on 3,000 elements would add 90 MB; the budget stops them.
    std::string document = "<!DOCTYPE r [<!ATTLIST e";
    for (int i = 0; i < 300; ++i) document += " a" + std::to_string(i) + " CDATA '" + std::string(100, 'd') + "'";
    document += "><!ATTLIST f g CDATA #FIXED 'x' h NMTOKEN #IMPLIED>]><r>";
    for (int i = 0; i < 3000; ++i) document += "<e/>";
    document += "<f g='y' h=' 1  2 '/></r>";
    xml::TXmlParser scanner;
    scanner.AssignText(document);
    scanner.Rewind();
    size_t added = 0;
    std::string last;
    while (scanner.NextPart()) {
        if (scanner.PartKind() != xml::xpEmptyTag) continue;
        last.clear();
        for (const auto& attr : scanner.PartAttrs()) {
            if (attr->ValueOrigin == xml::voDefaulted) added += attr->Name.size() + attr->Value.size();
            last += attr->Name + "=" + attr->Value + "/" + std::to_string(attr->ValueOrigin) + " ";
        }
    }
    const size_t budget = std::max(xml::kMinExpansionBudget, document.size() * xml::kExpansionFactor);
    EXPECT_GT(added, budget / 2);
    EXPECT_LE(added, budget);
    EXPECT_EQ(last, "g=x/2 h=1 2/1 ");  // rules and types still apply past the budget
    EXPECT_EQ(scan("<!DOCTYPE r [<!ATTLIST r v CDATA 'd'>]><r/>").lastValue, "d");
}

}  // namespace
