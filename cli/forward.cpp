#include "cli/forward.h"

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

std::string siblingPath(const char* executable) {
    const std::string folder = platform::programFolder();
    const std::string beside = folder + executable;
    if (platform::fileExists(beside)) return beside;
    return folder + "../libexec/skarvel/" + executable;
}

[[noreturn]] void forwardTo(const char* executable) {
    const std::string path = siblingPath(executable);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const auto& argument : commandLine()) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(path.c_str(), argv.data());
    fail("cannot start " + path + ": " + std::strerror(errno));
}

constexpr const char* kPicturesExecutable = "skarvel-cli-pictures";

}  // namespace

PictureCommands forwardedPictureCommands() {
    return {
        [](CLI::App& theme) {
            addForwardedCommand(theme, "open", "open a theme package into FOLDER/files/", kPicturesExecutable);
        },
        [](CLI::App& theme) {
            addForwardedCommand(theme, "check", "list what a handset will reject or may misshow in a package",
                                kPicturesExecutable);
            addForwardedCommand(theme, "fit", "write a copy of a picture fitted to a slot of the screen",
                                kPicturesExecutable);
        },
        [](CLI::App& app) {
            addForwardedCommand(app, "preview", "render the phone screen of one preview mode as PNG",
                                kPicturesExecutable);
        },
        [](CLI::App& app) {
            addForwardedCommand(app, "thumbnail", "write the idle screen of a theme package as a PNG thumbnail",
                                kPicturesExecutable);
        },
    };
}

void addForwardedCommand(CLI::App& parent, const std::string& name, const std::string& description,
                         const char* executable) {
    auto* command = parent.add_subcommand(name, description);
    command->set_help_flag();  // "--help" goes to the other executable with the rest
    command->allow_extras();
    command->prefix_command();
    command->callback([executable] { forwardTo(executable); });
}

}  // namespace cli
