// Element editing: browse, clear, double-click, reload request, ringtone pick, New theme,
// dropped files, and the picture loading rule's failures.
#include <QComboBox>
#include <QFile>
#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

#include "theme/elements.h"
#include "app_test_support.h"
#include "resources/embedded.h"

using apptest::filled;
using apptest::Window;
using apptest::writePicture;

namespace {

enum class Edit { Browse, Cancel, Clear, DoubleClick, Reload, Drop };

struct RedrawCase {
    const char* name;
    int mode;
    int tag;
    Edit edit;
    bool redraws;
};

// A file dragged from a file manager (which offers a web address first) and dropped on a
// picture control or path field: the drag enters, is accepted, and drops.
void dropFile(QWidget* target, const QString& path) {
    QMimeData data;
    data.setUrls({QUrl(QStringLiteral("https://example.org/x.png")), QUrl::fromLocalFile(path)});
    ASSERT_TRUE(target->acceptDrops());
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QApplication::sendEvent(target, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

class EditingTest : public ::testing::Test {
protected:
    void SetUp() override {
        apptest::ensureApplication();
        ASSERT_TRUE(folder.isValid());
        red = writePicture(folder, "red.png", filled(40, 30, Qt::red));
        blue = writePicture(folder, "blue.bmp", filled(20, 10, Qt::blue));
    }
    QTemporaryDir folder;
    QString red, blue;
};

}  // namespace

TEST_F(EditingTest, EditsRedrawAtOnceOnlyWhenThePreviewShowsThatElement) {
    const RedrawCase cases[] = {
        {"wallpaper on idle screen", 201, 201, Edit::Browse, true},
        {"background on plain background", 202, 202, Edit::Browse, true},
        {"screensaver on grid page 1", 203, 203, Edit::Browse, true},
        {"large icon on its page", 5, 5, Edit::Browse, true},
        {"cancelled browse still redraws", 201, 201, Edit::Cancel, true},
        {"cancelled browse elsewhere", 202, 201, Edit::Cancel, false},
        {"background on a menu page", 1, 202, Edit::Browse, false},
        {"background on grid page", 203, 202, Edit::Browse, false},
        {"small icon on grid page", 203, 101, Edit::Browse, false},
        {"clear large icon on its page", 7, 7, Edit::Clear, true},
        {"clear small icon on grid page", 203, 101, Edit::Clear, false},
        {"double click always redraws", 203, 101, Edit::DoubleClick, true},
        {"double click on another element", 201, 11, Edit::DoubleClick, true},
        {"reload request never redraws", 201, 201, Edit::Reload, false},
        {"drop on a picture redraws", 203, 104, Edit::Drop, true},
    };
    for (const RedrawCase& c : cases) {
        SCOPED_TRACE(c.name);
        Window window;
        window->previewButton(c.mode)->click();
        window->LabelItems->setText("sentinel");
        TcxButtonEdit* field = window->pathField(c.tag);
        TImage* picture = window->elementPicture(c.tag);
        switch (c.edit) {
            case Edit::Browse:
                window.script->pictures.push_back(red);
                field->button(0)->click();
                EXPECT_EQ(field->text(), red);
                EXPECT_EQ(picture->picture()->width(), 40);
                break;
            case Edit::Cancel:
                field->button(0)->click();
                EXPECT_EQ(window.script->pictureDialogRuns, 1);
                break;
            case Edit::Clear:
                field->setText(red);
                window->eMessagesPropertiesButtonClick(field, 99);
                window->UpdatePreview();
                window->LabelItems->setText("sentinel");
                field->button(1)->click();
                EXPECT_TRUE(field->text().isEmpty());
                EXPECT_FALSE(picture->hasPicture());
                break;
            case Edit::DoubleClick:
                window.script->pictures.push_back(red);
                emit picture->doubleClicked();
                EXPECT_EQ(field->text(), red);
                EXPECT_TRUE(picture->hasPicture());
                break;
            case Edit::Reload:
                field->setText(red);
                window->eMessagesPropertiesButtonClick(field, 99);
                EXPECT_TRUE(picture->hasPicture());
                break;
            case Edit::Drop:
                dropFile(picture, red);
                EXPECT_EQ(field->text(), red);
                break;
        }
        EXPECT_EQ(window->LabelItems->text() != "sentinel", c.redraws);
        EXPECT_TRUE(window.script->errors.isEmpty()) << window.script->errors.join("|").toStdString();
    }
}

TEST_F(EditingTest, GridKeepsTheOldSmallIconUntilTheNextRedraw) {
    Window window;
    TcxButtonEdit* field = window->pathField(101);
    window.script->pictures = {red, blue};
    field->button(0)->click();
    window->previewButton(203)->click();
    const PicturePtr shown = window->sm[0]->picture();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->width(), 40);
    field->button(0)->click();  // browse: no redraw while the grid shows
    EXPECT_EQ(window->sm[0]->picture(), shown);
    window->previewButton(203)->click();
    EXPECT_EQ(window->sm[0]->picture()->width(), 20);
    field->button(1)->click();  // clear: the cell still holds its copy
    EXPECT_TRUE(window->sm[0]->hasPicture());
}

TEST_F(EditingTest, LoadingRuleFailuresChangeNeitherFieldNorPicture) {
    QFile notPng(folder.filePath("png-inside.jpg"));
    ASSERT_TRUE(notPng.open(QIODevice::WriteOnly));
    QFile pngFile(red);
    ASSERT_TRUE(pngFile.open(QIODevice::ReadOnly));
    notPng.write(pngFile.readAll());
    notPng.close();
    const QString missing = folder.filePath("missing.png");
    const struct {
        const char* name;
        QString file;
        QString message;
    } cases[] = {
        {"unknown extension", folder.filePath("logo.tiff"), "Unknown picture file extension (.tiff)"},
        {"no extension", folder.filePath("logo"), "Unknown picture file extension (.)"},
        {"dot in a folder name only", folder.filePath("a.b/logo"), "Unknown picture file extension (.)"},
        {"missing file", missing, "Cannot open file " + missing + "."},
        {"content does not match", notPng.fileName(), "JPEG error #"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool byDoubleClick : {false, true}) {
            Window window;
            TcxButtonEdit* field = window->eBg;
            window.script->pictures = {blue, c.file};
            field->button(0)->click();
            const PicturePtr before = window->imBg->picture();
            ASSERT_TRUE(before);
            window->previewButton(202)->click();
            window->LabelItems->setText("sentinel");
            if (byDoubleClick)
                emit window->imBg->doubleClicked();
            else
                field->button(0)->click();
            ASSERT_EQ(window.script->errors.size(), 1);
            EXPECT_TRUE(window.script->errors[0].startsWith(c.message)) << window.script->errors[0].toStdString();
            EXPECT_EQ(field->text(), blue);
            EXPECT_EQ(window->imBg->picture(), before);
            EXPECT_EQ(window->LabelItems->text(), "sentinel");  // no redraw
        }
    }
}

TEST_F(EditingTest, ExtensionsInAnyCaseAndIconsTypedByName) {
    Window window;
    const QString capitals = writePicture(folder, "SHOUT.PNG", filled(12, 12, Qt::green), "PNG");
    const QString icon = writePicture(folder, "small.ico", filled(16, 16, Qt::yellow), "ICO");
    window.script->pictures = {capitals, icon};
    window->pathField(101)->button(0)->click();
    EXPECT_EQ(window->pathField(101)->text(), capitals);
    EXPECT_EQ(window->elementPicture(101)->picture()->kind, picture::Kind::Png);
    window->pathField(102)->button(0)->click();
    EXPECT_EQ(window->elementPicture(102)->picture()->kind, picture::Kind::Icon);
    EXPECT_TRUE(window.script->errors.isEmpty()) << window.script->errors.join("|").toStdString();
}

TEST_F(EditingTest, FailedReloadRequestLeavesThePathButNotThePicture) {
    Window window;
    TcxButtonEdit* field = window->pathField(5);
    field->setText(folder.filePath("strange.tga"));
    window->runHandler([&] { window->eMessagesPropertiesButtonClick(field, 99); });
    ASSERT_EQ(window.script->errors.size(), 1);
    EXPECT_EQ(window.script->errors[0], "Unknown picture file extension (.tga)");
    EXPECT_EQ(field->text(), folder.filePath("strange.tga"));
    EXPECT_FALSE(window->elementPicture(5)->hasPicture());
}

TEST_F(EditingTest, NewThemeKeepsTheRingtoneAndRestoresTheDefaultScreensaver) {
    Window window;
    const QByteArray embedded(resources::defaultScreensaver().data(),
                              static_cast<qsizetype>(resources::defaultScreensaver().size()));
    EXPECT_EQ(window->screensaverBytes(), embedded);
    window.script->sounds = {QStringLiteral("/nowhere/tune.mid")};  // need not exist
    window->eRing->button(0)->click();
    window.script->pictures = {red, blue, red};
    window->eWall->button(0)->click();
    window->eScreen->button(0)->click();
    window->pathField(111)->button(0)->click();
    window->setColorIndex(6);
    window->previewButton(202)->click();
    EXPECT_EQ(window->imScreen->picture()->kind, picture::Kind::Bitmap);

    window->sbNew->click();
    EXPECT_EQ(window->eRing->text(), "/nowhere/tune.mid");
    for (int tag : theme::kElementTags) EXPECT_TRUE(window->pathField(tag)->text().isEmpty()) << tag;
    EXPECT_FALSE(window->imWall->hasPicture());
    EXPECT_FALSE(window->elementPicture(111)->hasPicture());
    EXPECT_EQ(window->screensaverBytes(), embedded);
    EXPECT_EQ(window->colorIndex(), 0);
    EXPECT_EQ(window->previewMode(), 201);
    EXPECT_TRUE(window->previewButton(202)->isChecked());  // the radio group is not touched
    EXPECT_EQ(window->LabelItems->text(), "Оператор");
    EXPECT_TRUE(window.script->errors.isEmpty());
}

TEST_F(EditingTest, RingtonePickCancelledChangesNothing) {
    Window window;
    window->eRing->setText("/keep/this.aac");
    window->eRing->button(0)->click();
    EXPECT_EQ(window->eRing->text(), "/keep/this.aac");
}

TEST_F(EditingTest, DropOnAPathFieldIsAConfirmedBrowse) {
    Window window;
    window->previewButton(203)->click();
    dropFile(window->pathField(101), red);
    EXPECT_EQ(window->pathField(101)->text(), red);
    ASSERT_TRUE(window->sm[0]->hasPicture());  // redrawn at once
    dropFile(window->pathField(101), folder.filePath("nothing.png"));
    ASSERT_EQ(window.script->errors.size(), 1);
    EXPECT_EQ(window->pathField(101)->text(), red);

    // Text or a web address alone is not a file: the drag is refused.
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.org/x.png"))});
    web.setText(QStringLiteral("/tmp/typed.png"));
    QDragEnterEvent enter({5, 5}, Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QApplication::sendEvent(window->pathField(101), &enter);
    EXPECT_FALSE(enter.isAccepted());
}
