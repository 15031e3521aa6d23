#pragma once
// The theme element table: the tag of each of the 25 elements and its slot, the eleven menu
// items with their titles, the preview modes and the element button that reloads a picture.
// The window, the descriptor rules and the command line all take these from here.
#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace theme {

// Element tags: 1..11 large icons, 101..111 small icons, and the three full-screen pictures.
constexpr int kTagWallpaper = 201;
constexpr int kTagBackground = 202;
constexpr int kTagScreensaver = 203;
constexpr int kSmallIconOffset = 100;  // the small icon of menu item n carries n + 100
constexpr int kMenuItemCount = 11;

// Menu items by number (the large icon's tag).
enum MenuItem : int {
    kMessages = 1,
    kContacts,
    kCalls,
    kSettings,
    kGallery,
    kMultimedia,
    kPushToTalk,
    kOrganiser,
    kApplications,
    kInternet,
    kSimCard,
};

// Every element tag in section order: wallpaper, background and screensaver first, then each
// menu item's large and small icon. An element's slot is its index here.
constexpr std::array<int, 25> kElementTags = {
    kTagWallpaper,
    kTagBackground,
    kTagScreensaver,
    1,
    101,
    2,
    102,
    3,
    103,
    4,
    104,
    5,
    105,
    6,
    106,
    7,
    107,
    8,
    108,
    9,
    109,
    10,
    110,
    11,
    111,
};

constexpr bool isElementTag(int tag) {
    return std::find(kElementTags.begin(), kElementTags.end(), tag) != kElementTags.end();
}

// Each menu item's section caption, which is also its menu page's title; indexed by item - 1.
constexpr std::array<std::string_view, kMenuItemCount> kMenuTitles = {
    "Сообщения", "Контакты",   "Звонки",     "Настройки", "Галерея",   "Мультимедиа",
    "PTT",       "Органайзер", "Приложения", "Интернет",  "SIM-карта",
};

// Preview modes: 201 idle screen (wallpaper), 202 plain background, 203 and 210 the two pages
// of the icon grid, 1..11 the page of menu item n. 201, 202 and 1..11 equal the tag of the
// element they show; 203 only shares the screensaver's number.
constexpr int kModeIdle = kTagWallpaper;
constexpr int kModeBackground = kTagBackground;
constexpr int kModeGridPage1 = 203;
constexpr int kModeGridPage2 = 210;

constexpr bool isPreviewMode(int mode) {
    return (mode >= 1 && mode <= kMenuItemCount) || mode == kModeIdle || mode == kModeBackground ||
           mode == kModeGridPage1 || mode == kModeGridPage2;
}

// Element button indexes: browse and clear are the path field's buttons; the reload request
// loads the picture from the field's text without redrawing the preview (Open uses it).
constexpr int kButtonBrowse = 0;
constexpr int kButtonClear = 1;
constexpr int kReloadRequest = 99;

}  // namespace theme
