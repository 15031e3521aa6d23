// The Qt dialogs: filters shown as written with working patterns, each file dialog remembering
// its last file and filter, the picture preview pane, and the message boxes.
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QTreeView>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <functional>

#include "app/qt_dialogs.h"
#include "app_test_support.h"

using apptest::filled;
using apptest::writePicture;

namespace {

// Runs `answer` on the modal dialog that the next call opens.
void whenModalOpens(std::function<void(QWidget*)> answer) {
    QTimer::singleShot(0, [answer] { answer(QApplication::activeModalWidget()); });
}

// The caption of the picture dialog's preview pane.
QString previewCaption(QFileDialog& dialog) {
    for (QLabel* label : dialog.findChildren<QLabel*>())
        if (label->text().startsWith(" (") || label->text() == "Picture:") return label->text();
    return {};
}

// Waits until the file list shows the dialog's folder, then checks that no text of the places
// sidebar or of the size, type and date columns is cut and that all columns fit side by side.
void expectEveryColumnWhole(QFileDialog& dialog, int entries) {
    auto* tree = dialog.findChild<QTreeView*>("treeView");
    auto* sidebar = dialog.findChild<QListView*>("sidebar");
    ASSERT_TRUE(tree && sidebar);
    const QModelIndex root = tree->rootIndex();
    for (int wait = 0; wait < 500 && tree->model()->rowCount(root) < entries; ++wait) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    ASSERT_EQ(tree->model()->rowCount(root), entries);
    QCoreApplication::processEvents();
    // An entry reads whole when its box is at least as wide as the delegate asks for.
    for (int row = 0; row < sidebar->model()->rowCount(); ++row) {
        const QModelIndex place = sidebar->model()->index(row, 0);
        EXPECT_LE(sidebar->sizeHintForIndex(place).width(), sidebar->viewport()->width())
            << place.data().toString().toStdString();
    }
    QHeaderView* header = tree->header();
    for (int row = 0; row < tree->model()->rowCount(root); ++row)
        for (int column = 1; column < header->count(); ++column) {
            const QModelIndex cell = tree->model()->index(row, column, root);
            EXPECT_LE(tree->sizeHintForIndex(cell).width(), header->sectionSize(column))
                << cell.data().toString().toStdString();
        }
    EXPECT_LE(header->length(), tree->viewport()->width());
}

}  // namespace

TEST(FileFilters, DescriptionsAsWrittenPatternsSplit) {
    apptest::ensureApplication();
    const std::vector<FileFilter> picture = parseFileFilter(QString::fromUtf8(kPictureFilter));
    ASSERT_EQ(picture.size(), 6u);
    EXPECT_EQ(picture[0].description, "All (*.gif;*.jpg;*.jpeg;*.bmp;*.png)");
    EXPECT_EQ(picture[0].patterns, QStringList({"*.gif", "*.jpg", "*.jpeg", "*.bmp", "*.png"}));
    EXPECT_EQ(picture[5].description, "PNG Image File (*.png)");
    const std::vector<FileFilter> sound = parseFileFilter(QString::fromUtf8(kSoundFilter));
    ASSERT_EQ(sound.size(), 1u);
    EXPECT_EQ(sound[0].description, "Звуковые файлы (*.mid;*.aac;*.mxmf;*.nrt;*.mp3)");
    EXPECT_EQ(parseFileFilter(kOpenThemeFilter)[0].description, "Nokia themes (*.nth)");
    EXPECT_EQ(parseFileFilter(kSaveThemeFilter)[0].description, "Nokia Themes (*.nth)");

    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    applyFileFilter(dialog, picture, {});
    EXPECT_EQ(dialog.nameFilters().front(), picture[0].description);
    EXPECT_EQ(dialog.selectedNameFilter(), picture[0].description);
    EXPECT_EQ(activeNamePatterns(dialog), picture[0].patterns);
    dialog.selectNameFilter(picture[4].description);
    emit dialog.filterSelected(picture[4].description);
    EXPECT_EQ(activeNamePatterns(dialog), QStringList({"*.bmp"}));
}

TEST(QtDialogsTest, PictureDialogRemembersFileAndFilterAndPreviewsThePicture) {
    apptest::ensureApplication();
    QTemporaryDir folder;
    const QString bitmap = writePicture(folder, "b.bmp", filled(20, 10, Qt::blue));
    QtDialogs dialogs(nullptr);
    whenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->selectNameFilter(QStringLiteral("Bitmaps (*.bmp)"));
        dialog->selectFile(bitmap);
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, as the Open button does
    });
    EXPECT_EQ(dialogs.openPicture(), bitmap);

    // Reopened, the dialog offers the same file and its pane already shows it, untouched.
    QString caption;
    QString filter;
    QStringList patterns;
    bool previewEnabled = false;
    whenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        filter = dialog->selectedNameFilter();
        patterns = activeNamePatterns(*dialog);
        caption = previewCaption(*dialog);
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            if (button->text() == "Preview") previewEnabled = button->isEnabled();
        dialog->reject();
    });
    EXPECT_EQ(dialogs.openPicture(), std::nullopt);
    EXPECT_EQ(filter, "Bitmaps (*.bmp)");
    EXPECT_EQ(patterns, QStringList({"*.bmp"}));
    EXPECT_EQ(caption, " (20x10)");
    EXPECT_TRUE(previewEnabled);

    // A selection that cannot be shown.
    whenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        emit dialog->currentChanged(folder.filePath("missing.png"));
        caption = previewCaption(*dialog);
        dialog->reject();
    });
    dialogs.openPicture();
    EXPECT_EQ(caption, "Picture:");
}

TEST(QtDialogsTest, ErrorAndWarningBoxes) {
    apptest::ensureApplication();
    QtDialogs dialogs(nullptr);
    whenModalOpens([](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), "Skarvel");
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box->text(), "Cannot open file x.");
        box->accept();
    });
    dialogs.showError(QStringLiteral("Cannot open file x."));
    for (bool ok : {true, false}) {
        whenModalOpens([ok](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), "Warning");
            EXPECT_EQ(box->icon(), QMessageBox::Warning);
            EXPECT_EQ(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
            EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Ok));
            box->button(ok ? QMessageBox::Ok : QMessageBox::Cancel)->click();
        });
        EXPECT_EQ(dialogs.confirmWarning(QStringLiteral("Каталог не пуст")), ok);
    }
}

TEST(QtDialogsTest, FileDialogsOpenWithEveryColumnWholeAndKeepTheUsersSize) {
    apptest::ensureApplication();
    QTemporaryDir folder;
    const QString picture = writePicture(folder, "picture.png", filled(300, 200, Qt::red));
    writePicture(folder, "photo.jpg", filled(208, 208, Qt::green));
    writePicture(folder, "small.bmp", filled(8, 8, Qt::blue));
    QDir(folder.path()).mkdir("sub");
    QtDialogs dialogs(nullptr);
    whenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(picture);
        static_cast<QDialog*>(dialog)->accept();
    });
    ASSERT_EQ(dialogs.openPicture(), picture);

    // Reopened in the picture's folder: every column whole; the user then makes it larger.
    QSize chosen;
    whenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        expectEveryColumnWhole(*dialog, 4);
        chosen = dialog->size() + QSize(60, 40);
        dialog->resize(chosen);
        dialog->reject();
    });
    dialogs.openPicture();
    QSize reopened;
    whenModalOpens([&](QWidget* modal) {
        reopened = modal->size();
        static_cast<QDialog*>(modal)->reject();
    });
    dialogs.openPicture();
    EXPECT_EQ(reopened, chosen);

    // The folder browser: titled with its prompt, its columns whole too.
    QString title;
    whenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        expectEveryColumnWhole(*dialog, 1);
        dialog->reject();
    });
    EXPECT_EQ(dialogs.browseFolder(QStringLiteral("Выберите каталог"), folder.path()), std::nullopt);
    EXPECT_EQ(title, "Выберите каталог");
}
