// The item tree: building, searching, attribute lookup, case folding and loading files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/codepage.h"
#include "platform/errors.h"
#include "xml/casefold.h"
#include "xml/tree.h"

namespace {

using xml::TQXMLParser;
using xml::TXMLItem;

std::string readFixture(const std::string& name) {
    std::ifstream in(std::string(SKARVEL_TEST_DATA) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Element names (and comment/instruction markers) of a subtree in pre-order, with nesting.
std::string shape(const TXMLItem& item) {
    std::string out;
    for (const auto& child : item.Items) {
        if (!out.empty()) out += ' ';
        out += child->Kind == xml::xiComment       ? "#" + child->Name
               : child->Kind == xml::xiInstruction ? "?" + child->Name
                                                   : child->Name;
        if (!child->Content.empty()) out += "=" + child->Content;
        if (!child->Items.empty()) out += "(" + shape(*child) + ")";
    }
    return out;
}

std::string treeOf(const std::string& text) {
    TQXMLParser parser;
    parser.LoadFromText(text);
    return shape(parser.Root());
}

TEST(Tree, Descriptor) {
    TQXMLParser parser;
    parser.LoadFromFile(std::string(SKARVEL_TEST_DATA) + "/descriptor.xml");
    EXPECT_EQ(parser.DeclarationText(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    EXPECT_EQ(parser.DoctypeText(), "<!DOCTYPE theme PUBLIC \"-//NOKIA//DTD THEME 1.1//EN\" \"theme.dtd\">");
    ASSERT_EQ(parser.Root().Items.size(), 1u);
    const TXMLItem& theme = *parser.Root().Items[0];
    EXPECT_EQ(theme.Kind, xml::xiElement);
    EXPECT_EQ(theme.Parent, &parser.Root());
    EXPECT_EQ(shape(parser.Root()), "theme(wallpaper screensaver ringtone colorscheme icon background)");
    const TXMLItem& icon = *theme.Items[4];
    ASSERT_EQ(icon.Attributes.size(), 3u);
    EXPECT_EQ(icon.Attributes[0].Name, "item_id");
    EXPECT_EQ(icon.Attributes[1].Name, "size");
    EXPECT_EQ(icon.Attributes[2].Name, "src");
    EXPECT_EQ(parser.FindElement("RINGTONE")->AttributeValue("Src"), "Nokia tune.aac");
    EXPECT_EQ(parser.SourceText(), readFixture("descriptor.xml"));
}

struct TreeCase {
    const char* name;
    std::string input;
    std::string shape;
};

void PrintTo(const TreeCase& c, std::ostream* os) { *os << c.name; }

const std::vector<TreeCase> kTreeCases = {
    {"TextGoesToLastItem", "<a>x<b/>y</a>", "a=x(b=y)"},
    {"TextAfterEndTagReplacesContent", "<a><b>x</b>tail</a>", "a(b=tail)"},
    {"AnyEndTagClosesInnermost", "<a><b></a><c/>", "a(b c)"},
    {"TopLevelEndTagEndsDocument", "<a/></x><b/>", "a"},
    {"MissingEndTagsCloseAtEnd", "<a><b><c>", "a(b(c))"},
    {"CommentsAndInstructions", "<!----><!--wallpaper--><?t a b ?><a/>", "# #wallpaper ?t  a b  a"},
    {"CDataIsContent", "<a><![CDATA[ x ]]></a>", "a= x "},
    {"TopLevelTextBeforeAnyItemDropped", "text<a/>", "a"},
    {"EmptyText", "", ""},
};

class TreeTable : public testing::TestWithParam<TreeCase> {};

TEST_P(TreeTable, Shape) { EXPECT_EQ(treeOf(GetParam().input), GetParam().shape); }

INSTANTIATE_TEST_SUITE_P(Tree, TreeTable, testing::ValuesIn(kTreeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Tree, FindElementInPreOrder) {
    struct Case {
        std::string text;
        const char* name;
        std::string expected;  // path of indices, or "none"
    } cases[] = {
        {"<themes><!--c--><theme/></themes>", "theme", "0.1"},
        {"<a><b><theme k='1'/></b><theme k='2'/></a>", "THEME", "0.0.0"},
        {"<!--theme--><a/>", "theme", "none"},
        {"<?theme x?><a/>", "theme", "none"},
        {"", "theme", "none"},
        {" \n\t ", "theme", "none"},
    };
    for (const Case& c : cases) {
        TQXMLParser parser;
        parser.LoadFromText(c.text);
        const TXMLItem* found = parser.FindElement(c.name);
        std::string path = "none";
        if (found) {
            path.clear();
            for (const TXMLItem* item = found; item->Parent; item = item->Parent) {
                const auto& siblings = item->Parent->Items;
                for (size_t i = 0; i < siblings.size(); ++i)
                    if (siblings[i].get() == item) path = std::to_string(i) + (path.empty() ? "" : "." + path);
            }
        }
        EXPECT_EQ(path, c.expected) << c.text;
    }
}

TEST(Tree, AttributeValue) {
    TQXMLParser parser;
    parser.LoadFromText("<a src='1' src='2' SRC='3'/><b/>");
    const TXMLItem* a = parser.FindElement("a");
    EXPECT_EQ(a->AttributeValue("src"), "3");  // "SRC" sorts first
    EXPECT_EQ(a->AttributeValue("color"), "");
    parser.LoadFromText("<a src='1' src='2'/>");
    EXPECT_EQ(parser.FindElement("a")->AttributeValue("SRC"), "2");  // the value written last
    EXPECT_EQ(parser.FindElement("a")->AttributeValue(""), "");
}

TEST(Tree, SameTextNoCase) {
    struct Case {
        std::string a, b;
        bool same;
    } cases[] = {
        {"wallpaper", "WallPaper", true},
        {"\xB8", "\xA8", true},
        {"\xE9", "\xC9", true},
        {"", "", true},
        {"a", "", false},
        {"ab", "abc", false},
        {"\xBF", "\xAF", true},
        {"\x83", "\x81", true},
    };
    for (const Case& c : cases) EXPECT_EQ(xml::SameTextNoCase(c.a, c.b), c.same) << c.a << " / " << c.b;
    for (int b = 0; b < 256; ++b) {
        if (b != 0xB5) EXPECT_FALSE(xml::SameTextNoCase("\xB5", std::string(1, static_cast<char>(b)))) << b;
    }
    // Valid UTF-8 on both sides: Unicode simple case folding, whatever the byte lengths.
    const Case unicode[] = {
        {"\xD0\x81", "\xD1\x91", true},   // Ё ё
        {"\xD0\x81", "\xD0\x83", false},  // Ё Ѓ (equal through the Windows-1251 table)
        {"\xD0\xA4\xD0\x9E\xD0\xA2\xD0\x9E.PNG", "\xD1\x84\xD0\xBE\xD1\x82\xD0\xBE.png", true},  // ФОТО фото
        {"STRA\xE1\xBA\x9E"
         "E",
         "stra\xC3\x9F"
         "e",
         true},                          // ẞ folds to ß
        {"\xE2\x84\xAA", "k", true},     // the Kelvin sign folds to k
        {"\xC3\xA9", "\xC3\x89", true},  // é É
        {"\xC3\xA9", "e", false},
    };
    for (const Case& c : unicode) EXPECT_EQ(xml::SameTextNoCase(c.a, c.b), c.same) << c.a << " / " << c.b;
    int differing = 0;
    for (int b = 0; b < 256; ++b) differing += platform::kWin1251Upper[b] != b;
    EXPECT_EQ(differing, 73);
}

TEST(Tree, TenThousandNestedStartTags) {
    std::string text;
    for (int i = 0; i < 10000; ++i) text += "<e" + std::to_string(i) + ">";
    TQXMLParser parser;
    parser.LoadFromText(text);
    const TXMLItem* item = &parser.Root();
    int depth = 0;
    while (!item->Items.empty()) {
        item = item->Items[0].get();
        ++depth;
    }
    EXPECT_EQ(depth, 10000);
    EXPECT_EQ(parser.FindElement("e9999"), item);
    parser.Clear();
    EXPECT_TRUE(parser.Root().Items.empty());
}

TEST(Tree, NativeDecodingKeepsCyrillicFileNames) {
    const std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<theme><wallpaper src=\"\xCC\xEE\xE9.jpg\"/>"
        "<background src=\"\xD0\x9C.jpg\"/></theme>\n";
    TQXMLParser parser;
    parser.LoadFromText(text);
    // Windows-1252 decoding reads E9 2E 6A as one three-byte sequence: the name is lost.
    EXPECT_EQ(parser.FindElement("wallpaper")->AttributeValue("src"), "\xBF\xBFpg");
    parser.NativeDecoding = true;
    parser.LoadFromText(text);
    EXPECT_EQ(parser.FindElement("wallpaper")->AttributeValue("src"), "\xD0\x9C\xD0\xBE\xD0\xB9.jpg");
    EXPECT_EQ(parser.FindElement("background")->AttributeValue("src"), "\xD0\x9C.jpg");
}

TEST(Tree, LoadFromFileErrorsLeaveAnEmptyTree) {
    TQXMLParser parser;
    parser.LoadFromText("<a/>");
    const std::string missing = testing::TempDir() + "/skarvel-no-such-file.xml";
    try {
        parser.LoadFromFile(missing);
        FAIL() << "no error";
    } catch (const platform::EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + missing);
    }
    EXPECT_TRUE(parser.Root().Items.empty());
    EXPECT_TRUE(parser.SourceText().empty());
    EXPECT_THROW(parser.LoadFromFile(testing::TempDir()), platform::EFOpenError);  // a folder

    // A zero byte ends what the scanner sees; the source text keeps the whole file.
    const std::string withZero = testing::TempDir() + "/skarvel-zero.xml";
    {
        std::ofstream out(withZero, std::ios::binary);
        out << std::string("<a/>\0<b/>", 9);
    }
    parser.LoadFromFile(withZero);
    EXPECT_EQ(parser.SourceText().size(), 9u);
    EXPECT_EQ(shape(parser.Root()), "a");
    std::remove(withZero.c_str());
}

}  // namespace
