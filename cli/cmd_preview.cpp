// skarvel-cli preview: loads the given files into a theme in memory as the window loads them,
// paints the phone screen of one preview mode with the screen renderer (no widgets) and writes
// it as a 208 x 208 PNG.
#include <CLI/CLI.hpp>

#include <QImage>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/common.h"
#include "cli/offscreen.h"
#include "platform/errors.h"
#include "platform/tempfile.h"
#include "screen/picture_fields.h"
#include "screen/renderer.h"
#include "theme/open.h"

namespace cli {

namespace {

struct PreviewOptions {
    std::string wallpaper, background, screensaver;
    std::string theme;               // a package opened first, into a temporary folder
    std::vector<std::string> icons;  // ID:SIZE=FILE
    int mode = 0;
    std::string output;
};

// Opens the package into `folder` as the window's Open does, emptying nothing (the folder is
// new). Problems the reader met end the command as one damaged-package message.
void openTheme(const std::string& package, const std::string& folder, theme::ThemeView& view) {
    theme::OpenWorkflow open;
    open.confirmEmptying = [](const std::string&) { return true; };
    try {
        open.run(package, folder, view);
    } catch (...) {
        if (!open.problems().empty()) throw platform::Error(theme::damagedMessage(package, open.problems()));
        throw;
    }
    if (!open.problems().empty()) throw platform::Error(theme::damagedMessage(package, open.problems()));
}

void runPreview(const PreviewOptions& options) {
    if (!theme::isPreviewMode(options.mode))
        fail("--mode must be one of 201, 202, 203, 210, 1 to 11, got " + std::to_string(options.mode), 2);
    std::vector<std::pair<int, std::string>> files;  // tag and path
    for (const std::string& icon : options.icons) files.push_back(parseIconOption(icon));
    if (!options.wallpaper.empty()) files.push_back({theme::kTagWallpaper, options.wallpaper});
    if (!options.background.empty()) files.push_back({theme::kTagBackground, options.background});
    if (!options.screensaver.empty()) files.push_back({theme::kTagScreensaver, options.screensaver});

    ensureOffscreenGuiApplication();
    screen::PictureFields fields;
    // The package's files live in a temporary folder removed however the command ends.
    std::optional<platform::TempFolder> unpacked;
    if (!options.theme.empty()) {
        unpacked.emplace("skarvel-preview");
        openTheme(options.theme, unpacked->path(), fields);
    }
    // A file that does not load ends the command with the picture loading rule's message.
    for (const auto& [tag, path] : files) {
        fields.setPath(tag, path);
        fields.reloadPicture(tag);
    }
    const QImage screen =
        screen::renderScreen(theme::planScreen(options.mode), [&fields](int tag) { return fields.decoded(tag); });
    if (!screen.save(QString::fromStdString(options.output), "PNG")) fail("Cannot create file " + options.output);
}

}  // namespace

void registerPreview(CLI::App& app) {
    auto options = std::make_shared<PreviewOptions>();
    auto* command = app.add_subcommand("preview", "Render the phone screen of a theme for one preview mode as PNG");
    command->footer("Exit codes: 0 written; 1 failure (a file cannot be read or the PNG written); 2 usage error.");
    command->add_option("--theme", options->theme, "theme package opened before the other files load");
    command->add_option("--wallpaper", options->wallpaper, "wallpaper picture");
    command->add_option("--background", options->background, "background picture");
    command->add_option("--screensaver", options->screensaver, "screensaver picture");
    command->add_option("--icon", options->icons, "menu icon as ID:SIZE=FILE (SIZE large or small); repeatable");
    command->add_option("--mode", options->mode, "preview mode: 201, 202, 203, 210 or 1 to 11")->required();
    command->add_option("-o,--output", options->output, "the PNG file to write")->required();
    command->callback([options] { runPreview(*options); });
}

}  // namespace cli
