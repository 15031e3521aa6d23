// "preview" and "thumbnail" paint with Qt Gui: skarvel-cli-pictures runs them.
#include "cli/common.h"
#include "cli/forward.h"

namespace cli {

void registerPreview(CLI::App& app) {
    addForwardedCommand(app, "preview", "render the phone screen of one preview mode as PNG", "skarvel-cli-pictures");
}

}  // namespace cli
