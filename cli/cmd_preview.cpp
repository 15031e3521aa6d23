// skarvel-cli preview: the editor's own window, offscreen, loads the given files into its element
// table, composes the phone screen for one preview mode and writes it as a 208 x 208 PNG.
#include <CLI/CLI.hpp>

#include <QApplication>
#include <QImage>

#include <memory>
#include <string>
#include <vector>

#include "app/fileops.h"
#include "app/mainwindow.h"
#include "app/preview_export.h"
#include "cli/common.h"
#include "platform/tempfile.h"

namespace cli {

namespace {

struct PreviewOptions {
    std::string wallpaper, background, screensaver;
    std::string theme;  // a package opened first, into a temporary folder
    std::vector<std::string> icons;  // ID:SIZE=FILE
    int mode = 0;
    std::string output;
};

// One QApplication for the process, on the offscreen platform: no display is needed.
void ensureOffscreenApplication() {
    if (QApplication::instance()) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "skarvel-cli";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
}

void runPreview(const PreviewOptions& options) {
    if (!isPreviewMode(options.mode))
        fail("--mode must be one of 201, 202, 203, 210, 1 to 11, got " + std::to_string(options.mode), 2);
    std::vector<std::pair<int, std::string>> files;  // tag and path
    for (const std::string& icon : options.icons) files.push_back(parseIconOption(icon));
    if (!options.wallpaper.empty()) files.push_back({201, options.wallpaper});
    if (!options.background.empty()) files.push_back({202, options.background});
    if (!options.screensaver.empty()) files.push_back({203, options.screensaver});

    ensureOffscreenApplication();
    auto scripted = std::make_unique<ScriptedDialogs>();
    ScriptedDialogs* dialogs = scripted.get();
    TfmMain window(TfmMain::Options{std::move(scripted), std::nullopt});
    // New theme's failure at creation went to the error display; here it ends the command.
    if (!dialogs->errors.isEmpty()) fail(dialogs->errors.front().toStdString());
    // The package's files live in a temporary folder removed however the command ends.
    std::optional<platform::TempFolder> unpacked;
    if (!options.theme.empty()) {
        unpacked.emplace("skarvel-preview");
        openThemeInto(window, options.theme, unpacked->path());
    }
    // A file that does not load ends the command with the picture loading rule's message.
    for (const auto& [tag, path] : files) loadElement(window, tag, QString::fromStdString(path));
    const QImage screen = renderPreview(window, options.mode);
    if (!screen.save(QString::fromStdString(options.output), "PNG")) fail("Cannot create file " + options.output);
}

}  // namespace

void registerPreview(CLI::App& app) {
    auto options = std::make_shared<PreviewOptions>();
    auto* command = app.add_subcommand("preview", "Render the phone screen of a theme for one preview mode as PNG");
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
