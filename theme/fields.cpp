#include "theme/fields.h"

#include <algorithm>
#include <iterator>
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

ThemeFields::ThemeFields() : ThemeFields([](const std::string& path) { return platform::readWholeFile(path); }) {}

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
