#include <CLI/CLI.hpp>

#include "cli/common.h"

namespace cli {

void registerLs(CLI::App& app) {
    auto* command = app.add_subcommand("ls", "not built yet");
    command->allow_extras();
    command->callback([] { fail("ls: not built yet", 2); });
}

}  // namespace cli
