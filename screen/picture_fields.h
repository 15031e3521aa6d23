#pragma once
// A theme in memory whose element pictures are decoded by the picture loading rule, as the
// window's are: what the screen renderer draws when there is no window.
#include <map>
#include <memory>

#include "picture/picture.h"
#include "theme/fields.h"

namespace screen {

class PictureFields : public theme::ThemeFields {
public:
    // Decodes the picture named by the element's path; throws platform::Error with the picture
    // loading rule's message, keeping the old picture.
    void reloadPicture(int tag) override;
    void resetElements() override;

    // The element's decoded picture, or null when it holds none (the built-in screensaver,
    // which no preview mode shows, is not decoded).
    const picture::Picture* decoded(int tag) const;

private:
    std::map<int, std::shared_ptr<const picture::Picture>> decoded_;
};

}  // namespace screen
