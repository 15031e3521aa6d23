// The theme check over small packages made here; skarvel-cli theme check, fit and
// save --portable-names.
#include <gtest/gtest.h>

#include <QImage>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "../picture/fixtures.h"
#include "support/files.h"
#include "support/process.h"
#include "picture/fit.h"
#include "platform/tempfile.h"
#include "theme/check.h"
#include "zip/records.h"

namespace {

struct Member {
    std::string name;
    std::string bytes;
    bool wrongCrc = false;
};

void put(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A ZIP of stored members with UTF-8 names (flag bit 11), as small as a package gets.
std::string storedZip(const std::vector<Member>& members) {
    std::string archive, central;
    for (const auto& member : members) {
        const std::uint32_t crc = zip::crc32Of(member.bytes) ^ (member.wrongCrc ? 1u : 0u);
        const auto offset = static_cast<std::uint32_t>(archive.size());
        auto common = [&](std::string& out) {
            put(out, 20, 2), put(out, 0x0800, 2), put(out, 0, 2), put(out, 0, 2), put(out, 0x21, 2);
            put(out, crc, 4), put(out, member.bytes.size(), 4), put(out, member.bytes.size(), 4);
            put(out, member.name.size(), 2), put(out, 0, 2);
        };
        put(archive, 0x04034b50, 4);
        common(archive);
        archive += member.name + member.bytes;
        put(central, 0x02014b50, 4);
        put(central, 20, 2);
        common(central);
        put(central, 0, 2), put(central, 0, 2), put(central, 0, 2), put(central, 0x20, 4), put(central, offset, 4);
        central += member.name;
    }
    const auto centralOffset = static_cast<std::uint32_t>(archive.size());
    archive += central;
    put(archive, 0x06054b50, 4), put(archive, 0, 4);
    put(archive, members.size(), 2), put(archive, members.size(), 2);
    put(archive, central.size(), 4), put(archive, centralOffset, 4), put(archive, 0, 2);
    return archive;
}

std::string descriptor(const std::string& lines, const std::string& encoding = "UTF-8") {
    return "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\n<theme name=\"New Theme\" version=\"1.1\">\n" +
           lines + "</theme>\n";
}

std::string bytesOf(const QByteArray& bytes) { return bytes.toStdString(); }
std::string png(int width, int height) {
    return bytesOf(fixtures::encodeWithQt(fixtures::filled(width, height, Qt::red, Qt::blue), "png"));
}

using testsupport::writeFile;

theme::PictureFacts realProbe(const std::string& path) {
    const auto facts = picture::handsetFacts(path);
    return {facts.handsetFormat, facts.width, facts.height};
}

using Expected = std::vector<std::pair<std::string, std::string>>;  // element, code

Expected checked(const std::vector<Member>& members) {
    platform::TempFolder temp;
    const std::string package = temp.path() + "/t.nth";
    writeFile(package, storedZip(members));
    Expected found;
    for (const auto& finding : theme::checkPackage(package, realProbe)) {
        found.emplace_back(finding.element, finding.code);
        EXPECT_EQ(finding.severity == theme::Severity::Error,
                  finding.code == "missing-file" || finding.code == "no-descriptor" ||
                      finding.code == "descriptor-not-well-formed" || finding.code == "member-damaged" ||
                      finding.code == "picture-damaged")
            << finding.code;
        EXPECT_FALSE(finding.message.empty());
    }
    return found;
}

const std::string kWin1251Oboi = "\xEE\xE1\xEE\xE8";  // "обои" in Windows-1251
const std::string kCp866Oboi = "\xAE\xA1\xAE\xA8";    // "обои" in CP866

struct Case {
    const char* what;
    std::vector<Member> members;
    Expected expected;
};

TEST(ThemeCheck, FindsWhatAHandsetRejects) {
    const std::string ring = "ADTS";
    const std::vector<Case> cases = {
        {"clean",
         {{"w.png", png(208, 208)},
          {"m.png", png(64, 52)},
          {"r.aac", ring},
          {"theme_descriptor.xml", descriptor("  <wallpaper src=\"w.png\"/>\n  <ringtone src=\"r.aac\"/>\n"
                                              "  <icon src=\"m.png\" item_id=\"messages\" size=\"small\"/>\n")}},
         {}},
        {"missing file",
         {{"theme_descriptor.xml", descriptor("  <wallpaper src=\"gone.png\"/>\n")}},
         {{"wallpaper", "missing-file"}}},
        {"name in another letter case",
         {{"sky.png", png(10, 10)}, {"theme_descriptor.xml", descriptor("  <background src=\"Sky.PNG\"/>\n")}},
         {{"background", "name-case-differs"}}},
        {"Windows-1251 bytes under a UTF-8 declaration",
         {{"обои.png", png(10, 10)},
          {"theme_descriptor.xml", descriptor("  <wallpaper src=\"" + kWin1251Oboi + ".png\"/>\n")}},
         {{"package", "descriptor-not-well-formed"}, {"wallpaper", "name-not-portable"}}},
        {"Windows-1251 declared",
         {{"обои.png", png(10, 10)},
          {"theme_descriptor.xml", descriptor("  <wallpaper src=\"" + kWin1251Oboi + ".png\"/>\n", "windows-1251")}},
         {{"wallpaper", "name-not-portable"}}},
        {"CP866 declared",
         {{"x.png", png(10, 10)},
          {"theme_descriptor.xml",
           descriptor("  <!-- " + kCp866Oboi + " -->\n  <wallpaper src=\"x.png\"/>\n", "cp866")}},
         {}},
        {"a bare ampersand",
         {{"a&b.png", png(10, 10)}, {"theme_descriptor.xml", descriptor("  <wallpaper src=\"a&b.png\"/>\n")}},
         {{"package", "descriptor-not-well-formed"}, {"wallpaper", "name-not-portable"}}},
        {"a descriptor longer than expat's pieces",
         {{"theme_descriptor.xml",
           descriptor("  <!-- " + std::string(1500000, 'x') + " -->\n  <wallpaper src=\"gone.png\"/>\n")}},
         {{"wallpaper", "missing-file"}}},
        {"a Cyrillic member name",
         {{"звонок.aac", ring}, {"theme_descriptor.xml", descriptor("  <ringtone src=\"звонок.aac\"/>\n")}},
         {{"ringtone", "name-not-portable"}}},
        {"a 640 x 480 wallpaper",
         {{"big.png", png(640, 480)}, {"theme_descriptor.xml", descriptor("  <wallpaper src=\"big.png\"/>\n")}},
         {{"wallpaper", "size-exceeds-slot"}}},
        {"a WMF icon",
         {{"i.wmf", bytesOf(fixtures::wmf(40, 40, 0x0000FF))},
          {"theme_descriptor.xml", descriptor("  <icon src=\"i.wmf\" item_id=\"settings\" size=\"LARGE\"/>\n")}},
         {{"icon:settings:large", "format-unsupported"}}},
        {"a damaged PNG",
         {{"d.png", png(20, 20).substr(0, 40)},
          {"theme_descriptor.xml", descriptor("  <icon src=\"d.png\" item_id=\"gallery\" size=\"small\"/>\n")}},
         {{"icon:gallery:small", "picture-damaged"}}},
        {"a member failing its CRC",
         {{"w.png", png(10, 10), true}, {"theme_descriptor.xml", descriptor("  <wallpaper src=\"w.png\"/>\n")}},
         {{"wallpaper", "member-damaged"}}},
        {"a damaged member no element names",
         {{"extra.bin", "x", true}, {"theme_descriptor.xml", descriptor("")}},
         {{"package", "member-damaged"}}},
        {"no descriptor", {{"w.png", png(10, 10)}}, {{"package", "no-descriptor"}}},
        {"line order, then code",
         {{"Большой.png", png(300, 300)},
          {"theme_descriptor.xml",
           descriptor(
               "  <background src=\"bg.png\"/>\n  <wallpaper src=\"Большой.png\"/>\n  <ringtone src=\"r&.aac\"/>\n")}},
         {{"package", "descriptor-not-well-formed"},
          {"background", "missing-file"},
          {"wallpaper", "name-not-portable"},
          {"wallpaper", "size-exceeds-slot"},
          {"ringtone", "missing-file"},
          {"ringtone", "name-not-portable"}}},
    };
    for (const auto& c : cases) EXPECT_EQ(checked(c.members), c.expected) << c.what;
}

TEST(ThemeCheck, SlotsAndPortableNames) {
    EXPECT_EQ(theme::slotFor(201).width, 208);
    EXPECT_EQ(theme::slotFor(11).height, 170);
    EXPECT_EQ(theme::slotFor(111).width, 64);
    EXPECT_TRUE(theme::isPortableName("Nokia tune (2)_a-b.aac"));
    for (const char* name : {"", "a&b.png", "a'b.png", "обои.png", "a/b.png", "a\\b.png"})
        EXPECT_FALSE(theme::isPortableName(name)) << name;
}

// ---- Through skarvel-cli

using testsupport::quote;
using testsupport::readFile;

// skarvel-cli's exit code and standard output (standard error is dropped).
testsupport::CommandResult cli(const std::string& arguments) {
    return testsupport::runCli(arguments, testsupport::StandardError::Dropped);
}

TEST(CliThemeCheck, PrintsFindingsAsJsonWithExitCodes) {
    platform::TempFolder temp;
    const auto dir = temp.path();
    writeFile(dir + "/clean.nth", storedZip({{"theme_descriptor.xml", descriptor("")}}));
    writeFile(dir + "/warn.nth", storedZip({{"Big.png", png(300, 200)},
                                            {"theme_descriptor.xml", descriptor("  <wallpaper src=\"big.png\"/>\n")}}));
    writeFile(dir + "/error.nth", storedZip({{"theme_descriptor.xml", descriptor("  <wallpaper src=\"a\"/>\n")}}));
    writeFile(dir + "/notzip.nth", "plain text");

    EXPECT_EQ(cli("theme check " + quote(dir + "/clean.nth")).output, "{\"findings\":[]}\n");
    EXPECT_EQ(cli("theme check " + quote(dir + "/clean.nth")).status, 0);

    const auto warned = cli("theme check " + quote(dir + "/warn.nth"));
    EXPECT_EQ(warned.status, 3);
    EXPECT_EQ(warned.output.rfind("{\"findings\":[{\"severity\":\"warning\",\"element\":\"wallpaper\",\"code\":"
                                  "\"name-case-differs\",\"message\":\"",
                                  0),
              0u)
        << warned.output;
    EXPECT_NE(warned.output.find("\"code\":\"size-exceeds-slot\""), std::string::npos);

    const auto failed = cli("theme check " + quote(dir + "/error.nth"));
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.output.find("{\"severity\":\"error\",\"element\":\"wallpaper\",\"code\":\"missing-file\""),
              std::string::npos);
    EXPECT_EQ(cli("theme check " + quote(dir + "/notzip.nth")).status, 1);
}

QImage imageOf(const std::string& path) { return QImage(QString::fromStdString(path)); }

TEST(CliThemeCheck, FitWritesPicturesOfTheSlotsSize) {
    platform::TempFolder temp;
    const auto dir = temp.path();
    writeFile(dir + "/wide.png", png(640, 480));
    writeFile(dir + "/tiny.png", png(30, 20));
    writeFile(dir + "/tall.png", png(100, 400));
    struct FitCase {
        const char* slot;
        const char* in;
        const char* out;
        QSize size;
    };
    for (const auto& c : std::vector<FitCase>{
             {"wallpaper", "wide.png", "w.jpg", {208, 208}},
             {"background", "tiny.png", "b.JPEG", {208, 208}},  // screens are scaled up too
             {"screensaver", "tall.png", "s.png", {208, 208}},
             {"icon-large", "wide.png", "l.png", {208, 156}},
             {"icon-large", "tall.png", "l2.png", {42, 170}},
             {"icon-small", "wide.png", "m.png", {64, 48}},
             {"icon-small", "tiny.png", "m2.png", {30, 20}},  // icons are never scaled up
         }) {
        ASSERT_EQ(cli(std::string("theme fit --slot ") + c.slot + " " + quote(dir + "/" + c.in) + " " +
                      quote(dir + "/" + c.out))
                      .status,
                  0)
            << c.out;
        EXPECT_EQ(imageOf(dir + "/" + c.out).size(), c.size) << c.out;
    }
    EXPECT_EQ(imageOf(dir + "/w.jpg").pixelColor(100, 100).red() > 200, true);
    EXPECT_EQ(cli("theme fit --slot icon-small " + quote(dir + "/tiny.png") + " " + quote(dir + "/x.gif")).status, 2);
    EXPECT_EQ(cli("theme fit --slot icons " + quote(dir + "/tiny.png") + " " + quote(dir + "/x.png")).status, 2);
    EXPECT_EQ(cli("theme fit --slot wallpaper " + quote(dir + "/none.png") + " " + quote(dir + "/x.png")).status, 1);
}

TEST(CliThemeCheck, PortableSaveStoresAsciiNamesAndOpensToTheSameBytes) {
    platform::TempFolder temp;
    const auto dir = temp.path();
    const std::string wall = dir + "/Обои.JPG", icon = dir + "/a&b.png", ring = dir + "/мелодия.aac",
                      bg = dir + "/bg.png", wall2 = dir + "/wallpaper.jpg";
    writeFile(wall, bytesOf(fixtures::encodeWithQt(fixtures::filled(208, 208, Qt::green, Qt::green), "jpg")));
    writeFile(icon, png(64, 52));
    writeFile(ring, "ring bytes");
    writeFile(bg, png(208, 208));
    writeFile(wall2, bytesOf(fixtures::encodeWithQt(fixtures::filled(100, 100, Qt::red, Qt::red), "jpg")));
    // wall2 holds the name the wallpaper would get: the wallpaper's copy is numbered.
    const std::string fields = " --wallpaper " + quote(wall) + " --icon " + quote("messages:small=" + icon) +
                               " --icon " + quote("settings:large=" + wall2) + " --ringtone " + quote(ring) +
                               " --background " + quote(bg) + " --screensaver " +
                               quote(wall);  // the wallpaper's file again: one member

    ASSERT_EQ(cli("theme save --portable-names " + quote(dir + "/p.nth") + fields).status, 0);
    const auto listing = cli("ls " + quote(dir + "/p.nth")).output;
    for (const char* name : {"wallpaper_2.jpg", "icon_messages_small.png", "ringtone.aac", "bg.png", "wallpaper.jpg"})
        EXPECT_NE(listing.find(name), std::string::npos) << name << "\n" << listing;
    EXPECT_EQ(listing.find("screensaver"), std::string::npos) << listing;
    EXPECT_EQ(cli("theme check " + quote(dir + "/p.nth")).output, "{\"findings\":[]}\n");

    const auto opened = cli("theme open --yes " + quote(dir + "/p.nth") + " " + quote(dir + "/o"));
    ASSERT_EQ(opened.status, 0) << opened.output;
    const std::string files = dir + "/o/files/";
    EXPECT_EQ(readFile(files + "wallpaper_2.jpg"), readFile(wall));
    EXPECT_EQ(readFile(files + "icon_messages_small.png"), readFile(icon));
    EXPECT_EQ(readFile(files + "ringtone.aac"), readFile(ring));
    EXPECT_EQ(readFile(files + "wallpaper.jpg"), readFile(wall2));
    EXPECT_NE(opened.output.find("\"wallpaper\":\"" + files + "wallpaper_2.jpg\""), std::string::npos) << opened.output;
    EXPECT_NE(opened.output.find("\"screensaver\":\"" + files + "wallpaper_2.jpg\""), std::string::npos);
    EXPECT_NE(opened.output.find("\"messages:small\":\"" + files + "icon_messages_small.png\""), std::string::npos);

    // Without the option the names stay as they are.
    ASSERT_EQ(cli("theme save " + quote(dir + "/plain.nth") + fields).status, 0);
    EXPECT_NE(cli("ls " + quote(dir + "/plain.nth")).output.find("мелодия.aac"), std::string::npos);
}

}  // namespace
