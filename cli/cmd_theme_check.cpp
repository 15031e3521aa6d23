// skarvel-cli theme check|fit: what a handset will reject in a package, and pictures fitted to
// the handset's slots. Both decode pictures, so skarvel-cli-pictures runs them.
#include <CLI/CLI.hpp>

#include <iostream>
#include <map>
#include <memory>
#include <string>

#include "cli/common.h"
#include "picture/fit.h"
#include "picture/picture.h"
#include "platform/errors.h"
#include "theme/check.h"

namespace cli {

namespace {

std::string findingsJson(const std::vector<theme::Finding>& findings) {
    std::string json = "{\"findings\":[";
    for (size_t index = 0; index < findings.size(); ++index) {
        const auto& finding = findings[index];
        if (index) json += ',';
        json += "{\"severity\":";
        json += finding.severity == theme::Severity::Error ? "\"error\"" : "\"warning\"";
        json += ",\"element\":" + jsonString(finding.element) + ",\"code\":" + jsonString(finding.code) +
                ",\"message\":" + jsonString(finding.message) + "}";
    }
    return json + "]}";
}

theme::PictureFacts probePicture(const std::string& path) {
    const auto facts = picture::handsetFacts(path);
    return {facts.handsetFormat, facts.width, facts.height};
}

void registerCheck(CLI::App& parent) {
    auto* command = parent.add_subcommand("check", "list what a handset will reject or may misshow in a package");
    auto package = std::make_shared<std::string>();
    command->add_option("PACKAGE", *package, "package to check")->required();
    command->footer(
        "Exit codes: 0 no findings; 1 at least one error, or the package cannot be read; 2 usage error; "
        "3 warnings only.");
    command->callback([package] {
        std::vector<theme::Finding> findings;
        try {
            findings = theme::checkPackage(*package, probePicture);
        } catch (const platform::Error& e) {
            fail(e.what());
        }
        std::cout << findingsJson(findings) << std::endl;
        if (theme::hasErrors(findings)) throw ExitCode{1};
        if (!findings.empty()) throw ExitCode{3};
    });
}

struct FitSlot {
    theme::Slot size;
    picture::FitMode mode;
};

const std::map<std::string, FitSlot> kFitSlots = {
    {"wallpaper", {theme::kScreenSlot, picture::FitMode::Cover}},
    {"background", {theme::kScreenSlot, picture::FitMode::Cover}},
    {"screensaver", {theme::kScreenSlot, picture::FitMode::Cover}},
    {"icon-large", {theme::kLargeIconSlot, picture::FitMode::Inside}},
    {"icon-small", {theme::kSmallIconSlot, picture::FitMode::Inside}},
};

void registerFit(CLI::App& parent) {
    auto* command = parent.add_subcommand("fit", "write a copy of a picture fitted to a slot of the screen");
    auto slot = std::make_shared<std::string>();
    auto in = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    command->add_option("--slot", *slot, "wallpaper, background, screensaver, icon-large or icon-small")
        ->required()
        ->check(CLI::IsMember({"wallpaper", "background", "screensaver", "icon-large", "icon-small"}));
    command->add_option("IN", *in, "picture to fit")->required();
    command->add_option("OUT", *out, "fitted copy: .jpg, .jpeg or .png")->required();
    command->footer(
        "Exit codes: 0 written; 1 failure (the picture cannot be read or OUT written); 2 usage error "
        "(also an OUT of another format).");
    command->callback([slot, in, out] {
        if (picture::fitFormatFor(*out).empty()) fail("OUT must end in .jpg, .jpeg or .png: " + *out, 2);
        const FitSlot& fit = kFitSlots.at(*slot);
        try {
            const auto loaded = picture::loadPicture(*in);
            picture::writeFitted(picture::fitImage(loaded.image(), fit.size.width, fit.size.height, fit.mode), *out);
        } catch (const platform::Error& e) {
            fail(e.what());
        }
    });
}

}  // namespace

void registerThemeCheck(CLI::App& theme) {
    registerCheck(theme);
    registerFit(theme);
}

}  // namespace cli
