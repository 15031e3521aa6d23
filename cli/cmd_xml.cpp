// skarvel-cli xml parts|dtd|tree|find: the XML scanner, its DTD tables and the item tree as JSON.
#include <CLI/CLI.hpp>

#include <iostream>
#include <string>
#include <vector>

#include "cli/common.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "xml/scanner.h"
#include "xml/tree.h"

namespace cli {
namespace {

using namespace xml;

struct XmlOptions {
    std::string file;
    bool native = false;
    std::string name;
    std::vector<std::string> attrs;
};

const char* partKindName(TXmlPartKind kind) {
    static const char* const kNames[] = {"xpNone",     "xpDeclaration", "xpComment", "xpInstruction", "xpDocType",
                                         "xpStartTag", "xpEmptyTag",    "xpEndTag",  "xpText",        "xpCData"};
    return kind <= xpCData ? kNames[kind] : "xpNone";
}

const char* itemKindName(TXMLItemKind kind) {
    static const char* const kNames[] = {"xiRoot", "xiElement", "xiComment", "xiInstruction"};
    return kind <= xiInstruction ? kNames[kind] : "xiRoot";
}

// Hands the file to the scanner without a copy: parts and dtd stream over it, no tree is built.
void scanWhole(TXmlParser& scanner, const XmlOptions& options) {
    scanner.SetNativeDecoding(options.native);
    scanner.TakeText(platform::readWholeFile(options.file));
    scanner.Rewind();
}

std::string attrsJson(const TAttrList& attrs) {
    std::string out = "[";
    for (const auto& attr : attrs) {
        if (out.size() > 1) out += ',';
        out += "{\"name\":" + jsonString(attr->Name) + ",\"value\":" + jsonString(attr->Value) +
               ",\"origin\":" + std::to_string(attr->ValueOrigin) + ",\"type\":" + std::to_string(attr->DeclaredType) +
               "}";
    }
    return out + "]";
}

void printParts(const XmlOptions& options) {
    TXmlParser scanner;
    scanWhole(scanner, options);
    while (scanner.NextPart()) {
        const TXmlPartKind kind = scanner.PartKind();
        std::string line = std::string("{\"kind\":\"") + partKindName(kind) + "\"";
        const bool tag = kind == xpStartTag || kind == xpEmptyTag || kind == xpEndTag;
        if (tag || kind == xpInstruction) line += ",\"name\":" + jsonString(scanner.PartName());
        if (kind == xpText || kind == xpCData || kind == xpInstruction)
            line += ",\"text\":" + jsonString(scanner.PartText());
        if (kind == xpDocType) line += ",\"root\":" + jsonString(scanner.DoctypeRoot());
        if (tag || kind == xpInstruction || kind == xpDeclaration)
            line += ",\"attrs\":" + attrsJson(scanner.PartAttrs());
        line += ",\"begin\":" + std::to_string(scanner.DocumentOffset(scanner.PartBegin()));
        line += ",\"end\":" + std::to_string(scanner.DocumentOffset(scanner.PartEnd())) + "}";
        std::cout << line << '\n';
    }
}

std::string entitiesJson(const TEntityList& entities) {
    std::string out = "[";
    for (const auto& entity : entities) {
        if (out.size() > 1) out += ',';
        out += "{\"name\":" + jsonString(entity->Name) + ",\"value\":" + jsonString(entity->Value) +
               ",\"system\":" + jsonString(entity->SystemLiteral) + ",\"public\":" + jsonString(entity->PubidLiteral) +
               ",\"ndata\":" + jsonString(entity->NDataName) + "}";
    }
    return out + "]";
}

void printDtd(const XmlOptions& options) {
    TXmlParser scanner;
    scanWhole(scanner, options);
    while (scanner.NextPart()) {
    }
    std::string out = "{\"version\":" + jsonString(scanner.DeclVersion()) +
                      ",\"encoding\":" + jsonString(scanner.DeclEncoding()) +
                      ",\"standalone\":" + (scanner.DeclStandalone() ? "true" : "false") +
                      ",\"doctype_root\":" + jsonString(scanner.DoctypeRoot()) + ",\"elements\":[";
    bool first = true;
    for (const auto& element : scanner.ElementDefs()) {
        if (!first) out += ',';
        first = false;
        out += "{\"name\":" + jsonString(element->Name) + ",\"content_kind\":" + std::to_string(element->ContentKind) +
               ",\"content_model\":" + jsonString(element->ContentModel) + ",\"attrs\":[";
        bool firstAttr = true;
        for (const auto& def : *element) {
            if (!firstAttr) out += ',';
            firstAttr = false;
            out += "{\"name\":" + jsonString(def->Name) + ",\"default\":" + jsonString(def->Value) +
                   ",\"type_text\":" + jsonString(def->TypeText) + ",\"notations\":" + jsonString(def->NotationList) +
                   ",\"declared_type\":" + std::to_string(def->DeclaredType) +
                   ",\"default_rule\":" + std::to_string(def->DefaultRule) + "}";
        }
        out += "]}";
    }
    out += "],\"general_entities\":" + entitiesJson(scanner.GeneralEntities()) +
           ",\"parameter_entities\":" + entitiesJson(scanner.ParameterEntities()) + ",\"notations\":[";
    first = true;
    for (const auto& notation : scanner.NotationDefs()) {
        if (!first) out += ',';
        first = false;
        out += "{\"name\":" + jsonString(notation->Name) + ",\"system\":" + jsonString(notation->Value) +
               ",\"public\":" + jsonString(notation->PubidLiteral) + "}";
    }
    std::cout << out << "]}\n";
}

// The opening of an item's object, up to and including the "[" of its "items".
std::string itemHead(const TXMLItem& item) {
    std::string out = std::string("{\"kind\":\"") + itemKindName(item.Kind) + "\",\"name\":" + jsonString(item.Name) +
                      ",\"content\":" + jsonString(item.Content) + ",\"attrs\":[";
    bool first = true;
    for (const TAttribute& attribute : item.Attributes) {
        if (!first) out += ',';
        first = false;
        out += "[" + jsonString(attribute.Name) + "," + jsonString(attribute.Value) + "]";
    }
    return out + "],\"items\":[";
}

// Writes the tree as JSON as it walks it, without recursion so that deep nesting cannot exhaust
// the stack, and without holding the whole text.
void writeTreeJson(std::ostream& out, const TXMLItem& root) {
    out << itemHead(root);
    std::vector<std::pair<const TXMLItem*, size_t>> stack{{&root, 0}};
    while (!stack.empty()) {
        auto& [item, index] = stack.back();
        if (index == item->Items.size()) {
            out << "]}";
            stack.pop_back();
            continue;
        }
        if (index > 0) out << ',';
        const TXMLItem* child = item->Items[index++].get();
        out << itemHead(*child);
        stack.push_back({child, 0});
    }
}

void printTree(const XmlOptions& options) {
    TQXMLParser parser;
    parser.NativeDecoding = options.native;
    parser.LoadFromFile(options.file);
    std::cout << "{\"declaration\":" << jsonString(parser.DeclarationText())
              << ",\"doctype\":" << jsonString(parser.DoctypeText()) << ",\"root\":";
    writeTreeJson(std::cout, parser.Root());
    std::cout << "}\n";
}

void printFind(const XmlOptions& options) {
    TQXMLParser parser;
    parser.NativeDecoding = options.native;
    parser.LoadFromFile(options.file);
    const TXMLItem* found = parser.FindElement(options.name);
    if (!found) {
        std::cout << "null\n";
        return;
    }
    std::vector<size_t> path;
    for (const TXMLItem* item = found; item->Parent; item = item->Parent) {
        const auto& siblings = item->Parent->Items;
        for (size_t i = 0; i < siblings.size(); ++i)
            if (siblings[i].get() == item) path.push_back(i);
    }
    std::string out = "{\"name\":" + jsonString(found->Name) + ",\"path\":[";
    for (size_t i = path.size(); i-- > 0;) out += std::to_string(path[i]) + (i ? "," : "");
    out += "],\"values\":{";
    for (size_t i = 0; i < options.attrs.size(); ++i) {
        if (i) out += ',';
        out += jsonString(options.attrs[i]) + ":" + jsonString(found->AttributeValue(options.attrs[i]));
    }
    std::cout << out << "}}\n";
}

}  // namespace

void registerXml(CLI::App& app) {
    auto options = std::make_shared<XmlOptions>();
    auto* command = app.add_subcommand("xml", "Scan an XML file: its parts, DTD tables, item tree or one element");
    command->require_subcommand(1);
    command->footer("Exit codes: 0 scanned; 1 failure (the file cannot be read, or out of memory); 2 usage error.");
    command->add_flag("--native", options->native, "Decode text to UTF-8 (Windows-1251 where it is not UTF-8)");

    auto addVerb = [&](const char* name, const char* help) {
        auto* verb = command->add_subcommand(name, help);
        verb->add_flag("--native", options->native, "Decode text to UTF-8 (Windows-1251 where it is not UTF-8)");
        verb->add_option("FILE", options->file, "The XML file")->required();
        return verb;
    };
    addVerb("parts", "One JSON line per part")->callback([options] { printParts(*options); });
    addVerb("dtd", "The document properties and the DTD tables")->callback([options] { printDtd(*options); });
    addVerb("tree", "The item tree")->callback([options] { printTree(*options); });
    auto* find = addVerb("find", "The first element of a name, and the values of attributes");
    find->add_option("NAME", options->name, "Element name (letter case ignored)")->required();
    find->add_option("ATTR", options->attrs, "Attribute names");
    find->callback([options] { printFind(*options); });
}

}  // namespace cli
