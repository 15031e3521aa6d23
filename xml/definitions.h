#pragma once
// The entries of the scanner's lists: attributes of a tag, and the element, attribute, entity and
// notation definitions read from a document type declaration. All lists are TSortedList.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "xml/sorted_list.h"

namespace xml {

// A name/value pair.
struct TNvpNode {
    std::string Name;
    std::string Value;
    virtual ~TNvpNode() = default;
};
using TNvpList = TSortedList<TNvpNode>;

// Where an attribute's value came from.
enum TValueOrigin : std::uint8_t { voWritten = 0, voImplied = 1, voFixed = 2, voDefaulted = 3 };

// Declared attribute types (TAttrDef::DeclaredType, TAttr::DeclaredType).
enum TDeclaredType : std::uint8_t {
    dtNone = 0,
    dtCData = 1,
    dtId = 2,
    dtIdRef = 3,
    dtIdRefs = 4,
    dtEntity = 5,
    dtEntities = 6,
    dtNmToken = 7,
    dtNmTokens = 8,
    dtNotation = 9,
    dtEnumeration = 10
};

// Default rules of an attribute definition.
enum TDefaultRule : std::uint8_t { drNone = 0, drRequired = 1, drImplied = 2, drFixed = 3 };

// Content kinds of an element definition.
enum TContentKind : std::uint8_t { ckEmpty = 0, ckAny = 1, ckElements = 2, ckMixed = 3 };

// One attribute of the current tag.
struct TAttr : TNvpNode {
    std::uint8_t ValueOrigin = voWritten;
    std::uint8_t DeclaredType = dtNone;
};
using TAttrList = TSortedList<TAttr>;

// An attribute definition from an ATTLIST declaration; `Value` holds the default or fixed value.
struct TAttrDef : TNvpNode {
    std::string TypeText;      // the type token, or the text of an enumeration
    std::string NotationList;  // the names of a NOTATION type
    std::uint8_t DeclaredType = dtNone;
    std::uint8_t DefaultRule = drNone;
};

// An element definition; the list holds its attribute definitions.
struct TElemDef : TSortedList<TAttrDef> {
    std::string Name;
    std::uint8_t ContentKind = ckAny;
    std::string ContentModel;

    // The attribute definitions with a default value, in list order. Made on first use; whoever
    // changes the definitions calls DefinitionsChanged.
    const std::vector<const TAttrDef*>& Defaults() const {
        if (!defaultsKnown_) {
            defaults_.clear();
            for (const auto& def : *this)
                if (!def->Value.empty()) defaults_.push_back(def.get());
            defaultsKnown_ = true;
        }
        return defaults_;
    }
    void DefinitionsChanged() { defaultsKnown_ = false; }

private:
    mutable std::vector<const TAttrDef*> defaults_;
    mutable bool defaultsKnown_ = false;
};
using TElemList = TSortedList<TElemDef>;

// An entity: `Value` is the replacement text of an internal entity, empty for an external one.
struct TEntityDef : TNvpNode {
    std::string SystemLiteral;
    std::string PubidLiteral;
    std::string NDataName;

    // `Value` as a shared text that a scan can walk in place; it stays valid while the scan holds
    // it, even when a later declaration replaces this entity. Made on first use: `Value` must not
    // change once the entity is in a table.
    const std::shared_ptr<const std::string>& ReplacementText() const {
        if (!replacementText_) replacementText_ = std::make_shared<const std::string>(Value);
        return replacementText_;
    }

private:
    mutable std::shared_ptr<const std::string> replacementText_;
};
using TEntityList = TSortedList<TEntityDef>;

// A notation: `Value` holds its system literal.
struct TNotationDef : TNvpNode {
    std::string PubidLiteral;
};
using TNotationList = TSortedList<TNotationDef>;

}  // namespace xml
