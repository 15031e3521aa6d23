// Reading a theme back from a descriptor: the rules for the six names, reloads and their failure.
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "platform/errors.h"
#include "platform/tempfile.h"
#include "theme/descriptor.h"
#include "xml/tree.h"

namespace theme {
namespace {

const std::string kFolder = "/unpack/files/";

// A theme whose reloads are recorded; a path listed in `failing` fails like a missing file.
struct RecordingTheme {
    std::vector<std::string> reloads;
    std::set<std::string> failing;
    ThemeFields fields{[this](const std::string& path) -> std::string {
        reloads.push_back(path);
        if (failing.count(path)) throw platform::EFOpenError(path);
        return "picture of " + path;
    }};
};

// Reads `xml` as a descriptor file into `theme`.
void read(const std::string& xml, RecordingTheme& theme) {
    platform::TempFolder temp;
    const auto path = temp.path() + "/theme_descriptor.xml";
    std::ofstream(path, std::ios::binary) << xml;
    xml::TQXMLParser parser;
    parser.NativeDecoding = true;
    parser.LoadFromFile(path);
    interpretDescriptor(parser, kFolder, theme.fields);
}

std::string themeOf(const std::string& children) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<theme name=\"New Theme\" version=\"1.1\">\n" + children +
           "</theme>\n";
}

TEST(ReadDescriptor, WhatSaveWritesComesBack) {
    ThemeFields saved;
    saved.setPath(kTagWallpaper, "/p/sky.jpg");
    saved.setPath(kTagBackground, "/p/bg.gif");
    saved.setPath(kTagScreensaver, "/p/saver.png");
    saved.setRingtone("/s/ring tone.aac");
    saved.setColorIndex(5);
    for (const auto& row : kIconTable) saved.setPath(row.tag, "/i/" + std::to_string(row.tag) + ".png");

    RecordingTheme theme;
    theme.fields.setRingtone("/old/ring.aac");
    read(composeDescriptor(saved).text, theme);

    EXPECT_EQ(theme.fields.path(kTagWallpaper), kFolder + "sky.jpg");
    EXPECT_EQ(theme.fields.path(kTagBackground), kFolder + "bg.gif");
    EXPECT_EQ(theme.fields.path(kTagScreensaver), kFolder + "saver.png");
    EXPECT_EQ(theme.fields.ringtone(), kFolder + "ring tone.aac");
    EXPECT_EQ(theme.fields.colorIndex(), 5);
    for (const auto& row : kIconTable) {
        EXPECT_EQ(theme.fields.path(row.tag), kFolder + std::to_string(row.tag) + ".png") << row.tag;
        EXPECT_EQ(theme.fields.picture(row.tag), "picture of " + kFolder + std::to_string(row.tag) + ".png");
    }
    // One reload per picture line, in document order; none for the ringtone.
    ASSERT_EQ(theme.reloads.size(), 25u);
    EXPECT_EQ(theme.reloads.front(), kFolder + "sky.jpg");
    EXPECT_EQ(theme.reloads.back(), kFolder + "bg.gif");
}

struct RuleCase {
    const char* name;
    std::string xml;
    int tag;               // field to look at (0: the ringtone)
    std::string expected;  // its path
    int color;             // expected colour index
};

class ReadingRule : public testing::TestWithParam<RuleCase> {};

TEST_P(ReadingRule, SetsTheField) {
    RecordingTheme theme;
    theme.fields.setColorIndex(kNoColor);
    read(GetParam().xml, theme);
    const auto& rule = GetParam();
    EXPECT_EQ(rule.tag == 0 ? theme.fields.ringtone() : theme.fields.path(rule.tag), rule.expected);
    EXPECT_EQ(theme.fields.colorIndex(), rule.color);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadingRule,
    testing::Values(
        RuleCase{"CapitalNamesAndAttributes", "<THEME><WALLPAPER SRC=\"w.jpg\"/></THEME>", kTagWallpaper,
                 kFolder + "w.jpg", kNoColor},
        RuleCase{"LargeInCapitals", themeOf("<icon src=\"m.png\" item_id=\"messages\" size=\"LARGE\"/>"), kMessages,
                 kFolder + "m.png", kNoColor},
        RuleCase{"SmallIconTarget", themeOf("<Icon Src=\"c.png\" Item_Id=\"Contacts\" Size=\"small\"/>"),
                 kContacts + kSmallIconOffset, kFolder + "c.png", kNoColor},
        RuleCase{"VioletInMixedCase", themeOf("<colorscheme color=\"Violet\"/>"), kTagWallpaper, "", 7},
        RuleCase{"PurpleSelectsBlue", themeOf("<colorscheme color=\"purple\"/>"), kTagWallpaper, "", 0},
        RuleCase{"MissingColourSelectsBlue", themeOf("<colorscheme/>"), kTagWallpaper, "", 0},
        RuleCase{"UnknownItemIdIgnored", themeOf("<icon src=\"x.png\" item_id=\"games\" size=\"large\"/>"), kMessages,
                 "", kNoColor},
        RuleCase{"UnknownSizeIgnored", themeOf("<icon src=\"x.png\" item_id=\"messages\" size=\"medium\"/>"), kMessages,
                 "", kNoColor},
        RuleCase{"NoItemIdIgnored", themeOf("<icon src=\"x.png\" size=\"large\"/>"), kMessages, "", kNoColor},
        RuleCase{"SecondWallpaperWins", themeOf("<wallpaper src=\"a.jpg\"/><wallpaper src=\"b.jpg\"/>"), kTagWallpaper,
                 kFolder + "b.jpg", kNoColor},
        RuleCase{"ParentStepLeavingTheFolderFillsNothing", themeOf("<background src=\"../x.jpg\"/>"), kTagBackground,
                 "", kNoColor},
        RuleCase{"ParentStepWithinTheFolderAppendedUnchanged", themeOf("<background src=\"a/../x.jpg\"/>"),
                 kTagBackground, kFolder + "a/../x.jpg", kNoColor},
        RuleCase{"DeclaredWindows1251",
                 "<?xml version='1.0' encoding='windows-1251'?><theme><wallpaper "
                 "src='\xD4\xEE\xF2\xEE.jpg'/></theme>",
                 kTagWallpaper, kFolder + "\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE.jpg", kNoColor},
        RuleCase{"RawWindows1251UnderUtf8", themeOf("<wallpaper src='\xD4\xEE\xF2\xEE.jpg'/>"), kTagWallpaper,
                 kFolder + "\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE.jpg", kNoColor},
        RuleCase{"NestedThemeIsFound", "<themes><!-- theme --><theme><wallpaper src=\"n.jpg\"/></theme></themes>",
                 kTagWallpaper, kFolder + "n.jpg", kNoColor},
        RuleCase{"GrandchildrenAreNotRead", themeOf("<group><wallpaper src=\"g.jpg\"/></group>"), kTagWallpaper, "",
                 kNoColor},
        RuleCase{"CommentNamedRingtone", themeOf("<!--ringtone-->"), 0, kFolder, kNoColor},
        RuleCase{"RingtoneIsNotExamined", themeOf("<ringtone src=\"missing.aac\"/>"), 0, kFolder + "missing.aac",
                 kNoColor},
        RuleCase{"NoThemeElementSetsNothing", "<themes><wallpaper src=\"w.jpg\"/></themes>", kTagWallpaper, "",
                 kNoColor}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadDescriptor, TwoWallpapersReloadTwice) {
    RecordingTheme theme;
    read(themeOf("<wallpaper src=\"a.jpg\"/><wallpaper src=\"b.jpg\"/>"), theme);
    EXPECT_EQ(theme.reloads, (std::vector<std::string>{kFolder + "a.jpg", kFolder + "b.jpg"}));
    EXPECT_EQ(theme.fields.picture(kTagWallpaper), "picture of " + kFolder + "b.jpg");
}

TEST(ReadDescriptor, WallpaperWithoutSrcReloadsTheFolderItself) {
    RecordingTheme theme;
    theme.failing.insert(kFolder);
    EXPECT_THROW(read(themeOf("<wallpaper/>"), theme), platform::Error);
    EXPECT_EQ(theme.fields.path(kTagWallpaper), kFolder);
    EXPECT_EQ(theme.fields.picture(kTagWallpaper), std::nullopt);
}

TEST(ReadDescriptor, FirstFailingReloadEndsTheReading) {
    RecordingTheme theme;
    theme.failing.insert(kFolder + "gone.jpg");
    EXPECT_THROW(read(themeOf("<ringtone src=\"r.aac\"/>"
                              "<wallpaper src=\"gone.jpg\"/>"
                              "<icon src=\"m.png\" item_id=\"messages\" size=\"large\"/>"
                              "<background src=\"bg.gif\"/>"),
                      theme),
                 platform::EFOpenError);
    EXPECT_EQ(theme.fields.ringtone(), kFolder + "r.aac");
    EXPECT_EQ(theme.fields.path(kTagWallpaper), kFolder + "gone.jpg") << "the path stays written";
    EXPECT_EQ(theme.fields.path(kMessages), "");
    EXPECT_EQ(theme.fields.path(kTagBackground), "");
}

}  // namespace
}  // namespace theme

namespace theme {
namespace {

TEST(ReadDescriptor, NamesComeBackInUtf8WhetherWrittenAsUtf8OrWindows1251) {
    const std::string sky = "\xd0\xbd\xd0\xb5\xd0\xb1\xd0\xbe.jpg";  // "небо.jpg"
    const std::string chinese = "\xe5\xa4\xa9\xe7\xa9\xba.png";      // two Chinese letters
    RecordingTheme theme;
    read(themeOf("<wallpaper src=\"" + sky +
                 "\"/>"
                 "<background src=\"\xed\xe5\xe1\xee.jpg\"/>"  // "небо.jpg" as Windows-1251 bytes
                 "<icon src=\"" +
                 chinese + "\" item_id=\"messages\" size=\"small\"/>"),
         theme);
    EXPECT_EQ(theme.fields.path(kTagWallpaper), kFolder + sky);
    EXPECT_EQ(theme.fields.path(kTagBackground), kFolder + sky);
    EXPECT_EQ(theme.fields.path(kMessages + kSmallIconOffset), kFolder + chinese);
}

TEST(ReadDescriptor, NamesLeavingTheUnpackFolderAreListedAndReadingGoesOn) {
    RecordingTheme theme;
    theme.fields.setRingtone("/kept.aac");
    platform::TempFolder temp;
    const auto path = temp.path() + "/theme_descriptor.xml";
    std::ofstream(path, std::ios::binary)
        << themeOf("<background src=\"../x.jpg\"/><ringtone src=\"a/../../r.aac\"/><wallpaper src=\"w.jpg\"/>");
    xml::TQXMLParser parser;
    parser.LoadFromFile(path);
    std::vector<std::string> outside;
    interpretDescriptor(parser, kFolder, theme.fields, &outside);
    EXPECT_EQ(outside, (std::vector<std::string>{"../x.jpg", "a/../../r.aac"}));
    EXPECT_EQ(theme.fields.path(kTagBackground), "");
    EXPECT_EQ(theme.fields.ringtone(), "/kept.aac");
    EXPECT_EQ(theme.fields.path(kTagWallpaper), kFolder + "w.jpg");
}

TEST(ReadDescriptor, MessagesQuoteAtMost200CharactersOfASrc) {
    const std::string src = std::string(100000, 'x') + ".jpg";
    RecordingTheme theme;
    theme.failing.insert(kFolder + src);
    try {
        read(themeOf("<wallpaper src=\"" + src + "\"/>"), theme);
        FAIL() << "the reload did not fail";
    } catch (const platform::Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + kFolder + std::string(200, 'x') + "…");
    }
    EXPECT_EQ(theme.fields.path(kTagWallpaper), kFolder + src);  // the field keeps the whole path
    EXPECT_EQ(quotedInput("\xD0\xA4" + std::string(199, 'y')), "\xD0\xA4" + std::string(198, 'y') + "…");
}

}  // namespace
}  // namespace theme
