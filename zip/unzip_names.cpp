#include "zip/unzip_names.h"

#include <algorithm>
#include <optional>

#include "platform/codepage.h"
#include "platform/files.h"
#include "zip/layout.h"
#include "zip/records.h"

namespace zip {
namespace {

constexpr std::uint16_t kUnicodePathField = 0x7075;
// Extra fields that only Unix hosts write (Info-ZIP's UID/GID fields); in a local walk, where no
// "version made by" is known, they tell a Unix name.
constexpr std::uint16_t kUnixFields[] = {0x7875, 0x7855, 0x5855};
constexpr std::uint8_t kHostUnix = 3;
constexpr std::uint8_t kHostMacOs = 19;

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// The UTF-8 name of a Unicode Path extra field that belongs to `stored`, or nothing.
std::optional<std::string> unicodePathName(std::string_view stored, std::span<const std::uint8_t> extraField) {
    const auto data = findExtraField(extraField, kUnicodePathField);
    if (!data || data->size() < 5) return std::nullopt;
    ByteCursor field(*data);
    const std::uint8_t version = field.get8();
    const std::uint32_t crc = field.get32();
    const std::string_view name = field.text(field.remaining());
    if (version == 1 && crc == crc32Of(stored) && platform::isValidUtf8(name)) return std::string(name);
    return std::nullopt;
}

bool hasUnixField(std::span<const std::uint8_t> extraField) {
    return std::any_of(std::begin(kUnixFields), std::end(kUnixFields),
                       [&](std::uint16_t id) { return findExtraField(extraField, id).has_value(); });
}

std::vector<std::string_view> splitComponents(std::string_view name) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || isSeparator(name[i])) {
            parts.push_back(name.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

bool hasDrivePrefix(std::string_view name) {
    return name.size() >= 2 && name[1] == ':' &&
           ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
}

}  // namespace

std::string memberNameToUtf8(std::string_view stored, std::uint16_t flag, std::uint16_t versionMadeBy,
                             std::span<const std::uint8_t> extraField) {
    std::string name;
    const auto host =
        versionMadeBy == 0 && hasUnixField(extraField) ? kHostUnix : static_cast<std::uint8_t>(versionMadeBy >> 8);
    if (flag & kFlagUtf8Name) {
        name = std::string(stored);
    } else if (auto unicode = unicodePathName(stored, extraField)) {
        name = std::move(*unicode);
    } else if ((host == kHostUnix || host == kHostMacOs) && platform::isValidUtf8(stored)) {
        name = std::string(stored);
    } else {
        name = platform::oemToAnsi(stored);
    }
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

bool fileSpecSelects(std::string_view line, std::string_view name) {
    if (line == "*.*") return true;
    std::string pattern(line);
    std::replace(pattern.begin(), pattern.end(), '\\', '/');
    const bool wholeName = pattern.find('/') != std::string::npos;
    const std::string subject = wholeName ? std::string(name) : platform::fileNamePart(name);
    return platform::wildcardMatch(subject, pattern, true);
}

MemberPath memberOutputPath(std::string_view name, bool useStoredDirs) {
    // A drive or a root only says where the name began: its folders stay inside the target.
    if (hasDrivePrefix(name)) name.remove_prefix(2);
    const std::vector<std::string_view> parts = splitComponents(name);
    const std::string_view last = parts.back();
    std::vector<std::string_view> folders;  // without empty and "." components
    bool climbs = false;
    for (const std::string_view part : parts) {
        climbs = climbs || part == "..";
        if (!part.empty() && part != ".") folders.push_back(part);
    }

    MemberPath path;
    if (last == "." || last == ".." || folders.empty() || (last.empty() && climbs)) return path;
    path.kind = last.empty() ? MemberPath::Folder : MemberPath::File;
    if (climbs || !useStoredDirs) {
        path.relative = std::string(last);
        return path;
    }
    for (const std::string_view part : folders) {
        if (!path.relative.empty()) path.relative += '/';
        path.relative += part;
    }
    return path;
}

}  // namespace zip
