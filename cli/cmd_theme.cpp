// skarvel-cli theme compose|save: the descriptor and the Save workflow, which need no Qt.
// "theme open" decodes pictures with Qt and runs in skarvel-cli-pictures (cmd_theme_open.cpp).
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>

#include "cli/common.h"
#include "platform/errors.h"
#include "theme/descriptor.h"
#include "theme/save.h"

namespace cli {

std::pair<int, std::string> parseIconOption(const std::string& option) {
    const auto colon = option.find(':');
    const auto equals = option.find('=');
    if (colon == std::string::npos || equals == std::string::npos || equals < colon)
        fail("--icon expects ID:SIZE=PATH, got \"" + option + "\"", 2);
    const std::string id = option.substr(0, colon);
    const std::string size = option.substr(colon + 1, equals - colon - 1);
    if (size != "large" && size != "small") fail("--icon size must be large or small, got \"" + size + "\"", 2);
    const int tag = theme::iconTagFor(id, size);
    if (tag == 0) fail("--icon: unknown item_id \"" + id + "\"", 2);
    return {tag, option.substr(equals + 1)};
}

namespace {

// The field options shared by compose and save.
struct FieldOptions {
    std::string wallpaper, background, screensaver, ringtone;
    int color = 0;
    std::vector<std::string> icons;

    void addTo(CLI::App& command) {
        command.add_option("--wallpaper", wallpaper, "wallpaper picture path");
        command.add_option("--background", background, "background picture path");
        command.add_option("--screensaver", screensaver, "screensaver picture path");
        command.add_option("--ringtone", ringtone, "ringtone path");
        command.add_option("--color", color, "colour index 0..7, -1 for none")->check(CLI::Range(-1, 7));
        command.add_option("--icon", icons, "ID:SIZE=PATH, SIZE large or small (repeatable)");
    }

    void applyTo(theme::ThemeView& view) const {
        view.setPath(theme::kTagWallpaper, wallpaper);
        view.setPath(theme::kTagBackground, background);
        view.setPath(theme::kTagScreensaver, screensaver);
        view.setRingtone(ringtone);
        view.setColorIndex(color);
        for (const auto& icon : icons) {
            const auto [tag, path] = parseIconOption(icon);
            view.setPath(tag, path);
        }
    }
};

void registerCompose(CLI::App& parent) {
    auto* command = parent.add_subcommand("compose", "print the descriptor of the given fields");
    auto fields = std::make_shared<FieldOptions>();
    fields->addTo(*command);
    command->footer("Exit codes: 0 printed; 2 usage error.");
    command->callback([fields] {
        theme::ThemeFields view;
        fields->applyTo(view);
        std::cout << theme::composeDescriptor(view).text << std::flush;
    });
}

void registerSave(CLI::App& parent) {
    auto* command = parent.add_subcommand("save", "save the given fields as a theme package");
    auto fields = std::make_shared<FieldOptions>();
    auto out = std::make_shared<std::string>();
    auto portable = std::make_shared<bool>(false);
    command->add_option("OUT", *out, "package to write")->required();
    command->add_flag("--portable-names", *portable,
                      "store files with non-ASCII or special names under names of their slot");
    fields->addTo(*command);
    command->footer(
        "Exit codes: 0 the package was written; 1 failure (the message says why; an existing package "
        "is left as it was); 2 usage error.");
    command->callback([fields, out, portable] {
        theme::ThemeFields view;
        fields->applyTo(view);
        theme::SaveWorkflow save;
        save.portableNames = *portable;
        try {
            save.run(view, *out);
        } catch (const platform::Error& e) {
            fail(e.what());
        }
    });
}

}  // namespace

void registerTheme(CLI::App& app, const PictureCommands& commands) {
    auto* command = app.add_subcommand("theme", "theme descriptor, Save and Open");
    command->require_subcommand(1);
    registerCompose(*command);
    registerSave(*command);
    commands.themeOpen(*command);
    commands.themeCheck(*command);
}

}  // namespace cli
