// The phone screen: pixels of the composed 208 x 208 screen for each kind of preview mode.
#include <QLabel>
#include <QPainter>

#include "theme/elements.h"
#include "app/preview_export.h"
#include "app_test_support.h"
#include "tests/picture/fixtures.h"
#include <QElapsedTimer>
#include <QFile>

using apptest::filled;
using apptest::Window;
using apptest::writePicture;

namespace {

const QColor kWhite(Qt::white);
const QColor kBlue(Qt::blue);
const QColor kRed(Qt::red);

class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        apptest::ensureApplication();
        ASSERT_TRUE(folder.isValid());
    }

    void load(Window& window, int tag, const QString& path) {
        loadElement(*window, tag, path);
        ASSERT_TRUE(window.script->errors.isEmpty());
    }

    QTemporaryDir folder;
};

// Mode labels of a screen: title, left, centre, right, clock.
QStringList texts(Window& window) {
    return {window->LabelItems->text(), window->LabelLeft->text(), window->LabelCenter->text(),
            window->LabelRight->text(), window->LabelClock->text()};
}

}  // namespace

TEST_F(PreviewTest, FreshWindowShowsTheGreyFrameAndAWhiteScreen) {
    Window window;
    const QImage client = window->client->grab().toImage();
    for (QPoint frame : {QPoint(16, 56), QPoint(235, 275), QPoint(19, 150), QPoint(232, 150)})
        EXPECT_EQ(client.pixelColor(frame), QColor(114, 114, 114)) << frame.x() << "," << frame.y();
    const QImage screen = window->screenImage();
    ASSERT_EQ(screen.size(), QSize(208, 208));
    for (QPoint blank : {QPoint(0, 0), QPoint(207, 207), QPoint(104, 120), QPoint(10, 150)})
        EXPECT_EQ(screen.pixelColor(blank), kWhite);
    EXPECT_EQ(texts(window), QStringList({"Оператор", "Актив", "МЕНЮ", "Имена", "23:50"}));
    // The title is drawn: some dark pixels in its box.
    int dark = 0;
    for (int y = 34; y < 64; ++y)
        for (int x = 2; x < 207; ++x) dark += screen.pixelColor(x, y).lightness() < 128;
    EXPECT_GT(dark, 20);
}

TEST_F(PreviewTest, WallpaperIsCentredAndCutOff) {
    // 301 x 301: the offset -46.5 truncates toward zero, so column and row 46 land at 0.
    QImage large = filled(301, 301, kBlue);
    QPainter(&large).fillRect(46, 46, 208, 208, kRed);
    Window window;
    load(window, 201, writePicture(folder, "large.png", large));
    window->UpdatePreview();
    QImage screen = window->screenImage();
    for (QPoint corner : {QPoint(0, 0), QPoint(207, 0), QPoint(0, 207), QPoint(207, 207)})
        EXPECT_EQ(screen.pixelColor(corner), kRed) << corner.x() << "," << corner.y();

    load(window, 201, writePicture(folder, "small.png", filled(100, 60, Qt::green)));
    window->UpdatePreview();
    screen = window->screenImage();
    EXPECT_EQ(screen.pixelColor(54, 74), QColor(Qt::green));
    EXPECT_EQ(screen.pixelColor(153, 133), QColor(Qt::green));
    EXPECT_EQ(screen.pixelColor(53, 100), kWhite);
    EXPECT_EQ(screen.pixelColor(154, 100), kWhite);
    EXPECT_EQ(screen.pixelColor(100, 134), kWhite);
}

TEST_F(PreviewTest, MenuPageShowsBackgroundIconClippedToTheLowerLayerAndTexts) {
    Window window;
    load(window, 202, writePicture(folder, "bg.bmp", filled(208, 208, kBlue)));
    load(window, 7, writePicture(folder, "ptt.png", filled(100, 300, kRed)));
    const QImage screen = renderPreview(*window, 7);
    EXPECT_EQ(window->previewMode(), 7);
    EXPECT_EQ(texts(window), QStringList({"PTT", "Вар-ты", "Выбор", "Выйти", "7"}));
    // Layer2 spans screen rows 38 to 207: above it the background shows.
    EXPECT_EQ(screen.pixelColor(60, 37), kBlue);
    EXPECT_EQ(screen.pixelColor(60, 38), kRed);
    EXPECT_EQ(screen.pixelColor(153, 120), kRed);
    EXPECT_EQ(screen.pixelColor(154, 120), kBlue);
    EXPECT_EQ(screen.pixelColor(53, 120), kBlue);

    // The same button again leaves the screen as it was.
    EXPECT_EQ(renderPreview(*window, 7), screen);
    // An empty large icon: background and texts only.
    const QImage sim = renderPreview(*window, 11);
    EXPECT_EQ(sim.pixelColor(60, 120), kBlue);
    EXPECT_EQ(window->LabelClock->text(), "11");
}

TEST_F(PreviewTest, GridPagesPlaceSmallIconsInSixtyFourByFiftyTwoCells) {
    Window window;
    QColor colours[12];
    for (int item = 1; item <= 11; ++item) {
        colours[item] = QColor::fromHsv(item * 30, 255, 200).toRgb();
        load(window, 100 + item,
             writePicture(folder, QStringLiteral("s%1.png").arg(item), filled(62, 62, colours[item])));
    }
    const int cellX[] = {4, 72, 140};  // screen coordinates of the cell columns
    const int cellY[] = {22, 75, 128};
    const QImage page1 = renderPreview(*window, 203);
    for (int cell = 0; cell < 9; ++cell) {
        const int x = cellX[cell % 3], y = cellY[cell / 3];
        SCOPED_TRACE(cell);
        // 62 wide in 64: one white column each side; 62 high in 52: rows cut top and bottom.
        EXPECT_EQ(page1.pixelColor(x + 1, y), colours[cell + 1]);
        EXPECT_EQ(page1.pixelColor(x + 62, y + 51), colours[cell + 1]);
        EXPECT_EQ(page1.pixelColor(x, y + 20), kWhite);
        EXPECT_EQ(page1.pixelColor(x + 63, y + 20), kWhite);
    }
    const QImage page2 = renderPreview(*window, 210);
    for (int cell = 0; cell < 8; ++cell)
        EXPECT_EQ(page2.pixelColor(cellX[cell % 3] + 30, cellY[cell / 3] + 26), colours[cell + 4]) << cell;
    EXPECT_FALSE(window->sm[8]->hasPicture());
    EXPECT_EQ(page2.pixelColor(cellX[2] + 30, cellY[2] + 26), kWhite);
}

TEST_F(PreviewTest, BitmapIconBottomLeftColourIsTransparent) {
    Window window;
    load(window, 202, writePicture(folder, "bg.png", filled(208, 208, kBlue)));
    QImage icon = filled(62, 62, Qt::magenta);
    QPainter(&icon).fillRect(20, 20, 20, 20, Qt::black);
    load(window, 101, writePicture(folder, "icon.bmp", icon));
    const QImage screen = renderPreview(*window, 203);
    EXPECT_EQ(screen.pixelColor(4 + 5, 22 + 5), kBlue);  // magenta, the keyed colour
    EXPECT_EQ(screen.pixelColor(4 + 1 + 25, 22 - 5 + 25), QColor(Qt::black));
}

TEST_F(PreviewTest, ScreenKeepsItsCopiesUntilTheNextRedraw) {
    Window window;
    load(window, 201, writePicture(folder, "wall.png", filled(208, 208, kRed)));
    window->UpdatePreview();
    window->previewButton(202)->click();
    window->eWall->button(1)->click();  // clear while another mode shows: no redraw
    window->previewButton(201)->click();
    EXPECT_EQ(window->screenImage().pixelColor(0, 0), kWhite);
    EXPECT_FALSE(window->Layer1->hasPicture());
}

TEST_F(PreviewTest, AnimatedGifAnimatesInTheElementAndOnTheScreen) {
    Window window;
    QFile file(folder.filePath("anim.gif"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(fixtures::gif(8, 8, {{1, 2}, {2, 2}, {3, 2}}));  // red, green, blue, 20 ms each
    file.close();
    loadElement(*window, 201, file.fileName());
    window->UpdatePreview();
    ASSERT_TRUE(window->Layer1->picture()->animated());
    window->show();
    QElapsedTimer timer;
    timer.start();
    while ((window->imWall->frameIndex() == 0 || window->Layer1->frameIndex() == 0) && timer.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_NE(window->imWall->frameIndex(), 0);
    EXPECT_NE(window->Layer1->frameIndex(), 0);
}
