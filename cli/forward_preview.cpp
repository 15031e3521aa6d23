// "preview" and "thumbnail" paint with Qt Gui: skarvel-cli-pictures runs them.
#include "cli/common.h"
#include "cli/forward.h"

namespace cli {

void registerPreview(CLI::App& app) {
    addForwardedCommand(app, "preview", "render the phone screen of one preview mode as PNG", "skarvel-cli-pictures");
}

void registerThumbnail(CLI::App& app) {
    addForwardedCommand(app, "thumbnail", "write the idle screen of a theme package as a PNG thumbnail",
                        "skarvel-cli-pictures");
}

}  // namespace cli
