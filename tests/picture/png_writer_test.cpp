// The PNG writer: what it writes reads back, through Qt's own reader, as the very pixels given.
#include <QImage>
#include <gtest/gtest.h>

#include "picture/png_writer.h"

TEST(PngWriter, RoundTripsThroughQtsReader) {
    QImage translucent(5, 3, QImage::Format_ARGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) translucent.setPixelColor(x, y, QColor(x * 60, y * 100, 200, 40 + x * 50));
    QImage opaque(128, 77, QImage::Format_RGB32);
    opaque.fill(QColor(10, 200, 30));
    opaque.setPixelColor(127, 76, Qt::magenta);
    QImage single(1, 1, QImage::Format_ARGB32_Premultiplied);
    single.fill(Qt::transparent);
    for (const QImage& image : {translucent, opaque, single}) {
        SCOPED_TRACE(image.width());
        const QByteArray png = picture::encodePng(image);
        QImage read;
        ASSERT_TRUE(read.loadFromData(png, "PNG"));
        EXPECT_EQ(read.convertToFormat(QImage::Format_ARGB32), image.convertToFormat(QImage::Format_ARGB32));
    }
    EXPECT_TRUE(picture::encodePng(QImage()).isEmpty());
}
