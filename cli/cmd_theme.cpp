#include <CLI/CLI.hpp>

#include "cli/common.h"

namespace cli {

void registerTheme(CLI::App& app) {
    auto* command = app.add_subcommand("theme", "not built yet");
    command->allow_extras();
    command->callback([] { fail("theme: not built yet", 2); });
}

}  // namespace cli
