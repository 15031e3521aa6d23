// The document-type side of TXmlParser: the DOCTYPE part, its internal subset and the ELEMENT,
// ATTLIST, ENTITY and NOTATION declarations that fill the DTD tables.
#include <cstring>

#include "xml/chars.h"
#include "xml/reading.h"
#include "xml/scanner.h"

namespace xml {

using namespace reading;

namespace {

inline constexpr StopSet kNotationNameStop{"", true};

std::uint8_t declaredTypeOf(std::string_view token) {
    static constexpr std::pair<std::string_view, TDeclaredType> kTypes[] = {
        {"CDATA", dtCData},     {"ID", dtId},
        {"IDREF", dtIdRef},     {"IDREFS", dtIdRefs},
        {"ENTITY", dtEntity},   {"ENTITIES", dtEntities},
        {"NMTOKEN", dtNmToken}, {"NMTOKENS", dtNmTokens},
    };
    for (const auto& [name, type] : kTypes)
        if (token == name) return type;
    return dtNone;
}

std::uint8_t contentKindOf(std::string_view model) {
    if (model == "EMPTY") return ckEmpty;
    if (model == "ANY") return ckAny;
    if (model.starts_with("(#PCDATA")) return ckMixed;
    if (model.starts_with("(")) return ckElements;
    return ckAny;
}

// The first quote, apostrophe, ">", "[" or zero at or after p.
const char* literalSearch(const char* p) {
    while (*p && !isQuote(*p) && *p != '>' && *p != '[') ++p;
    return p;
}

// Reads the literal opening at p; returns its closing quote, or the last character of the text.
const char* literalUpToClose(const char* p, std::string& out) {
    const char* after = readLiteral(p, out);
    return after - 1;
}

// Where a walk goes on after an external identifier: past its stop, unless that is the zero.
const char* afterStop(const char* stop) { return *stop ? stop + 1 : stop; }

}  // namespace

// The literals of "SYSTEM" or "PUBLIC", the position where reading them stopped, and where the
// walk goes on: after the closing quote of the last literal, or at the ">", "[" or zero where the
// search for a literal stopped (so that a missing literal never swallows the declaration's end).
struct TXmlParser::ExternalId {
    std::string PubidLiteral;
    std::string SystemLiteral;
    const char* StopPos = nullptr;
    const char* Resume = nullptr;

    explicit ExternalId(const char* p) : StopPos(p), Resume(p + 1) {
        const bool isSystem = startsWith(p, "SYSTEM");
        if (!isSystem && !startsWith(p, "PUBLIC")) return;
        const char* s = literalSearch(p);
        bool endsOnLiteral = false;
        if (isQuote(*s)) {
            s = literalUpToClose(s, isSystem ? SystemLiteral : PubidLiteral);
            endsOnLiteral = true;
            if (!isSystem) {
                const char* second = literalSearch(s + 1);
                endsOnLiteral = isQuote(*second);
                s = endsOnLiteral ? literalUpToClose(second, SystemLiteral) : second;
            }
        }
        StopPos = s;
        Resume = endsOnLiteral ? afterStop(s) : s;
    }
};

void TXmlParser::scanDocType(const char* p) {
    partKind_ = xpDocType;
    const bool inDocument = DocumentOffset(p) >= 0;
    if (doctypeEnd_) {
        if (inDocument && p == doctypeBegin_) {
            partEnd_ = doctypeEnd_;  // the same part once more after Rewind: nothing is read again
        } else {
            // A further DOCTYPE part runs to its own ">" and contributes nothing.
            partEnd_ = skipDocType(p + 9);
        }
    } else {
        dtdBase_ = openEntities_.size();
        const char* stop = walkDocType(p + 9);
        if (openEntities_.size() > dtdBase_) {
            // The part ended inside a parameter entity's replacement text: it covers its own text
            // up to the end of the outermost open reference, and scanning goes on after that.
            DeclarationSeen();
            const char* resume = openEntities_[dtdBase_].ResumePos;
            while (openEntities_.size() > dtdBase_) popEntity();
            partEnd_ = resume - 1;
        } else {
            partEnd_ = *stop == '>' ? stop : stop - 1;
        }
        doctypeEnd_ = partEnd_;
        doctypeBegin_ = inDocument ? p : nullptr;
    }
    next_ = partEnd_ + 1;
    partKind_ = xpDocType;
    partName_.clear();
    partText_.clear();
}

const char* TXmlParser::skipDocType(const char* q) {
    bool inSubset = false;
    for (;;) {
        const char c = *q;
        if (c == 0) return q - 1;
        if (c == '>' && !inSubset) return q;
        if (isQuote(c)) {
            const char* close = std::strchr(q + 1, c);  // a literal may hold ">", "[" and "]"
            if (!close) return lastChar(q);
            q = close + 1;
            continue;
        }
        if (c == '[') inSubset = true;
        if (c == ']') inSubset = false;
        ++q;
    }
}

bool TXmlParser::popWithinDtd(const char*& q) {
    if (openEntities_.size() <= dtdBase_) return false;
    q = popEntity();
    return true;
}

const char* TXmlParser::walkDocType(const char* q) {
    enum class State { root, external, subset, afterSubset } state = State::root;
    for (;;) {
        const char c = *q;
        if (c == '>') return q;
        if (c == 0) {
            if (popWithinDtd(q)) continue;
            return q;
        }
        if (c == '%') {
            q = parameterReference(q);
        } else if (c == '[') {
            state = State::subset;
            q = walkSubset(q + 1);
        } else if (c == ']') {
            state = State::afterSubset;
            ++q;
        } else if (isWhite(c)) {
            ++q;
        } else if (state == State::root) {
            if (isNameStart(c)) {
                q = readName(q, kRootNameStop, doctypeRoot_);
                state = State::external;
            } else {
                ++q;
            }
        } else if (state == State::external) {
            q = (startsWith(q, "SYSTEM") || startsWith(q, "PUBLIC")) ? readExternalSubset(q) : q + 1;
        } else {
            ++q;
            DeclarationSeen();
        }
    }
}

const char* TXmlParser::readExternalSubset(const char* q) {
    const ExternalId id(q);
    if (auto scanner = OpenExternal(id.SystemLiteral, id.PubidLiteral, std::string())) {
        if (const char* declarations = std::strstr(scanner->Text(), "<!")) {
            // Walked like the internal subset, as a text of its own below any open entity.
            const size_t savedBase = dtdBase_;
            dtdBase_ = openEntities_.size();
            semicolon_.reset();
            closeParen_.reset();
            walkSubset(declarations);
            while (openEntities_.size() > dtdBase_) popEntity();
            dtdBase_ = savedBase;
            semicolon_.reset();
            closeParen_.reset();
        }
    }
    return id.Resume;
}

const char* TXmlParser::walkSubset(const char* q) {
    for (;;) {
        const char c = *q;
        if (c == ']' || c == '>') return q;
        if (c == 0) {
            if (popWithinDtd(q)) continue;
            return q;
        }
        if (c == '%') {
            q = parameterReference(q);
            continue;
        }
        if (c != '<') {
            ++q;
            continue;
        }
        if (startsWith(q, "<!ELEMENT")) {
            q = readElementDecl(q + 9);
        } else if (startsWith(q, "<!ATTLIST")) {
            q = readAttlistDecl(q + 9);
        } else if (startsWith(q, "<!ENTITY")) {
            q = readEntityDecl(q + 8);
        } else if (startsWith(q, "<!NOTATION")) {
            q = readNotationDecl(q + 10);
        } else if (startsWith(q, "<?")) {
            scanInstruction(q);
            q = partEnd_ + 1;
        } else if (startsWith(q, "<!--")) {
            const char* close = std::strstr(q + 4, "-->");
            q = close ? close + 3 : textEnd(q);
        } else {
            ++q;
        }
        DeclarationSeen();
    }
}

const char* TXmlParser::parameterReference(const char* percent) {
    const char* semi = semicolon_.find(percent + 1);
    if (*semi != ';') return percent + 1;
    const std::string_view name(percent + 1, static_cast<size_t>(semi - percent - 1));
    const char* after = semi + 1;
    const TEntityDef* entity = parameterEntities_.Find(name);
    if (!entity || !mayExpand(expansionCost(*entity, name), openEntities_.size())) return after;
    return pushEntity(entity->ReplacementText(), nullptr, after);
}

const char* TXmlParser::declarationEnd(const char* stop) {
    const char* close = std::strchr(stop, '>');
    return close ? close + 1 : textEnd(stop);
}

const char* TXmlParser::readElementDecl(const char* q) {
    auto element = std::make_unique<TElemDef>();
    while (*q && *q != '>' && !isNameStart(*q)) ++q;
    if (isNameStart(*q)) {
        q = readName(q, kWhiteStop, element->Name);
        const char* close = std::strchr(q, '>');
        const char* modelEnd = close ? close : textEnd(q);
        element->ContentModel = parameterPass(removeWhite(std::string_view(q, static_cast<size_t>(modelEnd - q))), 0);
        q = modelEnd;
    }
    element->ContentKind = contentKindOf(element->ContentModel);
    // A new definition discards the old one together with its attribute definitions.
    elementDefs_.Replace(std::move(element));
    return declarationEnd(q);
}

const char* TXmlParser::readAttlistDecl(const char* q) {
    enum class State { element, attribute, type, notations, defaults } state = State::element;
    TElemDef* element = nullptr;
    TAttrDef* attr = nullptr;
    std::string token;
    for (;;) {
        const char c = *q;
        if (isWhite(c)) {
            ++q;
            continue;
        }
        if (c == '>') break;
        if (c == 0) {
            if (popWithinDtd(q)) continue;
            break;
        }
        if (c == '%') {
            q = parameterReference(q);
            continue;
        }
        switch (state) {
            case State::element:
                q = readName(q, kAttlistNameStop, token);
                element = elementDefs_.Find(token);
                if (!element) {
                    auto added = std::make_unique<TElemDef>();
                    added->Name = token;
                    added->ContentModel = "ANY";
                    added->ContentKind = ckAny;
                    element = &elementDefs_.Insert(std::move(added));
                }
                element->DefinitionsChanged();
                state = State::attribute;
                break;
            case State::attribute: {
                auto added = std::make_unique<TAttrDef>();
                q = readName(q, kAttlistNameStop, added->Name);
                attr = &element->Replace(std::move(added));
                state = State::type;
                break;
            }
            case State::type:
                // The rest of an enumeration or a type token is walked in the state "defaults".
                if (c == '(') {
                    const char* close = closeParen_.find(q + 1);
                    const std::string_view list(q + 1, static_cast<size_t>(close - q - 1));
                    attr->TypeText = characterPass(parameterPass(removeWhite(list), 0));
                    attr->DeclaredType = dtEnumeration;
                    state = State::defaults;
                    ++q;
                } else if (startsWith(q, "NOTATION")) {
                    q += 8;
                    attr->DeclaredType = dtNotation;
                    state = State::notations;
                } else {
                    readName(q, kAttlistNameStop, attr->TypeText);
                    attr->DeclaredType = declaredTypeOf(attr->TypeText);
                    state = State::defaults;
                    ++q;
                }
                break;
            case State::notations: {
                const char* close = closeParen_.find(q + 1);
                const std::string_view list(q + 1, static_cast<size_t>(close - q - 1));
                attr->NotationList = removeWhite(parameterPass(list, 0));
                state = State::defaults;
                q = *close ? close + 1 : close;
                break;
            }
            case State::defaults:
                if (c == '#') {
                    q = readName(q, kKeywordStop, token);
                    const std::string keyword = parameterPass(token, 0);
                    if (keyword == "#REQUIRED") {
                        attr->DefaultRule = drRequired;
                        state = State::attribute;
                    } else if (keyword == "#IMPLIED") {
                        attr->DefaultRule = drImplied;
                        state = State::attribute;
                    } else if (keyword == "#FIXED") {
                        attr->DefaultRule = drFixed;
                    }
                } else if (isQuote(c)) {
                    q = readLiteral(q, token);
                    attr->Value = characterPass(parameterPass(token, 0));
                    state = State::attribute;
                } else {
                    ++q;
                }
                break;
        }
    }
    return declarationEnd(q);
}

const char* TXmlParser::readEntityDecl(const char* q) {
    enum class State { name, value, ndata, notation, done } state = State::name;
    bool parameter = false;
    auto entity = std::make_unique<TEntityDef>();
    for (;;) {
        const char c = *q;
        if (c == '>' || c == 0) break;
        if (isWhite(c)) {
            ++q;
            continue;
        }
        if (c == '%') {
            parameter = true;
            ++q;
            continue;
        }
        switch (state) {
            case State::name:
                if (isNameStart(c)) {
                    q = readName(q, kEntityNameStop, entity->Name);
                    state = State::value;
                } else {
                    ++q;
                }
                break;
            case State::value:
                if (isQuote(c)) {
                    q = readLiteral(q, entity->Value);
                    state = State::done;
                } else if (startsWith(q, "SYSTEM") || startsWith(q, "PUBLIC")) {
                    const ExternalId id(q);
                    entity->SystemLiteral = id.SystemLiteral;
                    entity->PubidLiteral = id.PubidLiteral;
                    q = id.Resume;
                    state = State::ndata;
                } else {
                    ++q;
                }
                break;
            case State::ndata:
                if (startsWith(q, "NDATA")) {
                    q += 5;
                    state = State::notation;
                } else {
                    ++q;
                }
                break;
            case State::notation:
                if (isNameStart(c)) {
                    q = readName(q, kNotationNameStop, entity->NDataName);
                    state = State::done;
                } else {
                    ++q;
                }
                break;
            case State::done: ++q; break;
        }
    }
    // A later declaration of a name wins over an earlier one.
    if (parameter) {
        entity->Value = characterPass(entity->Value);
        parameterEntities_.Replace(std::move(entity));
    } else {
        entity->Value = characterPass(parameterPass(entity->Value, 0));
        generalEntities_.Replace(std::move(entity));
    }
    return declarationEnd(q);
}

const char* TXmlParser::readNotationDecl(const char* q) {
    enum class State { name, external, done } state = State::name;
    auto notation = std::make_unique<TNotationDef>();
    for (;;) {
        const char c = *q;
        if (c == '>' || c == 0) break;
        if (isWhite(c)) {
            ++q;
            continue;
        }
        if (state == State::name) {
            q = readName(q, kNotationNameStop, notation->Name);
            state = State::external;
        } else if (state == State::external) {
            const ExternalId id(q);
            notation->Value = id.SystemLiteral;
            notation->PubidLiteral = id.PubidLiteral;
            q = id.Resume;
            state = State::done;
        } else {
            ++q;
        }
    }
    notationDefs_.Insert(std::move(notation));  // repeated names give several entries
    return declarationEnd(q);
}

}  // namespace xml
