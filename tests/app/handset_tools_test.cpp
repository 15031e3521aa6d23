// The window's tools for packages a handset accepts: the portable-names menu item, the check
// window after Save and Open, and fitting an element picture to its slot.
#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTreeWidget>

#include "app/fileops.h"
#include "app/handset_tools.h"
#include "app_test_support.h"
#include "platform/errors.h"
#include "zip/unzip.h"

namespace {

using apptest::filled;
using apptest::writePicture;

// Settings and the data folder inside a temporary folder, never the user's.
struct PrivateHome {
    QTemporaryDir home;
    PrivateHome() {
        apptest::ensureApplication();
        qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
        qputenv("XDG_DATA_HOME", home.filePath("data").toUtf8());
    }
};

std::vector<std::string> memberNames(const QString& package) {
    zip::TUnZIP reader;
    reader.FileSpec = {"*.*"};
    reader.SetArchiveFile(package.toStdString());
    std::vector<std::string> names;
    for (const auto& member : reader.ListMembers()) names.push_back(member.Name);
    return names;
}

QTreeWidget* checkList(TfmMain& window) {
    QWidget* shown = window.findChild<QWidget*>(QStringLiteral("ThemeCheck"));
    if (!shown || !shown->isVisible()) return nullptr;
    return shown->findChild<QTreeWidget*>(QStringLiteral("ThemeCheckList"));
}

// Saves the window's theme with a Cyrillic wallpaper name; returns the first member's name.
std::string savedWallpaperName(apptest::Window& window, const QTemporaryDir& folder, const QString& package) {
    window->dropPictureFile(201, writePicture(folder, QStringLiteral("Обои.png"), filled(208, 208, Qt::blue)));
    window.script->saveNames.push_back(folder.filePath(package));
    window->sbSaveClick();
    return memberNames(folder.filePath(package)).at(0);
}

TEST(HandsetTools, PortableNamesItemIsRememberedAndUsedBySave) {
    PrivateHome home;
    QTemporaryDir folder;
    {
        apptest::Window window;
        auto* item = window->N1->findChild<QAction*>(QStringLiteral("PortableNames"));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text(), QStringLiteral("Переносимые имена файлов"));
        const auto actions = window->N1->actions();
        EXPECT_EQ(actions.indexOf(item) + 1, actions.indexOf(window->N5));  // after Save, before the separator
        EXPECT_TRUE(item->isCheckable());
        EXPECT_FALSE(item->isChecked());

        EXPECT_EQ(savedWallpaperName(window, folder, QStringLiteral("plain.nth")), "Обои.png");
        item->setChecked(true);
    }
    apptest::Window again;
    auto* item = again->N1->findChild<QAction*>(QStringLiteral("PortableNames"));
    EXPECT_TRUE(item->isChecked());
    EXPECT_EQ(savedWallpaperName(again, folder, QStringLiteral("portable.nth")), "wallpaper.png");
    EXPECT_EQ(checkList(*again), nullptr);  // a clean package shows no check window
}

TEST(HandsetTools, CheckWindowListsFindingsAfterSaveAndOpenErrorsFirst) {
    PrivateHome home;
    QTemporaryDir folder;
    apptest::Window window;
    // A wallpaper too large for the screen (a warning) and an empty small icon file (an error).
    window->dropPictureFile(201, writePicture(folder, QStringLiteral("big.png"), filled(640, 480, Qt::red)));
    const QString empty = folder.filePath(QStringLiteral("empty.png"));
    QFile(empty).open(QIODevice::WriteOnly);
    window->pathField(111)->setText(empty);
    const QString package = folder.filePath(QStringLiteral("t.nth"));
    window.script->saveNames.push_back(package);
    window->runHandler([&] { window->sbSaveClick(); });
    EXPECT_TRUE(window.script->errors.isEmpty());

    auto expectBothRows = [&] {
        QTreeWidget* list = checkList(*window);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("Элемент"));
        EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("Проблема"));
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("SIM-карта, мелко"));
        EXPECT_EQ(list->topLevelItem(1)->text(0), QStringLiteral("Обои"));
    };
    expectBothRows();
    checkList(*window)->parentWidget()->close();

    // Open fails on the empty picture; the check window follows all the same.
    window.script->themes.push_back(package);
    window.script->folders.push_back(folder.filePath(QStringLiteral("u")));
    window->runHandler([&] { window->sbOpenClick(); });
    EXPECT_EQ(window.script->errors.size(), 1);
    expectBothRows();

    QTreeWidget* list = checkList(*window);
    window->show();
    QApplication::processEvents();
    window->ScrollBox1->verticalScrollBar()->setValue(0);
    emit list->itemDoubleClicked(list->topLevelItem(0), 0);
    EXPECT_GT(window->ScrollBox1->verticalScrollBar()->value(), 0);
}

TEST(HandsetTools, FitWritesACopyAndPointsTheFieldAtIt) {
    PrivateHome home;
    QTemporaryDir folder;
    apptest::Window window;
    const QString wall = writePicture(folder, QStringLiteral("wide.png"), filled(640, 480, Qt::red));
    const QString icon = writePicture(folder, QStringLiteral("icon.png"), filled(100, 100, Qt::red));
    const QString tiny = writePicture(folder, QStringLiteral("tiny.png"), filled(30, 30, Qt::red));
    window->dropPictureFile(201, wall);
    window->dropPictureFile(101, icon);
    window->dropPictureFile(1, tiny);
    EXPECT_EQ(fitActionCaption(*window, 201), QStringLiteral("Вписать в экран"));
    EXPECT_EQ(fitActionCaption(*window, 101), QStringLiteral("Вписать в ячейку"));
    EXPECT_EQ(fitActionCaption(*window, 1), QString());
    EXPECT_EQ(fitActionCaption(*window, 202), QString());  // no picture

    const QByteArray original = [&] {
        QFile f(wall);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    const QString fittedWall = fitElementPicture(*window, 201);
    EXPECT_TRUE(fittedWall.startsWith(fittedPicturesFolder()));
    EXPECT_TRUE(fittedWall.endsWith(QStringLiteral(".jpg")));
    EXPECT_EQ(window->eWall->text(), fittedWall);
    EXPECT_EQ(window->imWall->picture()->image().size(), QSize(208, 208));
    EXPECT_EQ(
        [&] {
            QFile f(wall);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }(),
        original);
    EXPECT_EQ(fitActionCaption(*window, 201), QString());

    const QString fittedIcon = fitElementPicture(*window, 101);
    EXPECT_TRUE(fittedIcon.endsWith(QStringLiteral(".png")));
    EXPECT_EQ(QImage(fittedIcon).size(), QSize(52, 52));
    // A second fit of a same-named picture never overwrites the first copy.
    window->dropPictureFile(102, writePicture(folder, QStringLiteral("icon.png"), filled(90, 90, Qt::red)));
    EXPECT_NE(fitElementPicture(*window, 102), fittedIcon);
    EXPECT_TRUE(QFileInfo::exists(fittedIcon));
}

}  // namespace
