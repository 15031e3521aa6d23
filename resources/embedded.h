#pragma once
// Files built into the program (plain C++, no Qt resource system).
#include <string_view>

namespace resources {

// DEFAULT_SS: the default screensaver, a 208 x 208 JPEG followed by one zero byte.
std::string_view defaultScreensaver();

// DEFAULT_RING: the default ringtone, AAC in ADTS framing.
std::string_view defaultRingtone();

// A window picture (glyph or header strip) by its file name under resources/,
// e.g. "glyph_open.png"; empty when there is none.
std::string_view windowPicture(std::string_view name);

}  // namespace resources
