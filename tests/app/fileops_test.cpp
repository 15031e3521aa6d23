// Save and Open in the window: dialogs, the error display, the busy state, and a full theme
// that comes back with the same files, colour and preview.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProgressBar>

#include <unistd.h>

#include "theme/elements.h"
#include "app/fileops.h"
#include "app/preview_export.h"
#include "app_test_support.h"
#include "platform/files.h"
#include "platform/pending.h"
#include "resources/embedded.h"
#include "support/process.h"
#include "theme/fields.h"
#include "theme/unpack_folder.h"
#include "zip/unzip.h"

using apptest::filled;
using apptest::Window;
using apptest::writePicture;

namespace {

const int kModes[] = {201, 202, 203, 210, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::vector<std::pair<std::string, QByteArray>> members(const QString& package, const QString& into) {
    QDir().mkpath(into);
    zip::TUnZIP reader;
    reader.SetArchiveFile(package.toStdString());
    reader.SetExtractDir(into.toStdString());
    reader.ConfirmOverwrites = false;
    reader.FileSpec = {"*.*"};
    reader.ExtractFiles();
    std::vector<std::pair<std::string, QByteArray>> result;
    for (const auto& member : reader.Members())
        result.emplace_back(member.Name, readAll(into + "/" + QString::fromStdString(member.Name)));
    return result;
}

QString text(TfmMain& window, int tag) { return window.pathField(tag)->text(); }

class FileOpsTest : public ::testing::Test {
protected:
    void SetUp() override {
        apptest::ensureApplication();
        ASSERT_TRUE(folder.isValid());
    }
    QString path(const QString& name) const { return folder.filePath(name); }

    QTemporaryDir folder;
};

TEST_F(FileOpsTest, SaveAfterNewThemeWritesTheDefaultsAndTheDescriptor) {
    Window window;
    window.script->saveNames.push_back(path("new.nth"));
    window->sbSaveClick();
    EXPECT_TRUE(window.script->errors.isEmpty()) << window.script->errors.join("|").toStdString();
    const auto list = members(path("new.nth"), path("x"));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].first, "basic_ss.jpg");
    EXPECT_EQ(list[0].second, QByteArray(resources::defaultScreensaver().data(),
                                         static_cast<int>(resources::defaultScreensaver().size())));
    EXPECT_EQ(list[1].first, "Nokia tune.aac");
    EXPECT_EQ(list[2].first, "theme_descriptor.xml");
    EXPECT_EQ(list[2].second.size(), 257);
    EXPECT_EQ(testsupport::runCommand("unzip -tq " + testsupport::quote(path("new.nth").toStdString())).status, 0);
    EXPECT_FALSE(window->busy());
    EXPECT_FALSE(window->ProgressBar1->isVisible());
}

TEST_F(FileOpsTest, FullThemeComesBackWithFilesColourAndPreview) {
    Window source;
    // Pictures of distinct colours and sizes; names in Latin, Cyrillic and Chinese letters.
    int shade = 0;
    for (int tag : theme::kElementTags) {
        const bool screen = tag > 200;
        const QString name = tag == 201   ? QStringLiteral("обои.png")
                             : tag == 202 ? QStringLiteral("背景.png")
                                          : QStringLiteral("e%1.png").arg(tag);
        const QColor colour = QColor::fromHsv((shade += 14) % 360, 200, 220);
        const QString file = writePicture(folder, name, filled(screen ? 230 : 60, screen ? 190 : 50, colour));
        loadElement(*source, tag, file);
    }
    QFile ring(path("мелодия.aac"));
    ASSERT_TRUE(ring.open(QIODevice::WriteOnly));
    ring.write(QByteArray(5000, 'r'));
    ring.close();
    source->eRing->setText(path("мелодия.aac"));
    source->setColorIndex(5);
    source.script->saveNames.push_back(path("full.nth"));
    source->sbSaveClick();
    ASSERT_TRUE(source.script->errors.isEmpty()) << source.script->errors.join("|").toStdString();

    Window opened;
    opened.script->themes.push_back(path("full.nth"));
    opened.script->folders.push_back(path("other"));
    opened->sbOpenClick();
    ASSERT_TRUE(opened.script->errors.isEmpty()) << opened.script->errors.join("|").toStdString();
    EXPECT_TRUE(opened.script->warnings.isEmpty());

    const QString unpack = path("other") + "/files/";
    for (int tag : theme::kElementTags) {
        const QString original = text(*source, tag);
        const QString copy = text(*opened, tag);
        EXPECT_EQ(copy, unpack + QFileInfo(original).fileName()) << tag;
        EXPECT_EQ(readAll(copy), readAll(original)) << tag;
    }
    EXPECT_EQ(opened->eRing->text(), unpack + QStringLiteral("мелодия.aac"));
    EXPECT_EQ(readAll(opened->eRing->text()), readAll(path("мелодия.aac")));
    EXPECT_EQ(opened->colorIndex(), 5);
    for (int mode : kModes) EXPECT_EQ(renderPreview(*opened, mode), renderPreview(*source, mode)) << "mode " << mode;
}

TEST_F(FileOpsTest, CancelAtEachDialogChangesNothing) {
    Window window;
    const QString wall = writePicture(folder, "w.png", filled(10, 10, Qt::red));
    loadElement(*window, 201, wall);

    window->sbSaveClick();  // save dialog cancelled
    EXPECT_TRUE(QDir(folder.path()).entryList({"*.nth"}).isEmpty());

    window.script->saveNames.push_back(path("t.nth"));
    window->sbSaveClick();
    const QByteArray saved = readAll(path("t.nth"));

    window->sbOpenClick();  // open dialog cancelled
    EXPECT_TRUE(window.script->folderPrompts.isEmpty());

    window.script->themes.push_back(path("t.nth"));
    window->sbOpenClick();  // folder browser cancelled
    ASSERT_EQ(window.script->folderPrompts.size(), 2);
    EXPECT_EQ(window.script->folderPrompts[0], QStringLiteral("Выберите каталог для распаковки темы"));
    const std::string program = platform::programFolder();
    const QString expectedStart =
        access(program.c_str(), W_OK) == 0 ? QString::fromStdString(program) : QDir::homePath();
    EXPECT_EQ(window.script->folderPrompts[1], expectedStart);

    QDir().mkpath(path("o/files"));
    QFile mine(path("o/files/mine.txt"));
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.close();
    window.script->themes.push_back(path("t.nth"));
    window.script->folders.push_back(path("o"));
    window.script->warningAnswers.push_back(false);
    window->sbOpenClick();  // warning answered Cancel
    ASSERT_EQ(window.script->warnings.size(), 1);
    EXPECT_EQ(window.script->warnings[0].toStdString(), std::string(theme::kUnpackWarning));
    EXPECT_TRUE(QFile::exists(path("o/files/mine.txt")));
    EXPECT_FALSE(QFile::exists(path("o/files/theme_descriptor.xml")));

    EXPECT_EQ(text(*window, 201), wall);
    EXPECT_EQ(readAll(path("t.nth")), saved);
    EXPECT_TRUE(window.script->errors.isEmpty());
}

TEST_F(FileOpsTest, FailuresReachTheErrorDisplay) {
    Window window;
    window->eRing->setText(path("missing.aac"));
    window.script->saveNames.push_back(path("t.nth"));
    window->runHandler([&] { window->sbSaveClick(); });
    ASSERT_EQ(window.script->errors.size(), 1);
    EXPECT_EQ(window.script->errors[0], QStringLiteral("Cannot open file ") + path("missing.aac") + ".");
    EXPECT_FALSE(QFile::exists(path("t.nth")));
    EXPECT_FALSE(window->busy());

    QFile text(path("text.nth"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a package\n");
    text.close();
    window.script->themes.push_back(path("text.nth"));
    window.script->folders.push_back(path("o"));
    window->runHandler([&] { window->sbOpenClick(); });
    ASSERT_EQ(window.script->errors.size(), 2);
    EXPECT_EQ(window.script->errors[1], QStringLiteral("Invalid or unsupported archive type for this operation."));
}

TEST_F(FileOpsTest, DamagedPackageIsReportedAfterLoadingWhatItCan) {
    Window window;
    loadElement(*window, 202, writePicture(folder, "bg.png", filled(30, 30, Qt::green)));
    QFile blob(path("blob.aac"));
    ASSERT_TRUE(blob.open(QIODevice::WriteOnly));
    blob.write(QByteArray(4000, 'z'));
    blob.close();
    window->eRing->setText(path("blob.aac"));
    window.script->saveNames.push_back(path("d.nth"));
    window->sbSaveClick();
    // Damage the ringtone's data, a little after its name in the local header.
    QByteArray bytes = readAll(path("d.nth"));
    const qsizetype data = bytes.indexOf("blob.aac") + 8 + 10;
    bytes[data] = static_cast<char>(bytes[data] ^ 0x5A);
    QFile damaged(path("d.nth"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(bytes);
    damaged.close();

    Window opened;
    opened.script->themes.push_back(path("d.nth"));
    opened.script->folders.push_back(path("o"));
    opened->runHandler([&] { opened->sbOpenClick(); });
    ASSERT_EQ(opened.script->errors.size(), 1) << opened.script->errors.join("|").toStdString();
    EXPECT_TRUE(opened.script->errors[0].contains(QStringLiteral("повреждён")));
    EXPECT_TRUE(opened.script->errors[0].contains(QStringLiteral("blob.aac")));
    EXPECT_EQ(text(*opened, 202), path("o") + "/files/bg.png");
}

TEST_F(FileOpsTest, PackageOnTheCommandLineOpensOnceTheEventLoopRuns) {
    Window saved;
    const QString wall = writePicture(folder, "w.png", filled(12, 12, Qt::blue));
    loadElement(*saved, 201, wall);
    saved.script->saveNames.push_back(path("cmd.nth"));
    saved->sbSaveClick();

    Window window;
    openPackageFromCommandLine(*window, {"skarvel"});  // no package: nothing is asked
    window.script->folders.push_back(path("u"));
    openPackageFromCommandLine(*window, {"skarvel", path("cmd.nth")});
    EXPECT_TRUE(window.script->folderPrompts.isEmpty());  // not before the loop runs
    QCoreApplication::processEvents();
    EXPECT_EQ(window.script->folderPrompts.size(), 2);
    EXPECT_EQ(text(*window, 201), path("u") + "/files/w.png");

    openPackageFromCommandLine(*window, {"skarvel", path("absent.nth")});
    window.script->folders.push_back(path("v"));
    QCoreApplication::processEvents();
    EXPECT_EQ(window.script->errors.size(), 1);  // the failure reaches the error display
}

TEST_F(FileOpsTest, CommandsAreIgnoredWhileARunGoesOn) {
    Window window;
    const QString wall = writePicture(folder, "w.png", filled(10, 10, Qt::red));
    loadElement(*window, 201, wall);
    bool sawBusy = false, sawBar = false;
    int progress = 0;
    platform::setPendingMessagesHook([&] {
        sawBusy = sawBusy || window->busy();
        sawBar = sawBar || !window->ProgressBar1->isHidden();
        progress = std::max(progress, window->ProgressBar1->value());
        window->sbNew->click();  // would clear the wallpaper if it ran
        window->sbSave->click();
    });
    window.script->saveNames.push_back(path("t.nth"));
    window.script->saveNames.push_back(path("second.nth"));
    window->sbSaveClick();
    EXPECT_TRUE(sawBusy);
    EXPECT_TRUE(sawBar);
    EXPECT_GT(progress, 50) << "the progress bar follows the writer";
    EXPECT_EQ(text(*window, 201), wall);

    sawBusy = sawBar = false;
    progress = 0;
    window.script->themes.push_back(path("t.nth"));
    window.script->folders.push_back(path("o"));
    window->sbOpenClick();
    platform::setPendingMessagesHook(nullptr);
    EXPECT_TRUE(sawBusy);
    EXPECT_GT(progress, 0) << "the progress bar follows the reader";
    EXPECT_EQ(text(*window, 201), path("o") + "/files/w.png") << "New did not run during Open";
    EXPECT_FALSE(QFile::exists(path("second.nth")));
    EXPECT_FALSE(window->busy());
}

TEST_F(FileOpsTest, OpenThemeIntoLoadsWithoutDialogs) {
    Window source;
    loadElement(*source, 1, writePicture(folder, "m.png", filled(50, 40, Qt::blue)));
    source.script->saveNames.push_back(path("p.nth"));
    source->sbSaveClick();
    Window target;
    openThemeInto(*target, path("p.nth").toStdString(), path("u").toStdString());
    EXPECT_EQ(text(*target, 1), path("u") + "/files/m.png");
    EXPECT_TRUE(target.script->warnings.isEmpty());
}

}  // namespace
