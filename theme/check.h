#pragma once
// The theme check: what in a package a handset will reject or may misshow, found before the
// handset says only "1 or more elements invalid". Each finding names the element it concerns,
// a stable code, a severity and a message in Russian.
//
// Pictures are decoded by the caller's probe, so this library stays free of the picture codecs.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "theme/portable_names.h"  // isPortableName

namespace theme {

enum class Severity { Error, Warning };

struct Finding {
    Severity severity;
    std::string element;  // "package", "wallpaper", "background", "screensaver", "ringtone", "icon:ID:SIZE"
    std::string code;     // "missing-file", "size-exceeds-slot", ...
    std::string message;
};

// The room a picture has on the handset's screen.
struct Slot {
    int width;
    int height;
};
constexpr Slot kScreenSlot{208, 208};     // wallpaper, background, screensaver
constexpr Slot kLargeIconSlot{208, 170};  // a menu item's page below the title
constexpr Slot kSmallIconSlot{64, 52};    // one cell of the icon grid

// The slot of an element tag (201..203 screens, 1..11 large icons, 101..111 small icons).
Slot slotFor(int tag);

// What the probe learns of a picture file. It throws platform::Error, with the decoder's message,
// when the file does not decode.
struct PictureFacts {
    bool handsetFormat = true;  // JPEG, PNG, GIF or BMP
    int width = 0;
    int height = 0;
};
using PictureProbe = std::function<PictureFacts(const std::string& path)>;

// Checks the package file. Findings come in the descriptor's line order of their elements
// ("package" first), then by code. Throws platform::Error when the file cannot be read as an
// archive at all.
std::vector<Finding> checkPackage(const std::string& package, const PictureProbe& probe);

// True when any finding is an error.
bool hasErrors(const std::vector<Finding>& findings);

}  // namespace theme
