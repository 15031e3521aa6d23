#include "screen/picture_fields.h"

namespace screen {

void PictureFields::reloadPicture(int tag) {
    auto loaded = std::make_shared<const picture::Picture>(picture::loadPicture(path(tag)));
    setPicture(tag, std::string(loaded->bytes.constData(), static_cast<size_t>(loaded->bytes.size())));
    decoded_[tag] = std::move(loaded);
}

void PictureFields::resetElements() {
    ThemeFields::resetElements();
    decoded_.clear();
}

const picture::Picture* PictureFields::decoded(int tag) const {
    const auto found = decoded_.find(tag);
    return found == decoded_.end() ? nullptr : found->second.get();
}

}  // namespace screen
