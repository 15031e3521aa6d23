// Composition of theme_descriptor.xml: exact bytes and the files each line names.
#include <gtest/gtest.h>

#include "theme/descriptor.h"

namespace theme {
namespace {

const std::string kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE theme PUBLIC \"-//NOKIA//DTD THEME 1.1//EN\" \"theme.dtd\">\n"
    "<theme name=\"New Theme\" version=\"1.1\">\n";

TEST(ComposeDescriptor, NewThemeGivesSevenLinesOf257Bytes) {
    ThemeFields fields;
    const auto descriptor = composeDescriptor(fields);
    EXPECT_EQ(descriptor.text, kHeader +
                                   "  <screensaver src=\"basic_ss.jpg\"/>\n"
                                   "  <ringtone    src=\"Nokia tune.aac\"/>\n"
                                   "  <colorscheme color=\"blue\"/>\n"
                                   "</theme>\n");
    EXPECT_EQ(descriptor.text.size(), 257u);
    ASSERT_EQ(descriptor.files.size(), 2u);
    EXPECT_EQ(descriptor.files[0].origin, FileOrigin::DefaultScreensaver);
    EXPECT_EQ(descriptor.files[0].path, "basic_ss.jpg");
    EXPECT_EQ(descriptor.files[1].origin, FileOrigin::DefaultRingtone);
    EXPECT_EQ(descriptor.files[1].path, "Nokia tune.aac");
}

TEST(ComposeDescriptor, WorkedExampleOfTenLinesAnd369Bytes) {
    ThemeFields fields;
    fields.setPath(kTagWallpaper, "/pics/sky.jpg");
    fields.setRingtone("/snd/ring.mid");
    fields.setColorIndex(3);
    fields.setPath(kMessages, "/ic/msg.png");
    fields.setPath(kTagBackground, "/pics/bg.gif");
    const auto descriptor = composeDescriptor(fields);
    EXPECT_EQ(descriptor.text, kHeader +
                                   "  <wallpaper   src=\"sky.jpg\"/>\n"
                                   "  <screensaver src=\"basic_ss.jpg\"/>\n"
                                   "  <ringtone    src=\"ring.mid\"/>\n"
                                   "  <colorscheme color=\"green\"/>\n"
                                   "  <icon src=\"msg.png\" item_id=\"messages\" size=\"large\"/>\n"
                                   "  <background  src=\"bg.gif\"/>\n"
                                   "</theme>\n");
    EXPECT_EQ(descriptor.text.size(), 369u);

    std::vector<std::string> paths;
    for (const auto& file : descriptor.files) paths.push_back(file.path);
    EXPECT_EQ(paths, (std::vector<std::string>{"/pics/sky.jpg", "basic_ss.jpg", "/snd/ring.mid", "/ic/msg.png",
                                               "/pics/bg.gif"}));
}

TEST(ComposeDescriptor, IconsFollowTheIconTableNotTheMenuOrder) {
    ThemeFields fields;
    for (int item = 1; item <= 11; ++item) {
        fields.setPath(item, "/l/" + std::to_string(item) + ".png");
        fields.setPath(item + kSmallIconOffset, "/s/" + std::to_string(item) + ".png");
    }
    const auto descriptor = composeDescriptor(fields);
    std::string icons;
    for (size_t at = descriptor.text.find("<icon"); at != std::string::npos; at = descriptor.text.find("<icon", at + 1))
        icons += descriptor.text.substr(at, descriptor.text.find('\n', at) - at) + "\n";
    EXPECT_EQ(icons,
              "<icon src=\"3.png\" item_id=\"callregister\" size=\"large\"/>\n"
              "<icon src=\"3.png\" item_id=\"callregister\" size=\"small\"/>\n"
              "<icon src=\"4.png\" item_id=\"settings\" size=\"large\"/>\n"
              "<icon src=\"4.png\" item_id=\"settings\" size=\"small\"/>\n"
              "<icon src=\"8.png\" item_id=\"organizer\" size=\"large\"/>\n"
              "<icon src=\"8.png\" item_id=\"organizer\" size=\"small\"/>\n"
              "<icon src=\"5.png\" item_id=\"gallery\" size=\"large\"/>\n"
              "<icon src=\"5.png\" item_id=\"gallery\" size=\"small\"/>\n"
              "<icon src=\"10.png\" item_id=\"services\" size=\"large\"/>\n"
              "<icon src=\"10.png\" item_id=\"services\" size=\"small\"/>\n"
              "<icon src=\"6.png\" item_id=\"media\" size=\"large\"/>\n"
              "<icon src=\"6.png\" item_id=\"media\" size=\"small\"/>\n"
              "<icon src=\"9.png\" item_id=\"applications\" size=\"large\"/>\n"
              "<icon src=\"9.png\" item_id=\"applications\" size=\"small\"/>\n"
              "<icon src=\"2.png\" item_id=\"contacts\" size=\"large\"/>\n"
              "<icon src=\"2.png\" item_id=\"contacts\" size=\"small\"/>\n"
              "<icon src=\"11.png\" item_id=\"simatk\" size=\"large\"/>\n"
              "<icon src=\"11.png\" item_id=\"simatk\" size=\"small\"/>\n"
              "<icon src=\"7.png\" item_id=\"push_to_talk\" size=\"large\"/>\n"
              "<icon src=\"7.png\" item_id=\"push_to_talk\" size=\"small\"/>\n"
              "<icon src=\"1.png\" item_id=\"messages\" size=\"large\"/>\n"
              "<icon src=\"1.png\" item_id=\"messages\" size=\"small\"/>\n");
    // Each icon line's file is its own full path, in line order.
    ASSERT_EQ(descriptor.files.size(), 2u + 22u);
    EXPECT_EQ(descriptor.files[2].path, "/l/3.png");
    EXPECT_EQ(descriptor.files[23].path, "/s/1.png");
}

struct NameCase {
    const char* name;
    std::string field;
    std::string line;
};

class WallpaperName : public testing::TestWithParam<NameCase> {};

TEST_P(WallpaperName, IsTheTextAfterTheLastSlashUnescaped) {
    ThemeFields fields;
    fields.setPath(kTagWallpaper, GetParam().field);
    const auto text = composeDescriptor(fields).text;
    EXPECT_NE(text.find("\n" + GetParam().line + "\n"), std::string::npos) << text;
    EXPECT_EQ(composeDescriptor(fields).files.at(0).path, GetParam().field);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WallpaperName,
    testing::Values(NameCase{"TrailingSlashGivesEmptyName", "/pics/", "  <wallpaper   src=\"\"/>"},
                    NameCase{"NoSlashKeepsWholeText", "sky.jpg", "  <wallpaper   src=\"sky.jpg\"/>"},
                    NameCase{"AmpersandAndQuoteStayBare", "/p/a&b'c.jpg", "  <wallpaper   src=\"a&b'c.jpg\"/>"},
                    NameCase{"BackslashAndColonAreNameCharacters", "/p/c:\\x\\y.jpg",
                             "  <wallpaper   src=\"c:\\x\\y.jpg\"/>"},
                    NameCase{"BlanksNameAFile", " ", "  <wallpaper   src=\" \"/>"},
                    NameCase{"CyrillicBytesAsTheyStand", "/p/\xd0\xbe\xd0\xb1\xd0\xbe\xd0\xb8.jpg",
                             "  <wallpaper   src=\"\xd0\xbe\xd0\xb1\xd0\xbe\xd0\xb8.jpg\"/>"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ComposeDescriptor, ColourNamesByIndexAndEmptyWithoutSelection) {
    const char* names[] = {"blue", "brown", "gray", "green", "orange", "pink", "red", "violet"};
    for (int index = -1; index < 8; ++index) {
        ThemeFields fields;
        fields.setColorIndex(index);
        const std::string expected = index < 0 ? "" : names[index];
        EXPECT_NE(composeDescriptor(fields).text.find("  <colorscheme color=\"" + expected + "\"/>\n"),
                  std::string::npos)
            << index;
    }
}

TEST(ComposeDescriptor, SameNameFromTwoFoldersGivesTwoLines) {
    ThemeFields fields;
    fields.setPath(kTagWallpaper, "/a/x.jpg");
    fields.setPath(kTagBackground, "/b/x.jpg");
    const auto descriptor = composeDescriptor(fields);
    EXPECT_NE(descriptor.text.find("<wallpaper   src=\"x.jpg\"/>"), std::string::npos);
    EXPECT_NE(descriptor.text.find("<background  src=\"x.jpg\"/>"), std::string::npos);
    EXPECT_EQ(descriptor.files.back().path, "/b/x.jpg");
}

TEST(ComposeDescriptor, ChosenScreensaverAndRingtoneReplaceTheDefaults) {
    ThemeFields fields;
    fields.setPath(kTagScreensaver, "/s/saver.gif");
    fields.setRingtone("/r/tone.aac");
    const auto descriptor = composeDescriptor(fields);
    EXPECT_NE(descriptor.text.find("  <screensaver src=\"saver.gif\"/>\n  <ringtone    src=\"tone.aac\"/>\n"),
              std::string::npos);
    ASSERT_EQ(descriptor.files.size(), 2u);
    EXPECT_EQ(descriptor.files[0].origin, FileOrigin::Field);
    EXPECT_EQ(descriptor.files[1].origin, FileOrigin::Field);
}

}  // namespace
}  // namespace theme
