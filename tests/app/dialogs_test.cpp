// The Qt dialogs: filters shown as written with working patterns, each file dialog remembering
// its last file and filter, the picture preview pane, and the message boxes.
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
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
