#include <CLI/CLI.hpp>

#include "cli/common.h"

namespace cli {

void registerPreview(CLI::App& app) {
    auto* command = app.add_subcommand("preview", "not built yet");
    command->allow_extras();
    command->callback([] { fail("preview: not built yet", 2); });
}

}  // namespace cli
