#pragma once
// TXmlParser: a pull scanner over an XML text held in memory as single-byte characters.
//
// Contract: AssignText copies the text up to its first zero byte; Rewind; then NextPart until it
// returns false. After each true result the current part (kind, name, text, attributes, first and
// last position) can be read. The scanner never validates and never fails on malformed input: it
// always produces parts and always reaches the end, without reading outside the text it scans.
// Positions point into the scanner's own copy of the document, or into the replacement text of an
// entity that is scanned in place of its reference (nothing is spliced into the document); such a
// replacement text stays valid until the next NextPart call at least.
//
// Entity expansion is bounded: a reference is expanded only while fewer than kMaxOpenEntities
// replacement texts are open and while the bytes produced by replacement stay within the budget
// (the larger of kMinExpansionBudget and kExpansionFactor times the document size). Past a bound a
// reference yields nothing in text and stays unchanged in an attribute value. Each expansion costs
// at least the length of its reference, opening an external text kExternalOpenCost, and each part
// that begins in a replacement text kExpandedPartCost, so that spending the budget takes about as
// long as reading a document of its size. Attribute defaults from the DTD spend the same budget
// (the bytes of name and value of each default added); past it no default is added.
//
// Text of a document whose XML declaration names "UTF-8" (or no encoding) is decoded from UTF-8 to
// Windows-1252; with SetNativeDecoding(true) it is decoded to UTF-8 instead (see DecodeRun).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "xml/definitions.h"

namespace xml {

enum TXmlPartKind : std::uint8_t {
    xpNone = 0,         // nothing scanned yet
    xpDeclaration = 1,  // "<?xml ... ?>" (also any instruction whose target begins "xml")
    xpComment = 2,      // "<!-- ... -->"
    xpInstruction = 3,  // "<?target text?>"
    xpDocType = 4,      // "<!DOCTYPE ... >"
    xpStartTag = 5,
    xpEmptyTag = 6,  // "/" before the closing ">"
    xpEndTag = 7,    // "</name>"
    xpText = 8,
    xpCData = 9,  // "<![CDATA[ ... ]]>"
};

// Bounds on entity expansion.
inline constexpr size_t kMaxOpenEntities = 32;
inline constexpr size_t kMinExpansionBudget = size_t{8} << 20;
inline constexpr size_t kExpansionFactor = 100;
inline constexpr size_t kExternalOpenCost = 64;
inline constexpr size_t kExpandedPartCost = 64;

// What expanding a reference to `entity` by `name` costs of the budget.
size_t expansionCost(const TEntityDef& entity, std::string_view name);

class TXmlParser;

// One replacement text being scanned in place of its reference.
struct TEntityStackNode {
    std::unique_ptr<TXmlParser> OpenedScanner;  // an external entity's scanner, or none
    std::string SavedEncoding;                  // CurrentEncoding when the text was opened
    const char* ResumePos = nullptr;            // where scanning goes on after the text
    std::shared_ptr<const std::string> Text;    // the replacement text (kept alive while open)
};

class TXmlParser {
public:
    TXmlParser();
    virtual ~TXmlParser();
    TXmlParser(const TXmlParser&) = delete;
    TXmlParser& operator=(const TXmlParser&) = delete;

    // Resets the document and copies `text` up to its first zero byte. False (and an empty
    // scanner) only when the copy cannot be allocated.
    bool AssignText(std::string_view text);
    // AssignText without the copy: takes over the buffer of `text`.
    bool TakeText(std::string&& text);
    // Frees the text and empties the document properties, the DTD tables and the current lists.
    void ResetDocument();
    // Goes back to before the first part; the DTD tables and document properties stay.
    void Rewind();
    // Scans the next part; false at the end of the text (and on every call after that).
    bool NextPart();

    // The current part.
    TXmlPartKind PartKind() const { return partKind_; }
    const std::string& PartName() const { return partName_; }
    const std::string& PartText() const { return partText_; }
    const TAttrList& PartAttrs() const { return partAttrs_; }
    const char* PartBegin() const { return partBegin_; }
    const char* PartEnd() const { return partEnd_; }
    // The characters from PartBegin to PartEnd inclusive, for every kind but xpText (whose ends
    // may lie in different texts); empty when the range is empty.
    std::string_view PartSource() const;
    // The value of the attribute of that name in PartAttrs, or the empty string.
    std::string AttributeValue(std::string_view name) const;

    // Document properties.
    const std::string& DeclVersion() const { return declVersion_; }
    const std::string& DeclEncoding() const { return declEncoding_; }
    bool DeclStandalone() const { return declStandalone_; }
    const std::string& DoctypeRoot() const { return doctypeRoot_; }
    const char* DoctypeEnd() const { return doctypeEnd_; }
    const std::string& CurrentEncoding() const { return currentEncoding_; }

    // DTD tables.
    const TElemList& ElementDefs() const { return elementDefs_; }
    const TEntityList& GeneralEntities() const { return generalEntities_; }
    const TEntityList& ParameterEntities() const { return parameterEntities_; }
    const TNotationList& NotationDefs() const { return notationDefs_; }
    const std::vector<TEntityStackNode>& OpenEntities() const { return openEntities_; }

    // The scanner's copy of the document (zero-terminated) and its length.
    const char* Text() const { return doc_.c_str(); }
    size_t TextSize() const { return doc_.size(); }
    // Offset of a position in the document text, or -1 when it lies elsewhere (in a replacement text).
    long long DocumentOffset(const char* position) const;

    // Native decoding: under "UTF-8" a decoded run that is valid UTF-8 is kept as it is, any other
    // run is read as Windows-1251 and converted to UTF-8; under a single-byte code page the
    // platform knows (windows-1251, windows-1252, cp866 and their aliases) runs are converted from
    // it to UTF-8. Off by default (Windows-1252 decoding, other encodings unchanged).
    void SetNativeDecoding(bool native) { nativeDecoding_ = native; }
    bool NativeDecoding() const { return nativeDecoding_; }

    // The text of an external entity or external subset: always a scanner without text; no file
    // is opened.
    virtual std::unique_ptr<TXmlParser> OpenExternal(const std::string& systemLiteral, const std::string& pubidLiteral,
                                                     const std::string& notationName);
    // Appends `run` decoded from CurrentEncoding to `out`: under exactly "UTF-8" from UTF-8 to
    // Windows-1252 (or natively, see SetNativeDecoding), unchanged under any other encoding.
    virtual void DecodeRun(std::string_view run, std::string& out);
    // Called after each markup declaration of a DOCTYPE part; does nothing.
    virtual void DeclarationSeen();

    // DecodeRun's result as a new string.
    std::string Decoded(std::string_view run) {
        std::string out;
        DecodeRun(run, out);
        return out;
    }

private:
    struct ExternalId;
    // Finds the first occurrence of one character at or after a position, remembering the last
    // search so that repeated searches over the same stretch stay linear.
    struct ForwardSearch {
        char wanted;
        const char* from = nullptr;
        const char* hit = nullptr;
        const char* find(const char* p);
        void reset() { from = hit = nullptr; }
    };

    // Parts.
    void scanDeclaration(const char* p);
    void scanInstruction(const char* p);
    void scanComment(const char* p);
    void scanCData(const char* p);
    void scanTag(const char* p);
    bool scanText(const char* p);
    const char* textReference(const char* amp);
    void completeAttributes();
    void addDefaults(const TElemDef& element);
    void processValue(TAttr& attr);

    // Shared readers.
    const char* readAttributes(const char* p, TAttrList& list);
    void setEncoding(std::string encoding);

    // Entity stack and bounds.
    const char* pushEntity(std::shared_ptr<const std::string> text, std::unique_ptr<TXmlParser> scanner,
                           const char* resume);
    const char* popEntity();
    void clearEntities();
    bool mayExpand(size_t bytes, size_t depth);

    // Passes over strings.
    // Both append to `out`; a replacement goes through the pass before it is appended.
    void entityPass(std::string_view value, size_t depth, std::string& out);
    void parameterPass(std::string_view value, size_t depth, std::string& out);
    std::string parameterPass(std::string_view value, size_t depth);

    // The document type declaration (dtd.cpp).
    void scanDocType(const char* p);
    const char* walkDocType(const char* q);
    const char* skipDocType(const char* q);
    const char* walkSubset(const char* q);
    const char* parameterReference(const char* percent);
    const char* readElementDecl(const char* q);
    const char* readAttlistDecl(const char* q);
    const char* readEntityDecl(const char* q);
    const char* readNotationDecl(const char* q);
    const char* declarationEnd(const char* stop);
    const char* readExternalSubset(const char* q);
    bool popWithinDtd(const char*& q);

    std::string doc_;
    const char* next_ = nullptr;

    TXmlPartKind partKind_ = xpNone;
    std::string partName_;
    std::string partText_;
    TAttrList partAttrs_;
    const char* partBegin_ = nullptr;
    const char* partEnd_ = nullptr;

    std::string declVersion_;
    std::string declEncoding_;
    bool declStandalone_ = false;
    std::string doctypeRoot_;
    const char* doctypeEnd_ = nullptr;
    const char* doctypeBegin_ = nullptr;  // "<" of the first DOCTYPE part, when it lies in the document
    std::string currentEncoding_;
    bool decodeUtf8_ = false;  // currentEncoding_ is exactly "UTF-8"
    bool nativeDecoding_ = false;
    std::optional<platform::CodePage> nativeCodePage_;  // the single-byte code page currentEncoding_ names

    TElemList elementDefs_;
    TEntityList generalEntities_;
    TEntityList parameterEntities_;
    TNotationList notationDefs_;
    std::vector<TEntityStackNode> openEntities_;
    size_t dtdBase_ = 0;  // depth of openEntities_ where the DOCTYPE part being read began

    size_t expansionBudget_ = kMinExpansionBudget;
    size_t expanded_ = 0;
    ForwardSearch semicolon_{';'};
    ForwardSearch closeParen_{')'};
    std::string run_;  // scratch for decoding
};

// Reads a character reference's number: hexadecimal or decimal digits only; the low eight bits
// of the value, or `fallback` when the digits are missing or invalid.
unsigned char characterReferenceByte(std::string_view digits, bool hex, unsigned char fallback);

// The character pass over a value: "&#N;" and "&#xN;" become one byte (invalid hexadecimal 0,
// invalid decimal 32).
std::string characterPass(std::string_view value);

}  // namespace xml
