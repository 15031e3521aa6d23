#pragma once
// Handing a subcommand over to a sibling executable: skarvel-cli stays free of Qt so that its
// archive, XML and Save commands start small, and the commands that need Qt run in executables
// of their own with the very same arguments.
#include <string>

namespace CLI {
class App;
}

namespace cli {

// Adds subcommand `name` to `parent`; running it replaces this process with `executable` (found
// beside this program in a build tree, in ../libexec/skarvel/ once installed) given the whole
// command line.
void addForwardedCommand(CLI::App& parent, const std::string& name, const std::string& description,
                         const char* executable);

}  // namespace cli
