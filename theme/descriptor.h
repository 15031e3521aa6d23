#pragma once
// theme_descriptor.xml: composing its text from a theme, and reading a theme back from its
// item tree.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "theme/fields.h"

namespace xml {
class TQXMLParser;
}

namespace theme {

constexpr std::string_view kDescriptorName = "theme_descriptor.xml";
constexpr std::string_view kDefaultScreensaverName = "basic_ss.jpg";
constexpr std::string_view kDefaultRingtoneName = "Nokia tune.aac";

// Where the file of a descriptor line comes from.
enum class FileOrigin {
    Field,               // the path field's text
    DefaultScreensaver,  // Save writes the screensaver picture (or the built-in one) as basic_ss.jpg
    DefaultRingtone,     // Save writes the built-in ringtone as "Nokia tune.aac"
};

struct NamedFile {
    FileOrigin origin;
    std::string path;  // the field's full text; the default name for the default files
};

struct Descriptor {
    std::string text;              // the file's bytes
    std::vector<NamedFile> files;  // one per line that names a file, in line order
};

// The descriptor of a theme, byte for byte, with the file each line names. Nothing is read
// from the file system.
Descriptor composeDescriptor(const ThemeView& view);

// Reads a theme from a descriptor's item tree into `view`: the first `theme` element of the tree
// (none: nothing changes), its direct children by name, paths built as `unpackFolder` + src, or
// the file whose name matches src ignoring letter case when that one is missing
// (findInUnpackFolder). A src that climbs out of the unpack folder fills no field; it is added
// to `outside` (quoted by quotedInput) and the reading goes on. Every picture path is followed
// by view.reloadPicture(tag); the first failure propagates and ends the reading, its message
// quoting at most kMaxQuotedInput characters of src.
void interpretDescriptor(const xml::TQXMLParser& tree, const std::string& unpackFolder, ThemeView& view,
                         std::vector<std::string>* outside = nullptr);

// Messages quote at most this many characters of a text read from a package.
constexpr size_t kMaxQuotedInput = 200;
// The text, cut to kMaxQuotedInput characters with "…" after a cut.
std::string quotedInput(std::string_view text);

}  // namespace theme
