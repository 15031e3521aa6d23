// The main window's frame: launch state, tag walks, path-field buttons, colour list, error
// display, Exit, start-up failure, busy state and the region geometry.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

#include "theme/elements.h"
#include "app_test_support.h"
#include "platform/errors.h"

using apptest::Window;

namespace {

std::vector<TImage*> picturesWithTag(TfmMain& window, int tag) {
    std::vector<TImage*> found;
    walkControls<TImage>(&window, [&](TImage* picture) {
        if (picture->Tag == tag) found.push_back(picture);
    });
    return found;
}

std::vector<TcxButtonEdit*> allPathFields(TfmMain& window) {
    std::vector<TcxButtonEdit*> found;
    walkControls<TcxButtonEdit>(&window, [&](TcxButtonEdit* field) { found.push_back(field); });
    return found;
}

}  // namespace

TEST(Window, LaunchState) {
    Window window;
    EXPECT_EQ(window->windowTitle(), "Skarvel");
    EXPECT_TRUE(window->btWallShow->isChecked());
    EXPECT_EQ(window->previewMode(), 201);
    EXPECT_EQ(window->colorIndex(), 0);
    EXPECT_TRUE(window->eRing->text().isEmpty());
    for (TcxButtonEdit* field : allPathFields(*window))
        EXPECT_TRUE(field->text().isEmpty()) << field->objectName().toStdString();
    for (int tag : theme::kElementTags) {
        SCOPED_TRACE(tag);
        EXPECT_EQ(window->elementPicture(tag)->hasPicture(), tag == theme::kTagScreensaver);
    }
    ASSERT_TRUE(window->imScreen->hasPicture());
    EXPECT_EQ(window->imScreen->picture()->width(), 208);
    EXPECT_EQ(window->imScreen->picture()->height(), 208);
    EXPECT_EQ(window->LabelItems->text(), "Оператор");
    EXPECT_EQ(window->LabelClock->text(), "23:50");
    EXPECT_TRUE(window.script->errors.isEmpty());
}

TEST(Window, EveryTagIsCarriedByExactlyOnePictureControlAndPathField) {
    Window window;
    for (int tag : theme::kElementTags) {
        SCOPED_TRACE(tag);
        EXPECT_EQ(picturesWithTag(*window, tag).size(), 1u);
        int fields = 0;
        for (TcxButtonEdit* field : allPathFields(*window)) fields += field->Tag == tag;
        EXPECT_EQ(fields, 1);
    }
    for (int tag = 301; tag <= 309; ++tag) EXPECT_EQ(picturesWithTag(*window, tag).size(), 1u) << tag;
    const auto messagesSmall = picturesWithTag(*window, 101);
    ASSERT_EQ(messagesSmall.size(), 1u);
    EXPECT_EQ(messagesSmall[0]->objectName(), "imMessages_s");
    // Layers and header strips carry no tag; the ringtone field neither.
    EXPECT_EQ(window->Layer1->Tag, 0);
    EXPECT_EQ(window->Layer2->Tag, 0);
    EXPECT_EQ(window->eRing->Tag, 0);
    EXPECT_GE(picturesWithTag(*window, 0).size(), 17u);  // two layers and fifteen header strips
}

TEST(Window, ElementControlsCarryTheirDesignNames) {
    Window window;
    const struct {
        int tag;
        const char* field;
        const char* picture;
    } cases[] = {{201, "eWall", "imWall"},           {202, "eBg", "imBg"},       {203, "eScreen", "imScreen"},
                 {1, "eMessages", "imMessages"},     {2, "eContact", "Image11"}, {11, "eSIM", "Image38"},
                 {102, "eContact_s", "imContact_s"}, {111, "eSIM_s", "imSIM_s"}, {7, "ePTT", "Image26"}};
    for (const auto& c : cases) {
        EXPECT_EQ(window->pathField(c.tag)->objectName(), c.field);
        EXPECT_EQ(window->elementPicture(c.tag)->objectName(), c.picture);
    }
}

TEST(Window, PathFieldButtons) {
    Window window;
    for (TcxButtonEdit* field : allPathFields(*window)) {
        const bool browseOnly = field == window->eRing || field == window->eScreen;
        EXPECT_EQ(field->buttonCount(), browseOnly ? 1 : 2) << field->objectName().toStdString();
        EXPECT_TRUE(field->isReadOnly());
    }
    // Typing changes nothing; Ctrl+Enter clicks the browse button.
    window->eWall->setFocus();
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(window->eWall, &typed);
    EXPECT_TRUE(window->eWall->text().isEmpty());
    QKeyEvent ctrlEnter(QEvent::KeyPress, Qt::Key_Return, Qt::ControlModifier);
    QApplication::sendEvent(window->eWall, &ctrlEnter);
    EXPECT_EQ(window.script->pictureDialogRuns, 1);
}

TEST(Window, ColourListAcceptsOnlyItsEntries) {
    Window window;
    const QStringList names{"Синяя", "Коричневая", "Серая", "Зеленая", "Оранжевая", "Розовая", "Красная", "Фиолетовая"};
    ASSERT_EQ(window->eColor->count(), names.size());
    for (int i = 0; i < names.size(); ++i) EXPECT_EQ(window->eColor->itemText(i), names[i]);
    EXPECT_FALSE(window->eColor->isEditable());
    window->eColor->setCurrentText(QStringLiteral("Чёрная"));
    EXPECT_EQ(window->eColor->currentIndex(), 0);
    window->setColorIndex(9);
    EXPECT_EQ(window->colorIndex(), -1);
    window->setColorIndex(5);
    EXPECT_EQ(window->eColor->currentText(), "Розовая");
}

TEST(Window, ErrorDisplayAppendsAFullStopAfterCharactersBeyondIt) {
    Window window;
    const struct {
        const char* message;
        const char* shown;
    } cases[] = {
        {"Unknown picture file extension (.tiff)", "Unknown picture file extension (.tiff)"},
        {"Cannot open file /tmp/x.jpg", "Cannot open file /tmp/x.jpg."},
        {"Ends in a digit 7", "Ends in a digit 7."},
        {"Already ends.", "Already ends."},
        {"Ends in a comma,", "Ends in a comma,"},  // "," comes before "."
        {"Ends in a slash/", "Ends in a slash/."},
        {"Кириллица", "Кириллица."},
        {"", ""},
    };
    for (const auto& c : cases) window->runHandler([&] { throw platform::Error(c.message); });
    ASSERT_EQ(window.script->errors.size(), static_cast<qsizetype>(std::size(cases)));
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(window.script->errors[static_cast<qsizetype>(i)], QString::fromUtf8(cases[i].shown));
    window->runHandler([] { throw platform::EAbort(); });
    EXPECT_EQ(window.script->errors.size(), static_cast<qsizetype>(std::size(cases)));
}

TEST(Window, FailingNewThemeAtCreationIsShownAndTheWindowStillOpens) {
    Window window(QByteArray("this is no JPEG"));
    ASSERT_EQ(window.script->errors.size(), 1);
    EXPECT_TRUE(window.script->errors[0].startsWith("JPEG error #")) << window.script->errors[0].toStdString();
    EXPECT_EQ(window->previewMode(), 0);
    EXPECT_EQ(window->colorIndex(), -1);
    EXPECT_FALSE(window->imScreen->hasPicture());
    EXPECT_TRUE(window->LabelItems->text().isEmpty());
    window->show();
    EXPECT_TRUE(window->isVisible());
}

TEST(Window, ExitClosesAtOnceButWaitsForARunningOperation) {
    Window window;
    window->show();
    window->eWall->setText("unsaved");
    window->setBusy(true);
    EXPECT_FALSE(window->sbNew->isEnabled());
    EXPECT_FALSE(window->N6->isEnabled());
    EXPECT_FALSE(window->eWall->button(0)->isEnabled());
    EXPECT_TRUE(window->ProgressBar1->isVisible());
    EXPECT_GT(window->ProgressBar1->x(), window->sbSave->geometry().right());
    window->close();
    EXPECT_TRUE(window->isVisible());  // waits for the run to end
    window->setBusy(false);
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->isVisible());

    window->show();
    window->N6->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window.script->errors.isEmpty());
}

TEST(Window, BusyWindowIgnoresEditingInput) {
    Window window;
    window->setBusy(true);
    window->eWall->button(0)->setEnabled(true);  // even a click that gets through is ignored
    window->eWall->button(0)->click();
    emit window->imWall->doubleClicked();
    window->sbNew->click();
    EXPECT_EQ(window.script->pictureDialogRuns, 0);
    window->setBusy(false);
    window->eWall->button(0)->click();
    EXPECT_EQ(window.script->pictureDialogRuns, 1);
}

TEST(Window, RegionsAtTheDesignSize) {
    Window window;
    window->show();
    QCoreApplication::processEvents();
    ASSERT_EQ(window->client->size(), QSize(824, 607));
    EXPECT_EQ(window->ToolBar1->geometry(), QRect(0, 0, 824, 37));
    EXPECT_EQ(window->Bevel6->geometry(), QRect(258, 37, 2, 570));
    EXPECT_EQ(window->Panel41->geometry(), QRect(260, 37, 134, 570));
    EXPECT_EQ(window->Bevel1->geometry(), QRect(394, 37, 2, 570));
    EXPECT_EQ(window->ScrollBox1->geometry(), QRect(396, 37, 428, 570));
    EXPECT_EQ(window->Panel42->geometry(), QRect(0, 0, 134, 21));
    for (size_t i = 0; i < window->previewButtons.size(); ++i)
        EXPECT_EQ(window->previewButtons[i]->geometry(), QRect(0, 24 + 26 * static_cast<int>(i), 133, 25));
    EXPECT_EQ(window->sbNew->geometry(), QRect(0, 2, 109, 28));
    EXPECT_EQ(window->sbSave->geometry(), QRect(209, 2, 104, 28));

    // The sections column: a fixed range of 3640 and no horizontal bar.
    QScrollBar* vertical = window->ScrollBox1->verticalScrollBar();
    EXPECT_EQ(vertical->maximum() + vertical->pageStep(), 3640);
    EXPECT_FALSE(window->ScrollBox1->horizontalScrollBar()->isVisible());
    const char* const sections[] = {"pnGeneral", "pnWall", "pnBg", "pnScreen", "pnItem1", "pnItem11"};
    const int tops[] = {0, 93, 383, 673, 963, 963 + 10 * 239};
    for (size_t i = 0; i < std::size(sections); ++i)
        EXPECT_EQ(window->findChild<QWidget*>(sections[i])->y(), tops[i]) << sections[i];
    EXPECT_EQ(window->findChild<QWidget*>("pnItem11")->geometry().bottom() + 1, 3640 - 48);

    const QImage shot = window->client->grab().toImage();
    shot.save(QDir::current().filePath("window_screenshot.png"));
    EXPECT_EQ(shot.size(), QSize(824, 607));
    EXPECT_EQ(shot.pixelColor(300, 37 + 10), QColor(255, 255, 196));  // the "Просмотр" strip
    EXPECT_EQ(shot.pixelColor(16, 56), QColor(114, 114, 114));
    EXPECT_EQ(shot.pixelColor(100, 150), QColor(Qt::white));

    // Widening grows only the phone area.
    window->resize(window->width() + 200, window->height());
    QCoreApplication::processEvents();
    EXPECT_EQ(window->Panel41->geometry(), QRect(460, 37, 134, 570));
    EXPECT_EQ(window->ScrollBox1->geometry(), QRect(596, 37, 428, 570));
    EXPECT_EQ(window->Shape1->geometry(), QRect(22, 62, 208, 208));
}

TEST(Window, SectionGeometry) {
    Window window;
    const struct {
        const char* name;
        QRect geometry;
    } cases[] = {
        {"eRing", {96, 32, 305, 22}},        {"eColor", {96, 60, 125, 21}},
        {"eWall", {8, 32, 393, 22}},         {"imWallBox", {8, 64, 216, 216}},
        {"imWall", {4, 4, 208, 208}},        {"eMessages", {60, 32, 345, 22}},
        {"eMessages_s", {60, 56, 345, 22}},  {"imMessagesBox", {60, 84, 140, 132}},
        {"imMessages", {4, 4, 132, 124}},    {"imMessages_sBox", {220, 116, 70, 70}},
        {"imMessages_s", {4, 4, 62, 62}},    {"pnGeneralHeader", {0, 0, 408, 23}},
        {"pnItem10Header", {0, 0, 408, 23}},
    };
    for (const auto& c : cases) {
        auto* widget = window->findChild<QWidget*>(c.name);
        ASSERT_NE(widget, nullptr) << c.name;
        EXPECT_EQ(widget->geometry(), c.geometry) << c.name;
    }
    EXPECT_EQ(window->findChild<QLabel*>("pnBgCaption")->text(), "Задний фон");
    EXPECT_EQ(window->findChild<QLabel*>("pnBgCaption")->pos(), QPoint(8, 4));
    EXPECT_EQ(window->findChild<QLabel*>("pnItem7Caption")->text(), "PTT");
    EXPECT_EQ(window->findChild<QLabel*>("pnItem7Caption")->pos(), QPoint(12, 4));
    // The General labels keep their place and end before the fields, whatever the face's width.
    for (const char* name : {"lbRing", "lbColor"}) {
        const QLabel* label = window->findChild<QLabel*>(name);
        EXPECT_EQ(label->x(), 8) << name;
        EXPECT_LE(label->geometry().right(), 95) << name;
        EXPECT_GE(label->fontMetrics().horizontalAdvance(label->text()), 70) << name;  // condensed, not cut
        // Readable: the window's face, not condensed, at most a little smaller than the design size.
        EXPECT_EQ(label->font().family(), window->font().family()) << name;
        EXPECT_EQ(label->font().stretch(), QFont::AnyStretch) << name;
        EXPECT_GE(label->font().pixelSize(), 9) << name;
    }
}

TEST(Window, ToolbarCaptionsBeginFourPixelsAfterTheirGlyphBoxes) {
    Window window;
    window->show();
    QCoreApplication::processEvents();
    const QImage bar = window->ToolBar1->grab().toImage();
    for (TSpeedButton* button : {window->sbNew, window->sbOpen, window->sbSave}) {
        SCOPED_TRACE(button->objectName().toStdString());
        const QColor face = bar.pixelColor(button->x() + 1, button->y() + 2);
        auto inked = [&](int column) {
            for (int y = button->y(); y < button->y() + button->height(); ++y) {
                const QColor colour = bar.pixelColor(button->x() + column, y);
                if (std::abs(colour.red() - face.red()) + std::abs(colour.green() - face.green()) +
                        std::abs(colour.blue() - face.blue()) >
                    48)
                    return true;
            }
            return false;
        };
        // Glyph box at 4 to 19, nothing in the 4-pixel spacing, caption ink from its text box on.
        bool glyph = false;
        for (int column = 4; column < 20; ++column) glyph = glyph || inked(column);
        EXPECT_TRUE(glyph);
        for (int column : {0, 1, 2, 3, 20, 21, 22, 23}) EXPECT_FALSE(inked(column)) << column;
        EXPECT_TRUE(inked(24) || inked(25) || inked(26));
    }
}

TEST(Window, AboutShowsAFreshApplicationModalBoxWithoutOwnerEachTime) {
    Window window;
    std::vector<QWidget*> boxes;
    for (int round = 0; round < 2; ++round) {
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            EXPECT_STREQ(box->metaObject()->className(), "TfmAbout");
            EXPECT_EQ(box->parentWidget(), nullptr);
            EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
            boxes.push_back(box);
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(box, &escape);
        });
        window->About1->trigger();
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(window.script->errors.isEmpty());
}
