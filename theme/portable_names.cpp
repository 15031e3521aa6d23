#include "theme/portable_names.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <vector>

#include "platform/files.h"
#include "theme/descriptor.h"

namespace theme {

namespace {

std::string lowerAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

// ".jpg" for "/home/me/Обои.JPG"; empty when the name has no extension or a non-portable one.
std::string portableExtension(const std::string& path) {
    const std::string extension = platform::extensionOf(path);
    if (extension.empty()) return {};
    const std::string dotted = lowerAscii("." + extension);
    return isPortableName(dotted) ? dotted : std::string();
}

std::string slotName(int tag) {
    if (tag == 0) return "ringtone";
    if (tag == kTagWallpaper) return "wallpaper";
    if (tag == kTagBackground) return "background";
    if (tag == kTagScreensaver) return "screensaver";
    const auto& row = iconRowFor(tag);
    return "icon_" + std::string(row.itemId) + "_" + std::string(row.size);
}

class Renamer {
public:
    Renamer(const ThemeView& view, const std::string& folder) : folder_(folder) {
        // The names that stay, default files included, are taken before any new one is made.
        for (const auto& named : composeDescriptor(view).files) {
            const std::string name = platform::fileNamePart(named.path);
            if (isPortableName(name)) taken_.insert(lowerAscii(name));
        }
    }

    // The path Save should use for `path`, the field of slot `tag` (0: the ringtone).
    std::string pathFor(int tag, const std::string& path) {
        if (path.empty() || isPortableName(platform::fileNamePart(path))) return path;
        if (const auto done = copies_.find(path); done != copies_.end()) return done->second;
        const std::string copy = folder_ + "/" + freeName(slotName(tag), portableExtension(path));
        std::error_code failed;
        if (!std::filesystem::copy_file(path, copy, failed)) return path;
        copies_.emplace(path, copy);
        return copy;
    }

private:
    std::string freeName(const std::string& stem, const std::string& extension) {
        std::string name = stem + extension;
        for (int number = 2; taken_.count(lowerAscii(name)); ++number)
            name = stem + "_" + std::to_string(number) + extension;
        taken_.insert(lowerAscii(name));
        return name;
    }

    std::string folder_;
    std::set<std::string> taken_;                // lower-cased names already in the package
    std::map<std::string, std::string> copies_;  // original path -> its copy
};

}  // namespace

bool isPortableName(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               (c != '\0' && std::strchr(" ._-()", c) != nullptr);
    });
}

std::unique_ptr<ThemeFields> withPortableNames(const ThemeView& view, const std::string& folder) {
    std::filesystem::create_directories(folder);
    Renamer renamer(view, folder);
    auto portable = std::make_unique<ThemeFields>();
    // In the descriptor's line order, so that numbers follow the package's member order.
    portable->setPath(kTagWallpaper, renamer.pathFor(kTagWallpaper, view.path(kTagWallpaper)));
    portable->setPath(kTagScreensaver, renamer.pathFor(kTagScreensaver, view.path(kTagScreensaver)));
    portable->setRingtone(renamer.pathFor(0, view.ringtone()));
    for (const auto& row : kIconTable) portable->setPath(row.tag, renamer.pathFor(row.tag, view.path(row.tag)));
    portable->setPath(kTagBackground, renamer.pathFor(kTagBackground, view.path(kTagBackground)));
    portable->setColorIndex(view.colorIndex());
    portable->setPicture(kTagScreensaver, view.screensaverPicture());
    return portable;
}

}  // namespace theme
