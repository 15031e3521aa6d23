// skarvel-cli theme open: the Open workflow with pictures reloaded by the picture loading rule,
// as the window reloads them, and the resulting fields printed as one JSON object.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/common.h"
#include "picture/picture.h"
#include "platform/errors.h"
#include "theme/fields.h"
#include "theme/open.h"
#include "theme/unpack_folder.h"

namespace cli {

namespace {

// A theme whose pictures load by the picture loading rule, as the window's do.
std::unique_ptr<theme::ThemeFields> pictureLoadingFields() {
    return std::make_unique<theme::ThemeFields>([](const std::string& path) {
        const auto loaded = picture::loadPicture(path);
        return std::string(loaded.bytes.constData(), static_cast<size_t>(loaded.bytes.size()));
    });
}

std::string iconsJson(const theme::ThemeView& view) {
    std::string json = "{";
    for (int item = 1; item <= 11; ++item) {
        for (int tag : {item, item + theme::kSmallIconOffset}) {
            const auto& row = theme::iconRowFor(tag);
            if (json.size() > 1) json += ',';
            json +=
                jsonString(std::string(row.itemId) + ":" + std::string(row.size)) + ":" + jsonString(view.path(tag));
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

}  // namespace

void registerThemeOpen(CLI::App& parent) {
    auto* command = parent.add_subcommand("open", "open a theme package into FOLDER/files/");
    auto yes = std::make_shared<bool>(false);
    auto package = std::make_shared<std::string>();
    auto folder = std::make_shared<std::string>();
    command->add_flag("--yes", *yes, "empty a non-empty unpack folder without asking");
    command->add_option("PACKAGE", *package, "package to open")->required();
    command->add_option("FOLDER", *folder, "folder to unpack into (its files/ subfolder)")->required();
    command->footer(
        "Exit codes: 0 opened; 1 failure; 2 usage error; 3 opened with problems (listed); 4 the unpack "
        "folder is not empty and --yes was not given.");
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

}  // namespace cli
