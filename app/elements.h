#pragma once
// The window's controls of each menu item: the names of its path fields and picture controls.
// Tags, slots and titles come from the theme's element table (theme/elements.h).
#include <array>

#include "theme/elements.h"

namespace elements {

struct MenuItemControls {
    const char* largeField;
    const char* largePicture;
    const char* smallField;
    const char* smallPicture;
};

// Indexed by item - 1.
inline constexpr std::array<MenuItemControls, theme::kMenuItemCount> kMenuItemTable{{
    {"eMessages", "imMessages", "eMessages_s", "imMessages_s"},
    {"eContact", "Image11", "eContact_s", "imContact_s"},
    {"eCall", "Image14", "eCall_s", "imCall_s"},
    {"eTune", "Image17", "eTune_s", "imTune_s"},
    {"eGalery", "Image20", "eGalery_s", "imGalery_s"},
    {"eMMedia", "Image23", "eMMedia_s", "imMMedia_s"},
    {"ePTT", "Image26", "ePTT_s", "imPTT_s"},
    {"eOrganize", "Image29", "eOrganize_s", "imOrganize_s"},
    {"eApp", "Image32", "eApp_s", "imApp_s"},
    {"eInternet", "Image35", "eInternet_s", "imInternet_s"},
    {"eSIM", "Image38", "eSIM_s", "imSIM_s"},
}};

}  // namespace elements
