#pragma once
// Shared pieces of skarvel-cli: exit codes, error reporting and byte-exact JSON strings.
#include <string>
#include <utility>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace cli {

// Thrown by a subcommand to end the program with an exit code after it has printed its output.
struct ExitCode {
    int code;
};

// Prints "skarvel-cli: MESSAGE" on standard error and ends with `code`.
[[noreturn]] void fail(const std::string& message, int code = 1);

// A JSON string literal of raw bytes: valid UTF-8 is kept as it is, any other byte >= 0x80
// becomes \u00XX; quotes, backslashes and control characters are escaped.
std::string jsonString(std::string_view bytes);

// The arguments after the program name, as given (kept by main for forwarding).
const std::vector<std::string>& commandLine();
void setCommandLine(int argc, char** argv);

// "ID:SIZE=PATH" of an --icon option (ID an item_id of the icon table, SIZE large or small) as
// the element's tag and the path; anything else fails with exit code 2.
std::pair<int, std::string> parseIconOption(const std::string& option);

// Subcommands, one registration function per file.
void registerZip(CLI::App& app);
void registerLs(CLI::App& app);
void registerUnzip(CLI::App& app);
void registerXml(CLI::App& app);
// The commands that decode pictures or paint (Qt Gui). skarvel-cli-pictures runs them
// (cmd_theme_open.cpp, cmd_theme_check.cpp, cmd_preview.cpp, cmd_thumbnail.cpp); skarvel-cli hands
// them over to it.
void registerThemeOpen(CLI::App& theme);
void registerThemeCheck(CLI::App& theme);  // "check" and "fit"
void registerPreview(CLI::App& app);
void registerThumbnail(CLI::App& app);

struct PictureCommands {
    void (*themeOpen)(CLI::App& theme);
    void (*themeCheck)(CLI::App& theme);
    void (*preview)(CLI::App& app);
    void (*thumbnail)(CLI::App& app);
};

// "theme" with compose and save, and the picture commands open, check and fit as given.
void registerTheme(CLI::App& app, const PictureCommands& commands);

// The picture commands as skarvel-cli registers them: each hands its command line over.
PictureCommands forwardedPictureCommands();

// Parses the command line and runs the subcommand; returns the exit code.
int runCommands(int argc, char** argv, const PictureCommands& pictureCommands);

}  // namespace cli
