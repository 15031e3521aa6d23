// Reading a theme from a descriptor's item tree.
#include <array>
#include <optional>

#include "platform/errors.h"
#include "platform/files.h"

#include "theme/descriptor.h"
#include "theme/unpack_folder.h"
#include "xml/casefold.h"
#include "xml/tree.h"

namespace theme {

namespace {

// Which icon field an `icon` child names; 0 when its size or item_id is not in the table.
int iconTarget(const xml::TXMLItem& icon) {
    const std::string id = icon.AttributeValue("item_id");
    const std::string size = icon.AttributeValue("size");
    for (const auto& row : kIconTable)
        if (xml::SameTextNoCase(size, row.size) && xml::SameTextNoCase(id, row.itemId)) return row.tag;
    return 0;
}

// Index of a colour name, letter case ignored; anything else (empty included) gives 0.
int colorIndexOf(const std::string& name) {
    for (size_t index = 0; index < kColorNames.size(); ++index)
        if (xml::SameTextNoCase(name, kColorNames[index])) return static_cast<int>(index);
    return 0;
}

// The message with every long piece of `input` it quotes (the whole text, or its extension) cut
// to its first kMaxQuotedInput characters.
std::string withBoundedQuotes(std::string message, const std::string& input) {
    for (const std::string& piece : {input, platform::extensionOf(input)}) {
        if (piece.size() <= kMaxQuotedInput) continue;
        for (size_t at = message.find(piece); at != std::string::npos; at = message.find(piece, at + 1))
            message.replace(at, piece.size(), quotedInput(piece));
    }
    return message;
}

class Reader {
public:
    Reader(const std::string& unpackFolder, ThemeView& view, std::vector<std::string>* outside)
        : folder_(unpackFolder), view_(view), outside_(outside) {}

    // Applies one child of the theme element. Every name is compared, so a child whose name
    // matches none of them (in any letter case) has no effect.
    void apply(const xml::TXMLItem& child) {
        const std::string& name = child.Name;
        if (xml::SameTextNoCase(name, "wallpaper")) setPicture(kTagWallpaper, child);
        if (xml::SameTextNoCase(name, "screensaver")) setPicture(kTagScreensaver, child);
        if (xml::SameTextNoCase(name, "background")) setPicture(kTagBackground, child);
        if (xml::SameTextNoCase(name, "ringtone"))
            if (auto path = pathOf(child)) view_.setRingtone(*path);
        if (xml::SameTextNoCase(name, "colorscheme")) view_.setColorIndex(colorIndexOf(child.AttributeValue("color")));
        if (xml::SameTextNoCase(name, "icon"))
            if (const int tag = iconTarget(child)) setPicture(tag, child);
    }

private:
    // The file `src` names in the unpack folder; none (and a note) when it lies outside.
    std::optional<std::string> pathOf(const xml::TXMLItem& child) {
        const std::string src = child.AttributeValue("src");
        auto path = findInUnpackFolder(folder_, src, &listings_);
        if (!path && outside_) outside_->push_back(quotedInput(src));
        return path;
    }

    // The path is written first; a failing reload leaves it there and ends the reading.
    void setPicture(int tag, const xml::TXMLItem& child) {
        const auto path = pathOf(child);
        if (!path) return;
        view_.setPath(tag, *path);
        try {
            view_.reloadPicture(tag);
        } catch (const platform::Error& error) {
            const std::string src = child.AttributeValue("src");
            if (src.size() <= kMaxQuotedInput) throw;
            throw platform::Error(withBoundedQuotes(error.what(), src));
        }
    }

    const std::string& folder_;
    ThemeView& view_;
    std::vector<std::string>* outside_;
    FolderListings listings_;
};

}  // namespace

std::string quotedInput(std::string_view text) {
    if (text.size() <= kMaxQuotedInput) return std::string(text);
    size_t cut = kMaxQuotedInput;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // keep UTF-8 whole
    return std::string(text.substr(0, cut)) + "…";
}

void interpretDescriptor(const xml::TQXMLParser& tree, const std::string& unpackFolder, ThemeView& view,
                         std::vector<std::string>* outside) {
    const xml::TXMLItem* theme = tree.FindElement("theme");
    if (!theme) return;
    Reader reader(unpackFolder, view, outside);
    // Direct children only, counted before the first is examined.
    const size_t count = theme->Items.size();
    for (size_t index = 0; index < count; ++index) reader.apply(*theme->Items[index]);
}

}  // namespace theme
