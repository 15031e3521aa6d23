#pragma once
// The theme element table: which tag each element carries, the names of its path field and
// picture control, and the eleven menu items in menu order.
#include <array>

namespace elements {

constexpr int kWallpaper = 201;
constexpr int kBackground = 202;
constexpr int kScreensaver = 203;
constexpr int kSmallIconOffset = 100;  // the small icon of menu item n carries n + 100
constexpr int kMenuItems = 11;

// Preview modes besides 201, 202 and 1..11: the two pages of the icon grid.
constexpr int kGridPage1 = 203;
constexpr int kGridPage2 = 210;

struct MenuItem {
    const char* title;  // section caption and the menu page's title
    const char* largeField;
    const char* largePicture;
    const char* smallField;
    const char* smallPicture;
};

// Indexed by item - 1.
inline constexpr std::array<MenuItem, kMenuItems> kMenuItemTable{{
    {"Сообщения", "eMessages", "imMessages", "eMessages_s", "imMessages_s"},
    {"Контакты", "eContact", "Image11", "eContact_s", "imContact_s"},
    {"Звонки", "eCall", "Image14", "eCall_s", "imCall_s"},
    {"Настройки", "eTune", "Image17", "eTune_s", "imTune_s"},
    {"Галерея", "eGalery", "Image20", "eGalery_s", "imGalery_s"},
    {"Мультимедиа", "eMMedia", "Image23", "eMMedia_s", "imMMedia_s"},
    {"PTT", "ePTT", "Image26", "ePTT_s", "imPTT_s"},
    {"Органайзер", "eOrganize", "Image29", "eOrganize_s", "imOrganize_s"},
    {"Приложения", "eApp", "Image32", "eApp_s", "imApp_s"},
    {"Интернет", "eInternet", "Image35", "eInternet_s", "imInternet_s"},
    {"SIM-карта", "eSIM", "Image38", "eSIM_s", "imSIM_s"},
}};

// Every element tag in section order: wallpaper, background, screensaver, then each menu item's
// large and small icon.
inline constexpr std::array<int, 25> kElementTags{201, 202, 203, 1, 101, 2, 102, 3, 103, 4, 104, 5, 105,
                                                  6, 106, 7, 107, 8, 108, 9, 109, 10, 110, 11, 111};

constexpr bool isElementTag(int tag) {
    return (tag >= 1 && tag <= kMenuItems) || (tag > kSmallIconOffset && tag <= kSmallIconOffset + kMenuItems) ||
           tag == kWallpaper || tag == kBackground || tag == kScreensaver;
}

}  // namespace elements
