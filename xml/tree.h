#pragma once
// The XML item tree: TQXMLParser reads a whole file, scans it once with TXmlParser and builds a tree
// of TXMLItem objects (elements with their attributes, comments, processing instructions) under an
// empty root. Malformed XML raises nothing: missing end tags close at the end of the text, and any
// end tag closes the innermost open element. Deep nesting is built without recursion.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xml/scanner.h"

namespace xml {

enum TXMLItemKind : std::uint8_t { xiRoot = 0, xiElement = 1, xiComment = 2, xiInstruction = 3 };

struct TAttribute {
    std::string Name;
    std::string Value;
};

class TXMLItem {
public:
    TXMLItem(TXMLItemKind kind, TXMLItem* parent, std::string name)
        : Parent(parent), Kind(kind), Name(std::move(name)) {}
    ~TXMLItem();  // destroys the whole subtree, without recursion
    TXMLItem(const TXMLItem&) = delete;
    TXMLItem& operator=(const TXMLItem&) = delete;

    TXMLItem* Parent;  // none for a root; not owned
    TXMLItemKind Kind;
    // Element: its name; comment: its text; instruction: target, one space, text; root: empty.
    std::string Name;
    std::string Content;  // the last character or CDATA text read after the item at its level
    std::vector<std::unique_ptr<TXMLItem>> Items;
    std::vector<TAttribute> Attributes;  // in the scanner's order: by name, a repeated name's later value first

    // The value of the first attribute whose name equals `name` by SameTextNoCase, or "".
    std::string AttributeValue(std::string_view name) const;
};

class TQXMLParser {
public:
    TQXMLParser();
    ~TQXMLParser();
    TQXMLParser(const TQXMLParser&) = delete;
    TQXMLParser& operator=(const TQXMLParser&) = delete;

    // Native decoding (off by default): text and attribute values of a document declared "UTF-8"
    // come out as UTF-8 (valid UTF-8 kept, anything else read as Windows-1251) instead of
    // Windows-1252. Takes effect at the next Parse or LoadFromFile.
    bool NativeDecoding = false;

    // Destroys the tree and empties the texts.
    void Clear();
    // Clear, read the whole file into SourceText, Parse. Throws platform::EFOpenError ("Cannot open
    // file %s") or platform::EReadError ("Stream read error"); the tree is then empty.
    void LoadFromFile(const std::string& fileName);
    // Clear, take `text` as SourceText, Parse.
    void LoadFromText(std::string text);
    // Builds the tree under Root from SourceText.
    void Parse();

    // The first element of that name (SameTextNoCase) in pre-order, or none.
    TXMLItem* FindElement(std::string_view name) const;

    const std::string& SourceText() const { return sourceText_; }
    TXMLItem& Root() const { return *root_; }
    const std::string& DeclarationText() const { return declarationText_; }
    const std::string& DoctypeText() const { return doctypeText_; }
    TXmlParser& Scanner() { return *scanner_; }

private:
    std::string sourceText_;
    std::unique_ptr<TXmlParser> scanner_;
    std::unique_ptr<TXMLItem> root_;
    std::string declarationText_;
    std::string doctypeText_;
};

}  // namespace xml
