#include <CLI/CLI.hpp>

#include "cli/common.h"

namespace cli {

void registerXml(CLI::App& app) {
    auto* command = app.add_subcommand("xml", "not built yet");
    command->allow_extras();
    command->callback([] { fail("xml: not built yet", 2); });
}

}  // namespace cli
