// The screen renderer against the window: for every preview mode of a full theme, painting the
// screen plan without widgets gives the very pixels the window's controls show.
#include <QPainter>

#include "app/preview_export.h"
#include "app_test_support.h"
#include "screen/renderer.h"
#include "theme/screen_plan.h"

using apptest::filled;
using apptest::Window;
using apptest::writePicture;

namespace {

// A picture of a colour per element, with a black square so that offsets show, in a size
// that overflows or underfills its control.
QImage marked(int width, int height, QColor colour) {
    QImage image = filled(width, height, colour);
    QPainter(&image).fillRect(width / 4, height / 4, 7, 5, Qt::black);
    return image;
}

}  // namespace

TEST(ScreenRenderer, PaintsEveryModeAsTheWindowShowsIt) {
    QTemporaryDir folder;
    Window window;
    loadElement(*window, 201, writePicture(folder, "wall.jpg", marked(301, 150, Qt::darkGreen)));
    // A PNG with its own transparency on the opaque layer, a keyed bitmap on Layer2.
    QImage translucent(208, 208, QImage::Format_ARGB32);
    translucent.fill(QColor(255, 0, 0, 90));
    loadElement(*window, 202, writePicture(folder, "bg.png", translucent));
    for (int item = 1; item <= theme::kMenuItemCount; ++item) {
        const QColor colour = QColor::fromHsv(item * 30, 255, 200).toRgb();
        const bool bitmap = item % 2 == 1;
        QImage large = marked(100 + item * 5, 140 + item * 4, colour);
        if (bitmap) large.setPixelColor(0, large.height() - 1, Qt::white);  // the keyed corner
        loadElement(*window, item,
                    writePicture(folder, QStringLiteral("l%1.%2").arg(item).arg(bitmap ? "bmp" : "png"), large));
        loadElement(*window, item + 100,
                    writePicture(folder, QStringLiteral("s%1.%2").arg(item).arg(bitmap ? "bmp" : "png"),
                                 marked(62, 62, colour.darker())));
    }
    const auto pictureOf = [&window](int tag) -> const picture::Picture* {
        const TImage* element = window->elementPicture(tag);
        return element && element->hasPicture() ? element->picture().get() : nullptr;
    };
    for (int mode : {201, 202, 203, 210, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}) {
        SCOPED_TRACE(mode);
        const QImage shown = renderPreview(*window, mode).convertToFormat(QImage::Format_RGB32);
        const QImage painted =
            screen::renderScreen(theme::planScreen(mode), pictureOf).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(painted.size(), QSize(208, 208));
        EXPECT_EQ(painted, shown);
    }
}
