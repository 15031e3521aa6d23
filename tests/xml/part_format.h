#pragma once
// A compact text form of scanned parts, so that a test can state a whole scan as a list of lines:
//   D{attrs} declaration, C comment, I:target|text{attrs} instruction, Y:root doctype,
//   S:name{attrs} start tag, M:name{attrs} empty-element tag, E:name{attrs} end tag,
//   T:text, X:cdata. Attributes read name=value, with (origin,type) when either is not 0.
// Bytes outside printable ASCII are written as \xHH.
#include <string>
#include <vector>

#include "xml/scanner.h"

namespace xmltest {

inline std::string visible(const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

inline std::string attrsOf(const xml::TXmlParser& scanner) {
    std::string out = "{";
    for (const auto& attr : scanner.PartAttrs()) {
        if (out.size() > 1) out += ',';
        out += visible(attr->Name) + "=" + visible(attr->Value);
        if (attr->ValueOrigin || attr->DeclaredType)
            out += "(" + std::to_string(attr->ValueOrigin) + "," + std::to_string(attr->DeclaredType) + ")";
    }
    return out + "}";
}

inline std::string describePart(const xml::TXmlParser& s) {
    using namespace xml;
    switch (s.PartKind()) {
        case xpDeclaration: return "D" + attrsOf(s);
        case xpComment: return "C";
        case xpInstruction: return "I:" + visible(s.PartName()) + "|" + visible(s.PartText()) + attrsOf(s);
        case xpDocType: return "Y:" + visible(s.DoctypeRoot());
        case xpStartTag: return "S:" + visible(s.PartName()) + attrsOf(s);
        case xpEmptyTag: return "M:" + visible(s.PartName()) + attrsOf(s);
        case xpEndTag: return "E:" + visible(s.PartName()) + attrsOf(s);
        case xpText: return "T:" + visible(s.PartText());
        case xpCData: return "X:" + visible(s.PartText());
        default: return "?";
    }
}

// Scans the whole text (with a generous cap on the number of parts) and describes every part.
inline std::vector<std::string> scanAll(xml::TXmlParser& scanner, const std::string& text) {
    scanner.AssignText(text);
    scanner.Rewind();
    std::vector<std::string> parts;
    while (parts.size() < 100000 && scanner.NextPart()) parts.push_back(describePart(scanner));
    return parts;
}

inline std::vector<std::string> scanAll(const std::string& text) {
    xml::TXmlParser scanner;
    return scanAll(scanner, text);
}

}  // namespace xmltest
