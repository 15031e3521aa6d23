#include "resources/embedded.h"

// Placeholder until the embedded files land.
namespace resources {
std::string_view defaultScreensaver() { return {}; }
std::string_view defaultRingtone() { return {}; }
std::string_view windowPicture(std::string_view) { return {}; }
}  // namespace resources
