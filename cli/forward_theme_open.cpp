// "theme open" decodes pictures with Qt's image readers: skarvel-cli-pictures runs it.
#include "cli/common.h"
#include "cli/forward.h"

namespace cli {

void registerThemeOpen(CLI::App& theme) {
    addForwardedCommand(theme, "open", "open a theme package into FOLDER/files/", "skarvel-cli-pictures");
}

}  // namespace cli
