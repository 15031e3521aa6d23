// skarvel-cli theme compose|save|open: the descriptor and the Save and Open workflows.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

#include "cli/common.h"
#include "picture/picture.h"
#include "platform/errors.h"
#include "theme/descriptor.h"
#include "theme/open.h"
#include "theme/save.h"
#include "theme/unpack_folder.h"

namespace cli {

namespace {

// "ID:SIZE=PATH" of --icon, as the icon tag and the path.
std::pair<int, std::string> parseIconOption(const std::string& option) {
    const auto colon = option.find(':');
    const auto equals = option.find('=');
    if (colon == std::string::npos || equals == std::string::npos || equals < colon)
        fail("--icon " + option + ": expected ID:SIZE=PATH", 2);
    const int tag = theme::iconTagFor(option.substr(0, colon), option.substr(colon + 1, equals - colon - 1));
    if (tag == 0) fail("--icon " + option + ": unknown item_id or size", 2);
    return {tag, option.substr(equals + 1)};
}

// A theme whose pictures load by the picture loading rule, as the window's do.
std::unique_ptr<theme::ThemeFields> pictureLoadingFields() {
    return std::make_unique<theme::ThemeFields>([](const std::string& path) {
        const auto loaded = picture::loadPicture(path);
        return std::string(loaded.bytes.constData(), static_cast<size_t>(loaded.bytes.size()));
    });
}

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

std::string iconsJson(const theme::ThemeView& view) {
    std::string json = "{";
    for (int item = 1; item <= 11; ++item) {
        for (int tag : {item, item + theme::kSmallIconOffset}) {
            const auto& row = theme::iconRowFor(tag);
            if (json.size() > 1) json += ',';
            json += jsonString(std::string(row.itemId) + ":" + std::string(row.size)) + ":" + jsonString(view.path(tag));
        }
    }
    return json + "}";
}

std::string problemsJson(const std::vector<theme::PackageProblem>& problems) {
    std::string json = "[";
    for (const auto& problem : problems) {
        if (json.size() > 1) json += ',';
        json += "{\"number\":" + std::to_string(problem.number) + ",\"text\":" + jsonString(problem.text) +
                ",\"member\":" + jsonString(problem.member) + "}";
    }
    return json + "]";
}

std::string themeJson(const theme::ThemeView& view, const std::vector<theme::PackageProblem>& problems) {
    return "{\"wallpaper\":" + jsonString(view.path(theme::kTagWallpaper)) +
           ",\"background\":" + jsonString(view.path(theme::kTagBackground)) +
           ",\"screensaver\":" + jsonString(view.path(theme::kTagScreensaver)) +
           ",\"ringtone\":" + jsonString(view.ringtone()) + ",\"color\":" + std::to_string(view.colorIndex()) +
           ",\"icons\":" + iconsJson(view) + ",\"problems\":" + problemsJson(problems) + "}";
}

void registerCompose(CLI::App& parent) {
    auto* command = parent.add_subcommand("compose", "print the descriptor of the given fields");
    auto fields = std::make_shared<FieldOptions>();
    fields->addTo(*command);
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
    command->add_option("OUT", *out, "package to write")->required();
    fields->addTo(*command);
    command->callback([fields, out] {
        theme::ThemeFields view;
        fields->applyTo(view);
        theme::SaveWorkflow save;
        try {
            save.run(view, *out);
        } catch (const platform::Error& e) {
            fail(e.what());
        }
    });
}

void registerOpen(CLI::App& parent) {
    auto* command = parent.add_subcommand("open", "open a theme package into FOLDER/files/");
    auto yes = std::make_shared<bool>(false);
    auto package = std::make_shared<std::string>();
    auto folder = std::make_shared<std::string>();
    command->add_flag("--yes", *yes, "empty a non-empty unpack folder without asking");
    command->add_option("PACKAGE", *package, "package to open")->required();
    command->add_option("FOLDER", *folder, "folder to unpack into (its files/ subfolder)")->required();
    command->callback([yes, package, folder] {
        auto view = pictureLoadingFields();
        theme::OpenWorkflow open;
        bool warned = false;
        open.confirmEmptying = [&](const std::string&) {
            warned = true;
            return *yes;
        };
        std::string error;
        bool opened = false;
        try {
            opened = open.run(*package, *folder, *view);
        } catch (const platform::Error& e) {
            error = e.what();
        }
        if (!opened && error.empty() && warned) {
            std::cout << theme::kUnpackWarning << std::endl;
            throw ExitCode{4};
        }
        std::cout << themeJson(*view, open.problems()) << std::endl;
        if (!error.empty()) fail(error);
        if (!open.problems().empty()) throw ExitCode{3};
    });
}

}  // namespace

void registerTheme(CLI::App& app) {
    auto* command = app.add_subcommand("theme", "theme descriptor, Save and Open");
    command->require_subcommand(1);
    registerCompose(*command);
    registerSave(*command);
    registerOpen(*command);
}

}  // namespace cli
