// "theme check" and "theme fit" decode pictures with Qt's image readers: skarvel-cli-pictures
// runs them.
#include "cli/common.h"
#include "cli/forward.h"

namespace cli {

void registerThemeCheck(CLI::App& theme) {
    addForwardedCommand(theme, "check", "list what a handset will reject or may misshow in a package",
                        "skarvel-cli-pictures");
    addForwardedCommand(theme, "fit", "write a copy of a picture fitted to a slot of the screen",
                        "skarvel-cli-pictures");
}

}  // namespace cli
