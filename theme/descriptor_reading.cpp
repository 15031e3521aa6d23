// Reading a theme from a descriptor's item tree.
#include <array>

#include "theme/descriptor.h"
#include "xml/casefold.h"
#include "xml/tree.h"

namespace theme {

namespace {

// Which icon field an `icon` child names; 0 when its size or item_id is not in the table.
int iconTarget(const xml::TXMLItem& icon) {
    const std::string id = icon.AttributeValue("item_id");
    const std::string size = icon.AttributeValue("size");
    for (const auto& row : kIconTable)
        if (xml::SameTextNoCase(size, row.size) && xml::SameTextNoCase(id, row.itemId))
            return row.tag;
    return 0;
}

// Index of a colour name, letter case ignored; anything else (empty included) gives 0.
int colorIndexOf(const std::string& name) {
    for (size_t index = 0; index < kColorNames.size(); ++index)
        if (xml::SameTextNoCase(name, kColorNames[index])) return static_cast<int>(index);
    return 0;
}

class Reader {
public:
    Reader(const std::string& unpackFolder, ThemeView& view) : folder_(unpackFolder), view_(view) {}

    // Applies one child of the theme element. Every name is compared, so a child whose name
    // matches none of them (in any letter case) has no effect.
    void apply(const xml::TXMLItem& child) {
        const std::string& name = child.Name;
        if (xml::SameTextNoCase(name, "wallpaper")) setPicture(kTagWallpaper, child);
        if (xml::SameTextNoCase(name, "screensaver")) setPicture(kTagScreensaver, child);
        if (xml::SameTextNoCase(name, "background")) setPicture(kTagBackground, child);
        if (xml::SameTextNoCase(name, "ringtone")) view_.setRingtone(folder_ + child.AttributeValue("src"));
        if (xml::SameTextNoCase(name, "colorscheme")) view_.setColorIndex(colorIndexOf(child.AttributeValue("color")));
        if (xml::SameTextNoCase(name, "icon"))
            if (const int tag = iconTarget(child)) setPicture(tag, child);
    }

private:
    // The path is written first; a failing reload leaves it there and ends the reading.
    void setPicture(int tag, const xml::TXMLItem& child) {
        view_.setPath(tag, folder_ + child.AttributeValue("src"));
        view_.reloadPicture(tag);
    }

    const std::string& folder_;
    ThemeView& view_;
};

}  // namespace

void interpretDescriptor(const xml::TQXMLParser& tree, const std::string& unpackFolder, ThemeView& view) {
    const xml::TXMLItem* theme = tree.FindElement("theme");
    if (!theme) return;
    Reader reader(unpackFolder, view);
    // Direct children only, counted before the first is examined.
    const size_t count = theme->Items.size();
    for (size_t index = 0; index < count; ++index) reader.apply(*theme->Items[index]);
}

}  // namespace theme
