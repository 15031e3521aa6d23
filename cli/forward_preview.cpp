// "preview" renders with the editor's own window: skarvel-cli-window runs it.
#include "cli/common.h"
#include "cli/forward.h"

namespace cli {

void registerPreview(CLI::App& app) {
    addForwardedCommand(app, "preview", "render the phone screen of one preview mode as PNG", "skarvel-cli-window");
}

}  // namespace cli
