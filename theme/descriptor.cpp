#include "theme/descriptor.h"

#include "platform/files.h"

namespace theme {

namespace {

constexpr std::string_view kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE theme PUBLIC \"-//NOKIA//DTD THEME 1.1//EN\" \"theme.dtd\">\n"
    "<theme name=\"New Theme\" version=\"1.1\">\n";
constexpr std::string_view kFooter = "</theme>\n";

// The element lines pad their names so that every attribute begins in the same column.
constexpr std::string_view kWallpaperOpen = "  <wallpaper   src=\"";
constexpr std::string_view kScreensaverOpen = "  <screensaver src=\"";
constexpr std::string_view kRingtoneOpen = "  <ringtone    src=\"";
constexpr std::string_view kColorOpen = "  <colorscheme color=\"";
constexpr std::string_view kBackgroundOpen = "  <background  src=\"";
constexpr std::string_view kLineClose = "\"/>\n";

class Composer {
public:
    // A line naming the file at `path`; names are written as they are, never escaped.
    void fileLine(std::string_view open, FileOrigin origin, const std::string& path) {
        descriptor_.text.append(open).append(platform::fileNamePart(path)).append(kLineClose);
        descriptor_.files.push_back({origin, path});
    }

    void iconLine(const IconRow& row, const std::string& path) {
        descriptor_.text.append("  <icon src=\"").append(platform::fileNamePart(path));
        descriptor_.text.append("\" item_id=\"").append(row.itemId);
        descriptor_.text.append("\" size=\"").append(row.size).append(kLineClose);
        descriptor_.files.push_back({FileOrigin::Field, path});
    }

    void colorLine(int index) {
        const bool known = index >= 0 && index < static_cast<int>(kColorNames.size());
        descriptor_.text.append(kColorOpen).append(known ? kColorNames[index] : "").append(kLineClose);
    }

    void text(std::string_view lines) { descriptor_.text.append(lines); }

    Descriptor take() { return std::move(descriptor_); }

private:
    Descriptor descriptor_;
};

}  // namespace

Descriptor composeDescriptor(const ThemeView& view) {
    Composer composer;
    composer.text(kHeader);

    // Only the empty string counts as an empty field; blanks name a file.
    if (auto wallpaper = view.path(kTagWallpaper); !wallpaper.empty())
        composer.fileLine(kWallpaperOpen, FileOrigin::Field, wallpaper);

    if (auto screensaver = view.path(kTagScreensaver); !screensaver.empty())
        composer.fileLine(kScreensaverOpen, FileOrigin::Field, screensaver);
    else
        composer.fileLine(kScreensaverOpen, FileOrigin::DefaultScreensaver, std::string(kDefaultScreensaverName));

    if (auto ringtone = view.ringtone(); !ringtone.empty())
        composer.fileLine(kRingtoneOpen, FileOrigin::Field, ringtone);
    else
        composer.fileLine(kRingtoneOpen, FileOrigin::DefaultRingtone, std::string(kDefaultRingtoneName));

    composer.colorLine(view.colorIndex());

    for (const auto& row : kIconTable)
        if (auto icon = view.path(row.tag); !icon.empty()) composer.iconLine(row, icon);

    if (auto background = view.path(kTagBackground); !background.empty())
        composer.fileLine(kBackgroundOpen, FileOrigin::Field, background);

    composer.text(kFooter);
    return composer.take();
}

}  // namespace theme
