// The subcommands that draw or decode pictures (theme open, preview) need Qt. The plain
// skarvel-cli stays free of Qt so that the archive, XML and Save commands start small, and hands
// these two over to its sibling executable skarvel-cli-window with the very same arguments.
#include <CLI/CLI.hpp>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "cli/common.h"
#include "platform/files.h"

namespace cli {

namespace {

constexpr const char* kWindowExecutable = "skarvel-cli-window";

// Beside this executable in a build tree, under ../libexec/skarvel/ once installed.
std::string windowExecutablePath() {
    const std::string folder = platform::programFolder();
    const std::string beside = folder + kWindowExecutable;
    if (platform::fileExists(beside)) return beside;
    return folder + "../libexec/skarvel/" + kWindowExecutable;
}

[[noreturn]] void forwardToWindowExecutable() {
    const std::string path = windowExecutablePath();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const auto& argument : commandLine()) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(path.c_str(), argv.data());
    fail("cannot start " + path + ": " + std::strerror(errno));
}

void addForwardedCommand(CLI::App& app, const std::string& name, const std::string& description) {
    auto* command = app.add_subcommand(name, description);
    command->set_help_flag();  // "--help" goes to the window executable with the rest
    command->allow_extras();
    command->prefix_command();
    command->callback([] { forwardToWindowExecutable(); });
}

}  // namespace

void registerThemeOpen(CLI::App& theme) {
    addForwardedCommand(theme, "open", "open a theme package into FOLDER/files/");
}

void registerPreview(CLI::App& app) {
    addForwardedCommand(app, "preview", "render the phone screen of one preview mode as PNG");
}

}  // namespace cli
