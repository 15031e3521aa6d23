#pragma once
// The fields of a theme: 25 element paths addressed by element tag, the ringtone path, the colour
// index and the screensaver picture. ThemeView is what the descriptor rules and the Save and Open
// workflows read and write; the window implements it over its controls, ThemeFields in memory.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "theme/elements.h"

namespace theme {

// The colour scheme: index into kColorNames, or kNoColor when no entry is selected.
constexpr int kNoColor = -1;
constexpr std::array<std::string_view, 8> kColorNames = {
    "blue", "brown", "gray", "green", "orange", "pink", "red", "violet",
};

// One row of the descriptor's icon table: the element an `icon` line stands for.
struct IconRow {
    std::string_view itemId;
    std::string_view size;  // "large" or "small"
    int tag;
};

// In the order the descriptor lists icons (Calls first, Messages last).
constexpr std::array<IconRow, 22> kIconTable = {{
    {"callregister", "large", kCalls},
    {"callregister", "small", kCalls + 100},
    {"settings", "large", kSettings},
    {"settings", "small", kSettings + 100},
    {"organizer", "large", kOrganiser},
    {"organizer", "small", kOrganiser + 100},
    {"gallery", "large", kGallery},
    {"gallery", "small", kGallery + 100},
    {"services", "large", kInternet},
    {"services", "small", kInternet + 100},
    {"media", "large", kMultimedia},
    {"media", "small", kMultimedia + 100},
    {"applications", "large", kApplications},
    {"applications", "small", kApplications + 100},
    {"contacts", "large", kContacts},
    {"contacts", "small", kContacts + 100},
    {"simatk", "large", kSimCard},
    {"simatk", "small", kSimCard + 100},
    {"push_to_talk", "large", kPushToTalk},
    {"push_to_talk", "small", kPushToTalk + 100},
    {"messages", "large", kMessages},
    {"messages", "small", kMessages + 100},
}};

// The icon table's row for an icon tag (1..11, 101..111); throws std::out_of_range otherwise.
const IconRow& iconRowFor(int tag);
// The icon tag of an exact item_id and size ("large" or "small"); 0 when the table has none.
int iconTagFor(std::string_view itemId, std::string_view size);

// The theme as the workflows see it. Paths are the path fields' texts (empty: nothing chosen).
class ThemeView {
public:
    virtual ~ThemeView() = default;

    virtual std::string path(int tag) const = 0;
    virtual void setPath(int tag, const std::string& path) = 0;
    virtual std::string ringtone() const = 0;
    virtual void setRingtone(const std::string& path) = 0;
    virtual int colorIndex() const = 0;  // 0..7 or kNoColor
    virtual void setColorIndex(int index) = 0;

    // The bytes the screensaver picture was loaded from, when it holds a picture.
    virtual std::optional<std::string> screensaverPicture() const = 0;

    // Empties every element path and picture, gives the screensaver picture the built-in
    // default and selects colour 0; the ringtone path is kept.
    virtual void resetElements() = 0;
    // Loads the element picture of `tag` from its path field; throws platform::Error on failure,
    // leaving the path as it is and the picture as it was.
    virtual void reloadPicture(int tag) = 0;
    // Recomposes the preview (no-op where there is none).
    virtual void updatePreview() = 0;
};

// A theme held in memory. Pictures are kept as the bytes they were loaded from; `loader`
// decides how a picture is loaded (default: the file's bytes, "Cannot open file %s" when it
// cannot be read), so the command line can plug in the real decoders.
class ThemeFields : public ThemeView {
public:
    using Loader = std::function<std::string(const std::string& path)>;

    ThemeFields();
    explicit ThemeFields(Loader loader);

    std::string path(int tag) const override;
    void setPath(int tag, const std::string& path) override;
    std::string ringtone() const override { return ringtone_; }
    void setRingtone(const std::string& path) override { ringtone_ = path; }
    int colorIndex() const override { return color_; }
    void setColorIndex(int index) override { color_ = index; }
    std::optional<std::string> screensaverPicture() const override { return picture(kTagScreensaver); }
    void resetElements() override;
    void reloadPicture(int tag) override;
    void updatePreview() override { ++previewUpdates; }

    // The bytes of an element's picture, when it holds one.
    std::optional<std::string> picture(int tag) const;
    void setPicture(int tag, std::optional<std::string> bytes);

    int previewUpdates = 0;

private:
    static size_t slot(int tag);

    Loader loader_;
    std::array<std::string, 25> paths_;
    std::array<std::optional<std::string>, 25> pictures_;
    std::string ringtone_;
    int color_ = 0;
};

}  // namespace theme
