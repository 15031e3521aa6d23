#include "xml/tree.h"

#include <new>

#include "platform/errors.h"
#include "platform/files.h"
#include "xml/casefold.h"

namespace xml {

namespace {

// The comment's text: from the fifth character of the part to the fourth-last.
std::string commentText(std::string_view part) {
    return part.size() >= 8 ? std::string(part.substr(4, part.size() - 7)) : std::string();
}

}  // namespace

TXMLItem::~TXMLItem() {
    // Post-order walk through the Parent links: each leaf is removed from its parent's list, so
    // deep nesting needs no recursion and nothing is allocated (this may run while the stack
    // unwinds from std::bad_alloc).
    TXMLItem* item = this;
    for (;;) {
        if (!item->Items.empty()) {
            item = item->Items.back().get();
            continue;
        }
        if (item == this) break;
        TXMLItem* parent = item->Parent;
        parent->Items.pop_back();  // destroys `item`, which holds no children any more
        item = parent;
    }
}

std::string TXMLItem::AttributeValue(std::string_view name) const {
    for (const TAttribute& attribute : Attributes)
        if (SameTextNoCase(name, attribute.Name)) return attribute.Value;
    return std::string();
}

TQXMLParser::TQXMLParser()
    : scanner_(std::make_unique<TXmlParser>()), root_(std::make_unique<TXMLItem>(xiRoot, nullptr, std::string())) {}

TQXMLParser::~TQXMLParser() = default;

void TQXMLParser::Clear() {
    // Empties the root in place: clearing allocates nothing.
    root_->Items.clear();
    root_->Content.clear();
    std::string().swap(declarationText_);
    std::string().swap(doctypeText_);
    std::string().swap(sourceText_);
}

void TQXMLParser::LoadFromFile(const std::string& fileName) {
    Clear();
    sourceText_ = platform::readWholeFile(fileName);
    Parse();
}

void TQXMLParser::LoadFromText(std::string text) {
    Clear();
    sourceText_ = std::move(text);
    Parse();
}

void TQXMLParser::Parse() {
    TXmlParser& scanner = *scanner_;
    scanner.SetNativeDecoding(NativeDecoding);
    if (!scanner.AssignText(sourceText_)) throw std::bad_alloc();
    scanner.Rewind();

    // One entry per open nesting level: its item and the item most recently created at it.
    struct Level {
        TXMLItem* item;
        TXMLItem* last;
    };
    std::vector<Level> levels{{root_.get(), nullptr}};
    auto append = [&](TXMLItemKind kind, std::string name) -> TXMLItem& {
        Level& level = levels.back();
        level.item->Items.push_back(std::make_unique<TXMLItem>(kind, level.item, std::move(name)));
        level.last = level.item->Items.back().get();
        return *level.last;
    };
    while (!levels.empty() && scanner.NextPart()) {
        switch (scanner.PartKind()) {
            case xpDeclaration: declarationText_ = scanner.PartSource(); break;
            case xpDocType: doctypeText_ = scanner.PartSource(); break;
            case xpComment: append(xiComment, commentText(scanner.PartSource())); break;
            case xpInstruction: append(xiInstruction, scanner.PartName() + ' ' + scanner.PartText()); break;
            case xpStartTag:
            case xpEmptyTag: {
                TXMLItem& element = append(xiElement, scanner.PartName());
                element.Attributes.reserve(scanner.PartAttrs().Count());
                for (const auto& attr : scanner.PartAttrs()) element.Attributes.push_back({attr->Name, attr->Value});
                if (scanner.PartKind() == xpStartTag) levels.push_back({&element, &element});
                break;
            }
            case xpEndTag:
                levels.pop_back();  // at the top level this ends the document
                break;
            case xpText:
            case xpCData:
                // Text before the first item of the top level has no item to go to.
                if (levels.back().last) levels.back().last->Content = scanner.PartText();
                break;
            default: break;
        }
    }
}

TXMLItem* TQXMLParser::FindElement(std::string_view name) const {
    // Pre-order walk with an explicit stack of (item, next child index).
    std::vector<std::pair<const TXMLItem*, size_t>> stack{{root_.get(), 0}};
    while (!stack.empty()) {
        auto& [item, index] = stack.back();
        if (index == item->Items.size()) {
            stack.pop_back();
            continue;
        }
        TXMLItem* child = item->Items[index++].get();
        if (child->Kind == xiElement && SameTextNoCase(name, child->Name)) return child;
        stack.push_back({child, 0});
    }
    return nullptr;
}

}  // namespace xml
