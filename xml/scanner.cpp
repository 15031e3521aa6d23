#include "xml/scanner.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "xml/chars.h"
#include "xml/decode.h"
#include "xml/reading.h"

namespace xml {

using namespace reading;

namespace {

// The five predefined entities; 0 when the name is none of them.
char predefinedEntity(std::string_view name) {
    if (name.size() < 2 || name.size() > 4) return 0;
    if (name == "lt") return '<';
    if (name == "gt") return '>';
    if (name == "amp") return '&';
    if (name == "apos") return '\'';
    if (name == "quot") return '"';
    return 0;
}

size_t expansionBudgetFor(size_t documentSize) {
    const size_t scaled = documentSize > SIZE_MAX / kExpansionFactor ? SIZE_MAX : documentSize * kExpansionFactor;
    return std::max(kMinExpansionBudget, scaled);
}

}  // namespace

unsigned char characterReferenceByte(std::string_view digits, bool hex, unsigned char fallback) {
    if (digits.empty()) return fallback;
    unsigned value = 0;
    for (char c : digits) {
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return fallback;
        value = (value * (hex ? 16u : 10u) + digit) & 0xFFu;  // only the low eight bits matter
    }
    return static_cast<unsigned char>(value);
}

std::string characterPass(std::string_view value) {
    std::string out;
    size_t i = 0;
    for (;;) {
        const size_t at = value.find("&#", i);
        if (at == std::string_view::npos) break;
        const size_t semi = value.find(';', at + 2);
        if (semi == std::string_view::npos) break;
        out.append(value.substr(i, at - i));
        const bool hex = at + 2 < semi && (value[at + 2] == 'x' || value[at + 2] == 'X');
        out += static_cast<char>(hex ? characterReferenceByte(value.substr(at + 3, semi - at - 3), true, 0)
                                     : characterReferenceByte(value.substr(at + 2, semi - at - 2), false, 32));
        i = semi + 1;
    }
    out.append(value.substr(i));
    return out;
}

const char* TXmlParser::ForwardSearch::find(const char* p) {
    const auto at = reinterpret_cast<std::uintptr_t>(p);
    if (from && at >= reinterpret_cast<std::uintptr_t>(from) && at <= reinterpret_cast<std::uintptr_t>(hit)) return hit;
    from = p;
    hit = std::strchr(p, wanted);
    if (!hit) hit = textEnd(p);
    return hit;
}

TXmlParser::TXmlParser() = default;

TXmlParser::~TXmlParser() = default;

bool TXmlParser::AssignText(std::string_view text) {
    ResetDocument();
    try {
        doc_.assign(text.substr(0, text.find('\0')));
    } catch (const std::bad_alloc&) {
        ResetDocument();
        return false;
    }
    expansionBudget_ = expansionBudgetFor(doc_.size());
    return true;
}

bool TXmlParser::TakeText(std::string&& text) {
    ResetDocument();
    const size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    doc_ = std::move(text);
    expansionBudget_ = expansionBudgetFor(doc_.size());
    return true;
}

void TXmlParser::ResetDocument() {
    clearEntities();
    std::string().swap(doc_);
    declVersion_.clear();
    declEncoding_.clear();
    declStandalone_ = false;
    doctypeRoot_.clear();
    doctypeEnd_ = nullptr;
    doctypeBegin_ = nullptr;
    // A new document is decoded only after its own XML declaration.
    setEncoding(std::string());
    elementDefs_.Clear();
    generalEntities_.Clear();
    parameterEntities_.Clear();
    notationDefs_.Clear();
    partAttrs_.Clear();
    // Positions into the freed copy must never be used again.
    partBegin_ = partEnd_ = next_ = nullptr;
    expansionBudget_ = kMinExpansionBudget;
    expanded_ = 0;
}

void TXmlParser::Rewind() {
    partKind_ = xpNone;
    partName_.clear();
    partText_.clear();
    partBegin_ = partEnd_ = next_ = nullptr;
    partAttrs_.Clear();
    clearEntities();
    expanded_ = 0;
}

bool TXmlParser::NextPart() {
    for (;;) {
        const char* start = partBegin_ ? next_ : doc_.c_str();
        while (*start == 0 && !openEntities_.empty()) start = popEntity();
        if (*start == 0) {
            const char* end = doc_.c_str() + doc_.size();
            partBegin_ = end;
            partEnd_ = end - 1;
            next_ = end;
            clearEntities();
            return false;
        }
        partBegin_ = start;
        // A part made from a replacement text costs the budget what building its item costs.
        if (!openEntities_.empty()) expanded_ += std::min(kExpandedPartCost, expansionBudget_ - expanded_);
        if (*start != '<') {
            if (!scanText(start)) continue;  // white space between markup is no part
        } else if (start[1] == '?') {
            if (startsWith(start, "<?xml"))
                scanDeclaration(start);
            else
                scanInstruction(start);
        } else if (start[1] == '!' && startsWith(start, "<!--")) {
            scanComment(start);
        } else if (start[1] == '!' && startsWith(start, "<!DOCTYPE")) {
            scanDocType(start);
        } else if (start[1] == '!' && startsWith(start, "<![CDATA[")) {
            scanCData(start);
        } else {
            scanTag(start);
        }
        return true;
    }
}

std::string_view TXmlParser::PartSource() const {
    if (!partBegin_ || !partEnd_ || partEnd_ < partBegin_) return {};
    return {partBegin_, static_cast<size_t>(partEnd_ - partBegin_ + 1)};
}

std::string TXmlParser::AttributeValue(std::string_view name) const {
    const TAttr* attr = partAttrs_.Find(name);
    return attr ? attr->Value : std::string();
}

long long TXmlParser::DocumentOffset(const char* position) const {
    const auto at = reinterpret_cast<std::uintptr_t>(position);
    const auto first = reinterpret_cast<std::uintptr_t>(doc_.c_str());
    if (!position || at < first || at > first + doc_.size()) return -1;
    return static_cast<long long>(at - first);
}

std::unique_ptr<TXmlParser> TXmlParser::OpenExternal(const std::string&, const std::string&, const std::string&) {
    return std::make_unique<TXmlParser>();
}

void TXmlParser::DecodeRun(std::string_view run, std::string& out) {
    if (!decodeUtf8_) {
        if (nativeDecoding_ && nativeCodePage_)
            appendFromCodePage(run, *nativeCodePage_, out);
        else
            out.append(run);
    } else if (nativeDecoding_)
        appendNative(run, out);
    else
        appendUtf8AsWin1252(run, out);
}
void TXmlParser::DeclarationSeen() {}

void TXmlParser::setEncoding(std::string encoding) {
    currentEncoding_ = std::move(encoding);
    decodeUtf8_ = currentEncoding_ == "UTF-8";
    nativeCodePage_ = singleByteCodePage(currentEncoding_);
}

// ---- Parts -------------------------------------------------------------------------------------

void TXmlParser::scanDeclaration(const char* p) {
    partKind_ = xpDeclaration;
    const char* stop = readAttributes(p + 5, partAttrs_);
    std::string encoding = AttributeValue("encoding");
    if (openEntities_.empty()) {
        declVersion_ = AttributeValue("version");
        declEncoding_ = encoding;
        declStandalone_ = AttributeValue("standalone") == "yes";
    }
    const char* close = std::strstr(stop, "?>");
    partEnd_ = close ? close + 1 : lastChar(stop);
    next_ = partEnd_ + 1;
    setEncoding(encoding.empty() ? std::string("UTF-8") : std::move(encoding));
    partName_.clear();
    partText_.clear();
}

void TXmlParser::scanInstruction(const char* p) {
    partKind_ = xpInstruction;
    const char* close = std::strstr(p + 2, "?>");
    partEnd_ = close ? close + 1 : lastChar(p);
    next_ = partEnd_ + 1;
    const char* targetEnd = readName(p + 2, kTargetStop, partName_);
    // The text runs from right after the target to two characters before the end.
    const std::ptrdiff_t length = partEnd_ - targetEnd - 1;
    if (length > 0)
        partText_.assign(targetEnd, static_cast<size_t>(length));
    else
        partText_.clear();
    readAttributes(targetEnd, partAttrs_);
}

void TXmlParser::scanComment(const char* p) {
    partKind_ = xpComment;
    const char* close = std::strstr(p + 4, "-->");
    partEnd_ = close ? close + 2 : lastChar(p);
    next_ = partEnd_ + 1;
}

void TXmlParser::scanCData(const char* p) {
    partKind_ = xpCData;
    const char* body = p + 9;
    const char* close = std::strstr(body, "]]>");
    const char* bodyEnd = close ? close : textEnd(body);
    partEnd_ = close ? close + 2 : bodyEnd - 1;
    next_ = partEnd_ + 1;
    partText_.clear();
    DecodeRun(std::string_view(body, static_cast<size_t>(bodyEnd - body)), partText_);
}

void TXmlParser::scanTag(const char* p) {
    partKind_ = xpStartTag;
    const char* q = p + 1;
    if (*q == '/') {
        partKind_ = xpEndTag;
        ++q;
    }
    q = readName(q, kElementNameStop, partName_);
    q = readAttributes(q, partAttrs_);
    if (*q == '/') partKind_ = xpEmptyTag;
    const char* close = std::strchr(q, '>');
    partEnd_ = close ? close : lastChar(p);
    next_ = partEnd_ + 1;
    if (partKind_ != xpEndTag) completeAttributes();
}

bool TXmlParser::scanText(const char* p) {
    partKind_ = xpText;
    partText_.clear();
    const char* run = p;
    auto flush = [&] {
        if (p > run) DecodeRun(std::string_view(run, static_cast<size_t>(p - run)), partText_);
    };
    for (;;) {
        while (!hasClass(*p, kTextStop)) ++p;
        if (*p == '<') break;
        if (*p == 0) {
            if (openEntities_.empty()) break;
            flush();
            p = popEntity();
        } else {
            flush();
            p = textReference(p);
        }
        run = p;
    }
    flush();
    partEnd_ = p - 1;
    next_ = p;
    collapseWhite(partText_);
    return !partText_.empty();
}

const char* TXmlParser::textReference(const char* amp) {
    const char* semi = semicolon_.find(amp + 1);
    if (*semi != ';') return amp + 1;  // no ";" anywhere after: the "&" is dropped
    const std::string_view name(amp + 1, static_cast<size_t>(semi - amp - 1));
    const char* after = semi + 1;
    if (name.size() >= 2 && name[0] == '#' && (name[1] == 'x' || name[1] == 'X')) {
        partText_ += static_cast<char>(characterReferenceByte(name.substr(2), true, 32));
    } else if (!name.empty() && name[0] == '#') {
        partText_ += static_cast<char>(characterReferenceByte(name.substr(1), false, 32));
    } else if (char c = predefinedEntity(name)) {
        partText_ += c;
    } else if (const TEntityDef* entity = generalEntities_.Find(name)) {
        if (!mayExpand(expansionCost(*entity, name), openEntities_.size())) return after;
        if (!entity->Value.empty()) return pushEntity(entity->ReplacementText(), nullptr, after);
        auto scanner = OpenExternal(entity->SystemLiteral, entity->PubidLiteral, entity->NDataName);
        // An empty external text yields nothing; opening and closing it would change nothing.
        if (!scanner || scanner->TextSize() == 0) return after;
        return pushEntity(nullptr, std::move(scanner), after);
    } else {
        partText_.append(name);
    }
    return after;
}

// ---- Attributes --------------------------------------------------------------------------------

const char* TXmlParser::readAttributes(const char* p, TAttrList& list) {
    enum class State { name, equals, value } state = State::name;
    list.Clear();
    std::string name;
    for (;;) {
        const char c = *p;
        if (c == '>' || c == 0) return p;
        if (isWhite(c)) {
            ++p;
            continue;
        }
        switch (state) {
            case State::name:
                if (!isNameStart(c)) return p;
                p = readName(p, kAttrNameStop, name);
                state = State::equals;
                break;
            case State::equals:
                if (c == '=') state = State::value;
                ++p;
                break;
            case State::value:
                if (isQuote(c)) {
                    auto attr = std::make_unique<TAttr>();
                    attr->Name = name;
                    p = readLiteral(p, attr->Value);
                    list.Insert(std::move(attr));
                    state = State::name;
                } else {
                    ++p;
                }
                break;
        }
    }
}

namespace {

// What an attribute definition does to the attribute it names.
void applyDefinition(const TAttrDef& def, TAttr& attr) {
    if (def.DefaultRule == drImplied) attr.ValueOrigin = voImplied;
    if (def.DefaultRule == drFixed) {
        attr.ValueOrigin = voFixed;
        attr.Value = def.Value;
    }
    attr.DeclaredType = def.DeclaredType;
}

}  // namespace

void TXmlParser::completeAttributes() {
    if (!elementDefs_.Empty()) {
        if (const TElemDef* element = elementDefs_.Find(partName_)) addDefaults(*element);
    }
    for (const auto& attr : partAttrs_) processValue(*attr);
}

// Every definition acts on the first attribute of its name, adding it from the default value when
// the tag lacks it. The work is bounded by the tag's own attributes and the defaults added, never
// by the number of definitions, so many definitions on many tags stay linear.
void TXmlParser::addDefaults(const TElemDef& element) {
    const std::string* previous = nullptr;
    for (const auto& attr : partAttrs_) {
        if (previous && *previous == attr->Name) continue;  // a later entry of a repeated name
        previous = &attr->Name;
        if (const TAttrDef* def = element.Find(attr->Name)) applyDefinition(*def, *attr);
    }
    for (const TAttrDef* def : element.Defaults()) {
        if (partAttrs_.Find(def->Name)) continue;
        // Defaults spend the expansion budget too: past it, none is added.
        if (!mayExpand(def->Name.size() + def->Value.size(), 0)) {
            expanded_ = expansionBudget_;
            return;
        }
        auto added = std::make_unique<TAttr>();
        added->Name = def->Name;
        added->Value = def->Value;
        added->ValueOrigin = voDefaulted;
        applyDefinition(*def, partAttrs_.Insert(std::move(added)));
    }
}

void TXmlParser::processValue(TAttr& attr) {
    std::string& value = attr.Value;
    if (value.find('&') != std::string::npos) {
        run_.clear();
        entityPass(value, 0, run_);
        value = characterPass(run_);
    }
    if (attr.DeclaredType != dtNone && attr.DeclaredType != dtCData) {
        collapseWhite(value);
    } else {
        for (char& c : value)
            if (isWhite(c)) c = ' ';
    }
    run_.swap(value);
    value.clear();
    DecodeRun(run_, value);
}

// ---- Entities ----------------------------------------------------------------------------------

const char* TXmlParser::pushEntity(std::shared_ptr<const std::string> text, std::unique_ptr<TXmlParser> scanner,
                                   const char* resume) {
    TEntityStackNode node;
    node.ResumePos = resume;
    node.SavedEncoding = currentEncoding_;
    node.Text = std::move(text);
    node.OpenedScanner = std::move(scanner);
    const char* start = node.Text ? node.Text->c_str() : node.OpenedScanner->Text();
    openEntities_.push_back(std::move(node));
    semicolon_.reset();
    closeParen_.reset();
    return start;
}

const char* TXmlParser::popEntity() {
    if (openEntities_.empty()) return nullptr;
    TEntityStackNode& top = openEntities_.back();
    const char* resume = top.ResumePos;
    if (!top.SavedEncoding.empty() && top.SavedEncoding != currentEncoding_) setEncoding(top.SavedEncoding);
    openEntities_.pop_back();
    semicolon_.reset();
    closeParen_.reset();
    return resume;
}

void TXmlParser::clearEntities() {
    openEntities_.clear();
    semicolon_.reset();
    closeParen_.reset();
}

size_t expansionCost(const TEntityDef& entity, std::string_view name) {
    if (entity.Value.empty()) return kExternalOpenCost;
    return std::max(entity.Value.size(), name.size() + 2);
}

bool TXmlParser::mayExpand(size_t bytes, size_t depth) {
    if (depth >= kMaxOpenEntities || bytes > expansionBudget_ - expanded_) return false;
    expanded_ += bytes;
    return true;
}

void TXmlParser::entityPass(std::string_view value, size_t depth, std::string& out) {
    size_t i = 0;
    for (;;) {
        const size_t amp = value.find('&', i);
        if (amp == std::string_view::npos || amp + 1 >= value.size()) break;
        const size_t semi = value.find(';', amp + 2);
        if (semi == std::string_view::npos) break;
        const std::string_view name = value.substr(amp + 1, semi - amp - 1);
        const std::string_view reference = value.substr(amp, semi - amp + 1);
        out.append(value.substr(i, amp - i));
        i = semi + 1;
        if (char c = predefinedEntity(name)) {
            out += c;
            continue;
        }
        const TEntityDef* entity = generalEntities_.Find(name);
        if (!entity || !mayExpand(expansionCost(*entity, name), depth)) {
            out.append(reference);  // undeclared, or past a bound: kept as written
            continue;
        }
        // The replacement goes through the pass itself, straight into the output.
        if (!entity->Value.empty()) {
            entityPass(entity->Value, depth + 1, out);
        } else if (auto scanner = OpenExternal(entity->SystemLiteral, entity->PubidLiteral, entity->NDataName)) {
            entityPass(std::string_view(scanner->Text(), scanner->TextSize()), depth + 1, out);
        }
    }
    out.append(value.substr(i));
}

std::string TXmlParser::parameterPass(std::string_view value, size_t depth) {
    std::string out;
    parameterPass(value, depth, out);
    return out;
}

void TXmlParser::parameterPass(std::string_view value, size_t depth, std::string& out) {
    size_t i = 0;
    for (;;) {
        const size_t percent = value.find('%', i);
        if (percent == std::string_view::npos || percent + 1 >= value.size()) break;
        const size_t semi = value.find(';', percent + 2);
        if (semi == std::string_view::npos) break;
        const std::string_view name = value.substr(percent + 1, semi - percent - 1);
        out.append(value.substr(i, percent - i));
        const TEntityDef* entity = parameterEntities_.Find(name);
        if (entity && mayExpand(expansionCost(*entity, name), depth))
            parameterPass(entity->Value, depth + 1, out);
        else
            out.append(value.substr(percent, semi - percent + 1));
        i = semi + 1;
    }
    out.append(value.substr(i));
}

}  // namespace xml
