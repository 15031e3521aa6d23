// The DOCTYPE part: internal subset declarations, their effect on tags and text, and external ids.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "part_format.h"
#include "xml/scanner.h"

namespace {

using xmltest::scanAll;

struct DtdCase {
    const char* name;
    std::string input;
    std::vector<std::string> parts;
};

void PrintTo(const DtdCase& c, std::ostream* os) { *os << c.name; }

const std::vector<DtdCase> kDtdCases = {
    {"GeneralEntityInTextAndValue",
     "<!DOCTYPE a [<!ENTITY who 'World'>]><a b='&who;'>Hello &who;!</a>",
     {"Y:a", "S:a{b=World}", "T:Hello World!", "E:a{}"}},
    {"ParameterEntityAsAttributeType",
     "<!DOCTYPE a [<!ENTITY % p 'CDATA'><!ATTLIST a b %p; #IMPLIED>]><a/><a b=' x  y '/>",
     {"Y:a", "M:a{}", "M:a{b= x  y (1,1)}"}},
    {"DefaultValueAndTokenNormalisation",
     "<!DOCTYPE a [<!ATTLIST a b NMTOKEN 'v'>]><a/><a b=' x  y '/>",
     {"Y:a", "M:a{b=v(3,7)}", "M:a{b=x y(0,7)}"}},
    {"FixedReplacesValue", "<!DOCTYPE a [<!ATTLIST a b CDATA #FIXED 'f'>]><a b='g'/>", {"Y:a", "M:a{b=f(2,1)}"}},
    {"ElementAfterAttlistDiscardsDefaults",
     "<!DOCTYPE a [<!ATTLIST a b CDATA 'd'><!ELEMENT a EMPTY>]><a/>",
     {"Y:a", "M:a{}"}},
    {"LaterEntityWins",
     "<!DOCTYPE a [<!ENTITY e 'one'><!ENTITY e 'two'>]><a>&e;</a>",
     {"Y:a", "S:a{}", "T:two", "E:a{}"}},
    {"ExternalEntityYieldsNothing",
     "<!DOCTYPE a [<!ENTITY e SYSTEM 'e.txt'>]><a v='[&e;]'>x&e;y</a>",
     {"Y:a", "S:a{v=[]}", "T:xy", "E:a{}"}},
    {"EnumerationAndRequired",
     "<!DOCTYPE a [<!ATTLIST a b (x | y) #REQUIRED c ID #IMPLIED>]><a b=' x ' c='i'/>",
     {"Y:a", "M:a{b=x(0,10),c=i(1,2)}"}},
    {"MarkupInReplacementText",
     "<!DOCTYPE a [<!ENTITY t '<b>in</b>'>]><a>x&t;y</a>",
     {"Y:a", "S:a{}", "T:x", "S:b{}", "T:in", "E:b{}", "T:y", "E:a{}"}},
    {"CharacterReferenceInEntityValue",
     "<!DOCTYPE a [<!ENTITY e 'A&#66;C'>]><a>&e;</a>",
     {"Y:a", "S:a{}", "T:ABC", "E:a{}"}},
    {"ParameterEntityDeclaresEntity",
     "<!DOCTYPE a [<!ENTITY % d '<!ENTITY g \"G\">'>%d;]><a>&g;</a>",
     {"Y:a", "S:a{}", "T:G", "E:a{}"}},
    {"UndeclaredParameterEntitySkipped",
     "<!DOCTYPE a [%nope;<!ENTITY g 'G'>]><a>&g;</a>",
     {"Y:a", "S:a{}", "T:G", "E:a{}"}},
    {"SecondDoctypeContributesNothing",
     "<!DOCTYPE a [<!ENTITY x 'X'>]><!DOCTYPE b [<!ENTITY x 'Y'>]><a>&x;</a>",
     {"Y:a", "Y:a", "S:a{}", "T:X", "E:a{}"}},
    {"PublicIdentifierWithoutSystemLiteral", "<!DOCTYPE a PUBLIC 'p'><b/>", {"Y:a", "M:b{}"}},
    {"SystemKeywordWithoutLiteral", "<!DOCTYPE a SYSTEM><b/>", {"Y:a", "M:b{}"}},
    {"NotationWithPublicIdentifierOnly",
     "<!DOCTYPE a [<!NOTATION n PUBLIC 'p'><!ENTITY e 'E'>]><a>&e;</a>",
     {"Y:a", "S:a{}", "T:E", "E:a{}"}},
    {"DoctypeEndingInParameterEntity", "<!DOCTYPE a [<!ENTITY % e '>'>] %e;<b/>", {"Y:a", "M:b{}"}},
    {"DoctypeWithoutEnd", "<!DOCTYPE a [<!ENTITY", {"Y:a"}},
    {"InstructionAndCommentInSubset",
     "<!DOCTYPE a [<?p x?><!-- c --><!ENTITY e 'E'>]><a>&e;</a>",
     {"Y:a", "S:a{}", "T:E", "E:a{}"}},
};

class DtdTable : public testing::TestWithParam<DtdCase> {};

TEST_P(DtdTable, Parts) { EXPECT_EQ(scanAll(GetParam().input), GetParam().parts); }

INSTANTIATE_TEST_SUITE_P(Dtd, DtdTable, testing::ValuesIn(kDtdCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Records every external identifier the scanner asks for.
class RecordingScanner : public xml::TXmlParser {
public:
    std::vector<std::string> requests;
    std::unique_ptr<xml::TXmlParser> OpenExternal(const std::string& system, const std::string& pubid,
                                                  const std::string& notation) override {
        requests.push_back(system + "|" + pubid + "|" + notation);
        return xml::TXmlParser::OpenExternal(system, pubid, notation);
    }
};

TEST(Dtd, DescriptorDoctypeAsksForTheExternalSubsetOnce) {
    for (const char* doctype : {"<!DOCTYPE theme PUBLIC \"-//NOKIA//DTD THEME 1.1//EN\" \"theme.dtd\">",
                                "<!DOCTYPE theme PUBLIC '-//NOKIA//DTD THEME 1.1//EN' 'theme.dtd'>"}) {
        RecordingScanner scanner;
        const std::string text = std::string(doctype) + "\n<theme/>";
        EXPECT_EQ(scanAll(scanner, text), (std::vector<std::string>{"Y:theme", "M:theme{}"}));
        EXPECT_EQ(scanner.requests, std::vector<std::string>{"theme.dtd|-//NOKIA//DTD THEME 1.1//EN|"});
        EXPECT_TRUE(scanner.ElementDefs().Empty());
        EXPECT_TRUE(scanner.GeneralEntities().Empty());
        EXPECT_TRUE(scanner.NotationDefs().Empty());

        // A second pass jumps over the DOCTYPE part without reading it again.
        scanner.Rewind();
        ASSERT_TRUE(scanner.NextPart());
        EXPECT_EQ(scanner.DocumentOffset(scanner.PartEnd()), static_cast<long long>(std::string(doctype).size() - 1));
        EXPECT_EQ(scanner.requests.size(), 1u);
    }
}

TEST(Dtd, TablesHoldTheDeclarations) {
    xml::TXmlParser scanner;
    scanAll(scanner,
            "<!DOCTYPE r SYSTEM 'r.dtd' [\n"
            "<!ELEMENT r (#PCDATA | b)*>\n"
            "<!ELEMENT b ( c , d )>\n"
            "<!ELEMENT e EMPTY>\n"
            "<!ATTLIST b n NOTATION (gif | png) 'gif' t ENTITIES #IMPLIED>\n"
            "<!ENTITY % pe 'P'>\n"
            "<!ENTITY pic SYSTEM 'p.gif' NDATA gif>\n"
            "<!ENTITY pub PUBLIC '-//X//EN' 'x.xml'>\n"
            "<!NOTATION gif SYSTEM 'image/gif'>\n"
            "<!NOTATION gif PUBLIC 'pub'>\n"
            "]>");
    EXPECT_EQ(scanner.DoctypeRoot(), "r");
    const auto& elements = scanner.ElementDefs();
    ASSERT_EQ(elements.Count(), 3u);
    EXPECT_EQ(elements[0].Name, "b");
    EXPECT_EQ(elements[0].ContentModel, "(c,d)");
    EXPECT_EQ(elements[0].ContentKind, xml::ckElements);
    EXPECT_EQ(elements[1].Name, "e");
    EXPECT_EQ(elements[1].ContentKind, xml::ckEmpty);
    EXPECT_EQ(elements[2].ContentKind, xml::ckMixed);
    ASSERT_EQ(elements[0].Count(), 2u);
    EXPECT_EQ(elements[0][0].Name, "n");
    EXPECT_EQ(elements[0][0].DeclaredType, xml::dtNotation);
    EXPECT_EQ(elements[0][0].NotationList, "gif|png");
    EXPECT_EQ(elements[0][0].Value, "gif");
    EXPECT_EQ(elements[0][1].TypeText, "ENTITIES");
    EXPECT_EQ(elements[0][1].DeclaredType, xml::dtEntities);
    EXPECT_EQ(elements[0][1].DefaultRule, xml::drImplied);

    const auto& general = scanner.GeneralEntities();
    ASSERT_EQ(general.Count(), 2u);
    EXPECT_EQ(general[0].Name, "pic");
    EXPECT_EQ(general[0].SystemLiteral, "p.gif");
    EXPECT_EQ(general[0].NDataName, "gif");
    EXPECT_EQ(general[1].PubidLiteral, "-//X//EN");
    EXPECT_EQ(general[1].SystemLiteral, "x.xml");
    ASSERT_EQ(scanner.ParameterEntities().Count(), 1u);
    EXPECT_EQ(scanner.ParameterEntities()[0].Value, "P");
    ASSERT_EQ(scanner.NotationDefs().Count(), 2u);  // repeated names give several entries
    EXPECT_EQ(scanner.NotationDefs()[0].Value, "");
    EXPECT_EQ(scanner.NotationDefs()[0].PubidLiteral, "pub");
    EXPECT_EQ(scanner.NotationDefs()[1].Value, "image/gif");
}

}  // namespace
