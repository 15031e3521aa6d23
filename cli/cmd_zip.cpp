#include <CLI/CLI.hpp>

#include "cli/common.h"

namespace cli {

void registerZip(CLI::App& app) {
    auto* command = app.add_subcommand("zip", "not built yet");
    command->allow_extras();
    command->callback([] { fail("zip: not built yet", 2); });
}

}  // namespace cli
