#include <CLI/CLI.hpp>

#include "cli/common.h"

namespace cli {

void registerUnzip(CLI::App& app) {
    auto* command = app.add_subcommand("unzip", "not built yet");
    command->allow_extras();
    command->callback([] { fail("unzip: not built yet", 2); });
}

}  // namespace cli
