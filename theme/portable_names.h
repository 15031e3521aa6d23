#pragma once
// Portable member names: a file whose name a handset may not match byte for byte is stored under
// an ASCII name made from its slot ("wallpaper.jpg", "icon_messages_small.png"), the extension
// lower-cased and a number added on a clash.
#include <memory>
#include <string>
#include <string_view>

#include "theme/fields.h"

namespace theme {

// A member name a handset matches byte for byte: ASCII letters, digits, space and "._-()" only.
bool isPortableName(std::string_view name);

// The theme as Save should see it with portable names: every element and ringtone path whose
// file-name part is not portable points to a copy of its file, under the slot's name, made in
// `folder` (created here). A file that cannot be copied keeps its path, so Save reports it as
// it would without the option. The colour and the screensaver picture are carried over.
std::unique_ptr<ThemeFields> withPortableNames(const ThemeView& view, const std::string& folder);

}  // namespace theme
