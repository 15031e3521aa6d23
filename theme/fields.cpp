#include "theme/fields.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "platform/errors.h"
#include "platform/files.h"
#include "resources/embedded.h"

namespace theme {

const IconRow& iconRowFor(int tag) {
    for (const auto& row : kIconTable)
        if (row.tag == tag) return row;
    throw std::out_of_range("no icon has tag " + std::to_string(tag));
}

int iconTagFor(std::string_view itemId, std::string_view size) {
    for (const auto& row : kIconTable)
        if (row.itemId == itemId && row.size == size) return row.tag;
    return 0;
}

std::string readFileBytes(const std::string& path) {
    // A folder opens as a stream on Linux but cannot be read: only regular files count.
    if (!platform::fileExists(path)) throw platform::EFOpenError(path);
    std::ifstream in(path, std::ios::binary);
    if (!in) throw platform::EFOpenError(path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) throw platform::EFOpenError(path);
    return std::move(bytes).str();
}

ThemeFields::ThemeFields() : ThemeFields(readFileBytes) {}

ThemeFields::ThemeFields(Loader loader) : loader_(std::move(loader)) {
    pictures_[slot(kTagScreensaver)] = std::string(resources::defaultScreensaver());
}

size_t ThemeFields::slot(int tag) {
    const auto found = std::find(kElementTags.begin(), kElementTags.end(), tag);
    if (found == kElementTags.end()) throw std::out_of_range("no theme element has tag " + std::to_string(tag));
    return static_cast<size_t>(found - kElementTags.begin());
}

std::string ThemeFields::path(int tag) const { return paths_[slot(tag)]; }

void ThemeFields::setPath(int tag, const std::string& path) { paths_[slot(tag)] = path; }

std::optional<std::string> ThemeFields::picture(int tag) const { return pictures_[slot(tag)]; }

void ThemeFields::setPicture(int tag, std::optional<std::string> bytes) { pictures_[slot(tag)] = std::move(bytes); }

void ThemeFields::resetElements() {
    for (auto& path : paths_) path.clear();
    for (auto& picture : pictures_) picture.reset();
    pictures_[slot(kTagScreensaver)] = std::string(resources::defaultScreensaver());
    color_ = 0;
}

void ThemeFields::reloadPicture(int tag) {
    // The loader throws before anything changes, so a failure keeps the old picture.
    pictures_[slot(tag)] = loader_(paths_[slot(tag)]);
}

}  // namespace theme
