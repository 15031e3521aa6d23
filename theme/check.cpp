#include "theme/check.h"

#include <expat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/tempfile.h"
#include "theme/descriptor.h"
#include "theme/fields.h"
#include "xml/casefold.h"
#include "xml/tree.h"
#include "zip/unzip.h"

namespace theme {

namespace {

constexpr std::string_view kPackageElement = "package";

std::string quoted(std::string_view name) { return "«" + std::string(name) + "»"; }

// ---- Well-formedness, by expat in the declared encoding

bool sameAsciiNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
           });
}

std::optional<platform::CodePage> codePageNamed(std::string_view name) {
    for (std::string_view alias : {"windows-1251", "cp1251", "x-cp1251"})
        if (sameAsciiNoCase(name, alias)) return platform::CodePage::CP1251;
    for (std::string_view alias : {"cp866", "ibm866", "866", "csibm866"})
        if (sameAsciiNoCase(name, alias)) return platform::CodePage::CP866;
    for (std::string_view alias : {"windows-1252", "cp1252"})
        if (sameAsciiNoCase(name, alias)) return platform::CodePage::CP1252;
    return std::nullopt;
}

// Expat knows UTF-8, UTF-16, ISO-8859-1 and US-ASCII; the single-byte code pages that phone
// tools write come from the platform's tables.
int XMLCALL unknownEncoding(void*, const XML_Char* name, XML_Encoding* info) {
    const auto codePage = codePageNamed(name);
    if (!codePage) return XML_STATUS_ERROR;
    for (int byte = 0; byte < 256; ++byte)
        info->map[byte] = byte < 0x80 ? byte : static_cast<int>(platform::codePageToUnicode(*codePage, byte));
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

// ---- Names

// Upper case through the Windows-1251 table where the name converts to it, else ASCII only.
std::string foldedName(std::string_view utf8) {
    std::string bytes = platform::fromUtf8(utf8, platform::CodePage::CP1251).value_or(std::string(utf8));
    for (char& c : bytes) c = static_cast<char>(platform::kWin1251Upper[static_cast<unsigned char>(c)]);
    return bytes;
}

// ---- The descriptor's named files

struct NamedFile {
    std::string element;
    int tag;  // 0 for the ringtone, which is no picture
    std::string name;
};

std::string elementName(int tag) {
    if (tag == kTagWallpaper) return "wallpaper";
    if (tag == kTagBackground) return "background";
    if (tag == kTagScreensaver) return "screensaver";
    const auto& row = iconRowFor(tag);
    return "icon:" + std::string(row.itemId) + ":" + std::string(row.size);
}

// Which slot a direct child of `theme` fills, by Open's rules: names and attributes in any letter
// case, icons by item_id and size. -1: none.
template <typename AttributeOf>
int tagOf(std::string_view name, const AttributeOf& attribute) {
    if (xml::SameTextNoCase(name, "wallpaper")) return kTagWallpaper;
    if (xml::SameTextNoCase(name, "background")) return kTagBackground;
    if (xml::SameTextNoCase(name, "screensaver")) return kTagScreensaver;
    if (xml::SameTextNoCase(name, "ringtone")) return 0;
    if (!xml::SameTextNoCase(name, "icon")) return -1;
    for (const auto& row : kIconTable)
        if (xml::SameTextNoCase(attribute("size"), row.size) && xml::SameTextNoCase(attribute("item_id"), row.itemId))
            return row.tag;
    return -1;
}

NamedFile namedFile(int tag, std::string src) {
    return {tag == 0 ? "ringtone" : elementName(tag), tag, std::move(src)};
}

// The descriptor read as a handset reads it: expat in the declared encoding (Windows-1251 and
// CP866 from the platform's tables). Collects the files the direct children of the first `theme`
// element name, and where and why the text is not well-formed XML.
class ExpatReading {
public:
    std::vector<NamedFile> files;
    std::optional<std::string> error;

    explicit ExpatReading(const std::string& text) {
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_SetUnknownEncodingHandler(parser, unknownEncoding, nullptr);
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, start, end);
        // In pieces, since expat takes an int length.
        constexpr size_t kPiece = 1 << 20;
        XML_Status status = XML_STATUS_OK;
        for (size_t at = 0, size = 0; status == XML_STATUS_OK; at += size) {
            size = std::min(kPiece, text.size() - at);
            const bool last = at + size == text.size();
            status = XML_Parse(parser, text.data() + at, static_cast<int>(size), last);
            if (last) break;
        }
        if (status == XML_STATUS_ERROR)
            error = "строка " + std::to_string(XML_GetCurrentLineNumber(parser)) + ", столбец " +
                    std::to_string(XML_GetCurrentColumnNumber(parser) + 1) + ": " +
                    XML_ErrorString(XML_GetErrorCode(parser));
        XML_ParserFree(parser);
    }

private:
    static void XMLCALL start(void* data, const XML_Char* name, const XML_Char** attributes) {
        auto& self = *static_cast<ExpatReading*>(data);
        ++self.depth_;
        if (self.themeDepth_ == 0 && xml::SameTextNoCase(name, "theme")) self.themeDepth_ = self.depth_;
        if (self.themeDepth_ == 0 || self.depth_ != self.themeDepth_ + 1) return;
        auto attribute = [attributes](std::string_view wanted) -> std::string {
            for (auto at = attributes; *at; at += 2)
                if (xml::SameTextNoCase(at[0], wanted)) return at[1];
            return {};
        };
        if (const int tag = tagOf(name, attribute); tag >= 0) self.files.push_back(namedFile(tag, attribute("src")));
    }

    static void XMLCALL end(void* data, const XML_Char*) {
        auto& self = *static_cast<ExpatReading*>(data);
        if (self.depth_ == self.themeDepth_) self.themeDepth_ = -1;  // only the first theme counts
        --self.depth_;
    }

    int depth_ = 0;
    int themeDepth_ = 0;  // 0: not met yet; -1: already closed
};

// A descriptor expat refuses is read as Open reads it, so its names are still checked.
std::vector<NamedFile> namedFilesAsOpenReads(const std::string& descriptorPath) {
    xml::TQXMLParser parser;
    parser.NativeDecoding = true;
    parser.LoadFromFile(descriptorPath);
    std::vector<NamedFile> files;
    const xml::TXMLItem* theme = parser.FindElement("theme");
    if (!theme) return files;
    for (const auto& child : theme->Items) {
        if (child->Kind != xml::xiElement) continue;
        auto attribute = [&child](std::string_view wanted) { return child->AttributeValue(wanted); };
        if (const int tag = tagOf(child->Name, attribute); tag >= 0) files.push_back(namedFile(tag, attribute("src")));
    }
    return files;
}

// ---- Scratch space

// Packages up to this size unpack into shared memory.
constexpr std::uint64_t kMemoryScratchLimit = 64ull * 1024 * 1024;
constexpr const char* kSharedMemoryFolder = "/dev/shm";

// A private folder for the unpacked members, removed with them when it goes out of scope. Removing
// files just written to a disk file system waits for the disk (three times the rest of a check on
// this kind of machine), so a package whose members fit kMemoryScratchLimit goes to shared memory
// when the system has it; anything else to the temporary folder.
class ScratchFolder {
public:
    explicit ScratchFolder(std::uint64_t unpackedSize) {
        if (unpackedSize <= kMemoryScratchLimit && ::access(kSharedMemoryFolder, W_OK | X_OK) == 0) {
            std::string pattern = std::string(kSharedMemoryFolder) + "/skarvel-check-XXXXXX";
            if (::mkdtemp(pattern.data())) path_ = pattern;
        }
        if (path_.empty()) path_ = platform::createTempFolder("skarvel-check");
    }
    ~ScratchFolder() { platform::removeTree(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// ---- The check

class Checker {
public:
    explicit Checker(const PictureProbe& probe) : probe_(probe) {}

    std::vector<Finding> run(const std::string& package) {
        zip::TUnZIP reader;
        reader.FileSpec = {"*.*"};
        reader.ConfirmOverwrites = false;
        reader.SetArchiveFile(package);
        std::uint64_t unpackedSize = 0;
        for (const auto& member : reader.ListMembers()) unpackedSize += member.UncompressedSize;
        ScratchFolder unpacked(unpackedSize);
        reader.SetExtractDir(unpacked.path());
        reader.ExtractFiles();
        folder_ = reader.ExtractDir();
        for (const auto& member : reader.Members()) members_.push_back(member.Name);
        // A problem of the whole archive names the archive itself.
        for (const auto& problem : reader.Problems())
            problems_.emplace(problem.File == package ? std::string() : problem.File, problem.Text);

        checkDescriptorAndFiles();
        reportUnclaimedProblems();
        return sorted();
    }

private:
    void add(Severity severity, std::string_view element, std::string_view code, std::string message) {
        findings_.push_back({severity, std::string(element), std::string(code), std::move(message)});
    }

    void checkDescriptorAndFiles() {
        const std::string descriptorName(kDescriptorName);
        if (std::find(members_.begin(), members_.end(), descriptorName) == members_.end()) {
            add(Severity::Error, kPackageElement, "no-descriptor", "В пакете нет описания темы " + descriptorName);
            return;
        }
        claimed_.insert(descriptorName);
        std::string text;
        try {
            text = platform::readWholeFile(folder_ + descriptorName);
        } catch (const platform::Error&) {
            return;  // not extracted: the member's own problem is reported for the package
        }
        ExpatReading reading(text);
        if (reading.error)
            add(Severity::Error, kPackageElement, "descriptor-not-well-formed",
                "Описание темы не является правильным XML в заявленной кодировке (" + *reading.error + ")");
        const auto files = reading.error ? namedFilesAsOpenReads(folder_ + descriptorName) : reading.files;
        for (const auto& file : files)
            if (std::none_of(order_.begin(), order_.end(), [&](const std::string& e) { return e == file.element; }))
                order_.push_back(file.element);
        for (const auto& file : files) checkNamedFile(file);
    }

    void checkNamedFile(const NamedFile& file) {
        if (!isPortableName(file.name))
            add(Severity::Warning, file.element, "name-not-portable",
                "Имя файла " + quoted(file.name) +
                    " содержит знаки, кроме латинских букв, цифр, пробела и ._-(), и телефон может его не найти");
        const auto member = findMember(file);
        if (!member) return;
        claimed_.insert(*member);
        if (const auto problem = problems_.find(*member); problem != problems_.end()) {
            add(Severity::Error, file.element, "member-damaged",
                "Файл " + quoted(*member) + " в пакете повреждён: " + problem->second);
            return;
        }
        if (file.tag != 0) checkPicture(file, *member);
    }

    // The member the file name stands for: the same bytes, else the same name in another letter
    // case (a warning); nothing (an error) when the package has neither.
    std::optional<std::string> findMember(const NamedFile& file) {
        if (std::find(members_.begin(), members_.end(), file.name) != members_.end()) return file.name;
        const std::string folded = foldedName(file.name);
        for (const auto& member : members_) {
            if (foldedName(member) != folded) continue;
            add(Severity::Warning, file.element, "name-case-differs",
                "Файл " + quoted(file.name) + " есть в пакете только как " + quoted(member) +
                    ": телефон различает прописные и строчные буквы");
            return member;
        }
        add(Severity::Error, file.element, "missing-file", "Файла " + quoted(file.name) + " нет в пакете");
        return std::nullopt;
    }

    void checkPicture(const NamedFile& file, const std::string& member) {
        auto cached = pictures_.find(member);
        if (cached == pictures_.end()) {
            Probed probed;
            try {
                probed.facts = probe_(folder_ + member);
            } catch (const platform::Error& e) {
                probed.error = e.what();
            }
            cached = pictures_.emplace(member, probed).first;
        }
        const Probed& probed = cached->second;
        if (!probed.error.empty()) {
            add(Severity::Error, file.element, "picture-damaged",
                "Картинка " + quoted(member) + " не читается: " + probed.error);
            return;
        }
        if (!probed.facts.handsetFormat)
            add(Severity::Warning, file.element, "format-unsupported",
                "Картинку " + quoted(member) + " телефон может не показать: он знает только JPEG, PNG, GIF и BMP");
        const Slot slot = slotFor(file.tag);
        if (probed.facts.width > slot.width || probed.facts.height > slot.height)
            add(Severity::Warning, file.element, "size-exceeds-slot",
                "Картинка " + quoted(member) + " размером " + size(probed.facts.width, probed.facts.height) +
                    " больше своего места " + size(slot.width, slot.height));
    }

    static std::string size(int width, int height) { return std::to_string(width) + " x " + std::to_string(height); }

    // Problems of members no element names (the descriptor among them) concern the package.
    void reportUnclaimedProblems() {
        for (const auto& [member, text] : problems_) {
            if (claimed_.count(member) && member != kDescriptorName) continue;
            add(Severity::Error, kPackageElement, "member-damaged",
                member.empty() ? "Пакет повреждён: " + text
                               : "Файл " + quoted(member) + " в пакете повреждён: " + text);
        }
    }

    size_t rank(const std::string& element) const {
        if (element == kPackageElement) return 0;
        return 1 + static_cast<size_t>(std::find(order_.begin(), order_.end(), element) - order_.begin());
    }

    std::vector<Finding> sorted() {
        std::stable_sort(findings_.begin(), findings_.end(), [this](const Finding& a, const Finding& b) {
            const size_t rankA = rank(a.element), rankB = rank(b.element);
            return rankA != rankB ? rankA < rankB : a.code < b.code;
        });
        // Two lines naming the same element and file say the same thing once.
        findings_.erase(std::unique(findings_.begin(), findings_.end(),
                                    [](const Finding& a, const Finding& b) {
                                        return a.element == b.element && a.code == b.code && a.message == b.message;
                                    }),
                        findings_.end());
        return std::move(findings_);
    }

    struct Probed {
        PictureFacts facts;
        std::string error;
    };

    const PictureProbe& probe_;
    std::string folder_;
    std::vector<std::string> members_;
    std::multimap<std::string, std::string> problems_;  // member -> the reader's message
    std::set<std::string> claimed_;                     // members some element names
    std::vector<std::string> order_;                    // elements in descriptor line order
    std::map<std::string, Probed> pictures_;
    std::vector<Finding> findings_;
};

}  // namespace

Slot slotFor(int tag) {
    if (tag == kTagWallpaper || tag == kTagBackground || tag == kTagScreensaver) return kScreenSlot;
    return tag > kSmallIconOffset ? kSmallIconSlot : kLargeIconSlot;
}

std::vector<Finding> checkPackage(const std::string& package, const PictureProbe& probe) {
    return Checker(probe).run(package);
}

bool hasErrors(const std::vector<Finding>& findings) {
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& f) { return f.severity == Severity::Error; });
}

}  // namespace theme
