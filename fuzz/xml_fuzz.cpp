// Arbitrary bytes through the XML scanner (two passes, the second after Rewind) and through the
// item tree with both decodings.
#include <cstddef>
#include <cstdint>
#include <string>

#include "xml/scanner.h"
#include "xml/tree.h"

namespace {

// Reads every field of the current part, so that stale or dangling positions are noticed.
size_t touchPart(const xml::TXmlParser& scanner) {
    size_t sum = scanner.PartName().size() + scanner.PartText().size();
    for (const auto& attr : scanner.PartAttrs()) sum += attr->Name.size() + attr->Value.size();
    if (scanner.PartKind() != xml::xpText) {
        for (char c : scanner.PartSource()) sum += static_cast<unsigned char>(c);
    }
    return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    xml::TXmlParser scanner;
    scanner.AssignText(text);
    volatile size_t sink = 0;
    for (int pass = 0; pass < 2; ++pass) {
        scanner.Rewind();
        while (scanner.NextPart()) sink = sink + touchPart(scanner);
    }

    for (bool native : {false, true}) {
        xml::TQXMLParser parser;
        parser.NativeDecoding = native;
        parser.LoadFromText(text);
        if (const xml::TXMLItem* item = parser.FindElement("theme")) sink = sink + item->AttributeValue("src").size();
        sink = sink + parser.DeclarationText().size() + parser.DoctypeText().size();
    }
    return 0;
}
