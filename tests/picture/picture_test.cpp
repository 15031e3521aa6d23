// The picture loading rule and the six decoders, on real files in a temporary folder.
#include "picture/picture.h"

#include "fixtures.h"
#include "platform/errors.h"
#include "resources/embedded.h"
#include "support/qt_application.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

using picture::Kind;

class PictureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Qt Svg and the image readers want an application object (fonts, plugins).
        testsupport::ensureApplication<QGuiApplication>("picture_tests");
    }

    std::string write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path.toStdString();
    }

    // The message of the error that loading `path` throws, or "" when it loads.
    static std::string loadError(const std::string& path) {
        try {
            picture::loadPicture(path);
        } catch (const platform::Error& error) {
            return error.what();
        }
        return "";
    }

    QTemporaryDir dir_;
};

bool near(QRgb a, QColor b, int tolerance = 12) {
    return std::abs(qRed(a) - b.red()) <= tolerance && std::abs(qGreen(a) - b.green()) <= tolerance &&
           std::abs(qBlue(a) - b.blue()) <= tolerance;
}

std::string jpegError(int code) { return "JPEG error #" + std::to_string(code); }

TEST(PictureExtension, TextAfterTheLastDotOfTheName) {
    struct Case {
        const char* name;
        const char* extension;
    } cases[] = {
        {"/a/b/logo.PNG", "PNG"}, {"/a/b.c/logo", ""},         {"/a/b/archive.tar.gz", "gz"}, {"/a/b/noext", ""},
        {"/a/b/trailing.", ""},   {"/a/b/back\\slash.x", "x"}, {"/a/b/c:d.jpg", "jpg"},       {"relative.JpEg", "JpEg"},
    };
    for (const Case& c : cases) EXPECT_EQ(picture::extensionOf(c.name), c.extension) << c.name;
}

TEST(PictureExtension, DecoderTableIgnoresLetterCase) {
    struct Case {
        const char* extension;
        bool known;
        Kind kind;
    } cases[] = {
        {"bmp", true, Kind::Bitmap},   {"ICO", true, Kind::Icon}, {"wmf", true, Kind::Metafile},
        {"Emf", true, Kind::Metafile}, {"JPG", true, Kind::Jpeg}, {"jpeg", true, Kind::Jpeg},
        {"pNg", true, Kind::Png},      {"GIF", true, Kind::Gif},  {"tiff", false, Kind::Png},
        {"", false, Kind::Png},        {"jpe", false, Kind::Png}, {"svg", false, Kind::Png},
    };
    for (const Case& c : cases) {
        Kind kind = Kind::Png;
        EXPECT_EQ(picture::kindForExtension(c.extension, kind), c.known) << c.extension;
        if (c.known) {
            EXPECT_EQ(kind, c.kind) << c.extension;
        }
    }
}

TEST_F(PictureTest, EachKindLoadsAndKeepsTheFileBytes) {
    const QImage red = fixtures::filled(5, 3, QColor(220, 30, 30), QColor(220, 30, 30));
    struct Case {
        QString name;
        QByteArray bytes;
        Kind kind;
        int width, height;
        QColor centre;
    } cases[] = {
        {"a.jpg", fixtures::encodeWithQt(red, "jpg"), Kind::Jpeg, 5, 3, QColor(220, 30, 30)},
        {"b.JPEG", fixtures::encodeWithQt(red, "jpg"), Kind::Jpeg, 5, 3, QColor(220, 30, 30)},
        {"c.PNG", fixtures::encodeWithQt(red, "png"), Kind::Png, 5, 3, QColor(220, 30, 30)},
        {"d.bmp", fixtures::encodeWithQt(red, "bmp"), Kind::Bitmap, 5, 3, QColor(220, 30, 30)},
        {"e.ico", fixtures::encodeWithQt(red, "ico"), Kind::Icon, 5, 3, QColor(220, 30, 30)},
        {"f.gif", fixtures::gif(6, 4, {{2, 0}}), Kind::Gif, 6, 4, QColor(0, 255, 0)},
        {"g.wmf", fixtures::wmf(40, 30, 0x000000FF), Kind::Metafile, 40, 30, QColor(255, 0, 0)},
        {"h.EMF", fixtures::emf(50, 20, 0x0000FF00), Kind::Metafile, 50, 20, QColor(0, 255, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const picture::Picture loaded = picture::loadPicture(write(c.name, c.bytes));
        EXPECT_EQ(loaded.kind, c.kind);
        EXPECT_EQ(loaded.bytes, c.bytes);
        ASSERT_EQ(loaded.frames.size(), 1u);
        EXPECT_FALSE(loaded.animated());
        EXPECT_EQ(loaded.width(), c.width);
        EXPECT_EQ(loaded.height(), c.height);
        EXPECT_TRUE(near(loaded.image().pixel(c.width / 2, c.height / 2), c.centre))
            << std::hex << loaded.image().pixel(c.width / 2, c.height / 2);
    }
}

TEST_F(PictureTest, FailuresCarryTheRuleAndDecoderMessages) {
    const QByteArray png = fixtures::encodeWithQt(fixtures::filled(4, 4, Qt::blue, Qt::blue), "png");
    QDir(dir_.path()).mkdir("folder.png");
    const std::string missing = dir_.filePath("missing.png").toStdString();
    const std::string folder = dir_.filePath("folder.png").toStdString();
    const std::string oversized = write("oversized.png", png);
    QFile(QString::fromStdString(oversized)).resize(picture::kMaxPictureFileBytes + 1);  // sparse
    struct Case {
        const char* what;
        std::string path;
        std::string message;
    } cases[] = {
        {"unregistered extension", write("logo.tiff", png), "Unknown picture file extension (.tiff)"},
        {"extension keeps its case", write("logo.Tiff", png), "Unknown picture file extension (.Tiff)"},
        {"no extension", write("logo", png), "Unknown picture file extension (.)"},
        {"dot in the folder only", write("x.png.d", png) + "/../nodot", "Unknown picture file extension (.)"},
        {"missing file", missing, "Cannot open file " + missing},
        {"a folder", folder, "Cannot open file " + folder},
        {"file past the size limit", oversized, "Picture file is too large: " + oversized},
        {"PNG named .jpg", write("png.jpg", png), jpegError(JERR_NO_SOI)},
        {"empty JPEG", write("empty.jpg", ""), jpegError(JERR_INPUT_EMPTY)},
        {"JPEG too wide", write("wide.jpg", fixtures::jpegDeclaring(16385, 8)), jpegError(JERR_IMAGE_TOO_BIG)},
        {"JPEG too many pixels", write("many.jpg", fixtures::jpegDeclaring(8192, 4097)), jpegError(JERR_IMAGE_TOO_BIG)},
        {"PNG named .bmp", write("png.bmp", png), "Bitmap image is not valid"},
        {"empty BMP", write("empty.bmp", ""), "Bitmap image is not valid"},
        {"BMP too large", write("huge.bmp", fixtures::bmpDeclaring(20000, 20000)), "Bitmap image is not valid"},
        {"PNG too large", write("huge.png", fixtures::pngDeclaring(20000, 20000)), "Image is too large (20000x20000)"},
        {"GIF too large", write("huge.gif", fixtures::gif(1, 1, {{1, 0}}).replace(6, 4, "\x20\x4e\x20\x4e")),
         "Image is too large (20000x20000)"},
        {"text named .wmf", write("text.wmf", "not a metafile"), "Metafile is not valid"},
        {"EMF too large", write("huge.emf", fixtures::emf(20000, 20000, 0)), "Metafile is not valid"},
        {"WMF too large", write("huge.wmf", fixtures::wmf(30000, 30000, 0)), "Metafile is not valid"},
    };
    for (const Case& c : cases) EXPECT_EQ(loadError(c.path), c.message) << c.what;

    // Readers without a fixed message of ours give their own, never an empty one.
    for (const char* name : {"garbage.png", "garbage.gif", "garbage.ico"}) {
        const std::string message = loadError(write(name, "garbage garbage garbage"));
        EXPECT_FALSE(message.empty()) << name;
        EXPECT_NE(message, "Bitmap image is not valid") << name;
    }
}

TEST_F(PictureTest, JpegSidesAtTheLimitStillDecode) {
    const picture::Picture wide = picture::loadPicture(write("edge.jpg", fixtures::jpegDeclaring(16384, 8)));
    EXPECT_EQ(wide.width(), 16384);
    EXPECT_EQ(wide.height(), 8);
}

// A CMYK JPEG written by libjpeg, which marks it with an Adobe segment: the samples are stored
// inverted (255 is no ink), as Photoshop writes them.
QByteArray cmykJpeg(const unsigned char (&pixel)[4], int width, int height) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(size_t(width) * 4);
    for (int x = 0; x < width; ++x) std::copy(pixel, pixel + 4, row.begin() + x * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW line = row.data();
        jpeg_write_scanlines(&cinfo, &line, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return bytes;
}

// A grey progressive JPEG with `extraPasses` successive-approximation refinements of the DC
// coefficient and of every single-coefficient AC band: (extraPasses + 1) * 64 scans.
QByteArray progressiveJpeg(int extraPasses) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = 16;
    cinfo.image_height = 16;
    cinfo.input_components = 1;
    cinfo.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    std::vector<jpeg_scan_info> scans;
    for (int pass = 0; pass <= extraPasses; ++pass) {
        const int al = extraPasses - pass, ah = pass == 0 ? 0 : al + 1;
        for (int band = 0; band < 64; ++band) scans.push_back(jpeg_scan_info{1, {0, 0, 0, 0}, band, band, ah, al});
    }
    cinfo.scan_info = scans.data();
    cinfo.num_scans = int(scans.size());
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(16);
    for (int i = 0; i < 16; ++i) row[size_t(i)] = static_cast<unsigned char>(i * 16);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW line = row.data();
        jpeg_write_scanlines(&cinfo, &line, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return bytes;
}

TEST_F(PictureTest, ProgressiveJpegScansAreLimited) {
    static_assert(4 * 64 == picture::kMaxJpegScans);
    EXPECT_EQ(picture::decodePicture(progressiveJpeg(3), Kind::Jpeg).width(), 16);  // 256 scans
    try {
        picture::decodePicture(progressiveJpeg(4), Kind::Jpeg);  // 320 scans
        ADD_FAILURE() << "a JPEG of 320 scans decoded";
    } catch (const platform::Error& error) {
        EXPECT_EQ(error.what(), jpegError(JERR_BAD_PROGRESSION));
    }
}

TEST_F(PictureTest, CmykJpegShowsItsColours) {
    const unsigned char red[4] = {255, 0, 0, 255};  // inverted: no cyan, full magenta and yellow, no black
    const unsigned char white[4] = {255, 255, 255, 255};
    for (const auto& [ink, colour] : {std::pair{&red, QColor(255, 0, 0)}, std::pair{&white, QColor(255, 255, 255)}}) {
        const picture::Picture loaded = picture::decodePicture(cmykJpeg(*ink, 8, 8), Kind::Jpeg);
        EXPECT_EQ(loaded.image().size(), QSize(8, 8));
        EXPECT_TRUE(near(loaded.image().pixel(4, 4), colour)) << std::hex << loaded.image().pixel(4, 4);
    }
}

TEST_F(PictureTest, AnimationStopsAtTheFrameLimit) {
    QByteArray many;
    {
        std::vector<fixtures::GifFrame> frames(picture::kMaxAnimationFrames + 1, fixtures::GifFrame{1, 5});
        many = fixtures::gif(1, 1, frames);
    }
    const picture::Picture loaded = picture::decodePicture(many, Kind::Gif);
    EXPECT_EQ(int(loaded.frames.size()), picture::kMaxAnimationFrames);
}

TEST_F(PictureTest, AnimatedGifKeepsEveryFrameWithItsDelay) {
    const picture::Picture loaded =
        picture::loadPicture(write("anim.gif", fixtures::gif(4, 3, {{1, 10}, {2, 25}, {3, 0}})));
    ASSERT_EQ(loaded.frames.size(), 3u);
    EXPECT_TRUE(loaded.animated());
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
    const int delays[] = {100, 250, 100};  // a delay of 0 reads as 100 ms
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded.frames[i].image.size(), QSize(4, 3)) << i;
        EXPECT_TRUE(near(loaded.frames[i].image.pixel(2, 1), colours[i])) << i;
        EXPECT_EQ(loaded.frames[i].delayMs, delays[i]) << i;
    }
}

TEST_F(PictureTest, BitmapBottomLeftColourIsTransparentOtherKindsKeepTheirOwn) {
    const QImage image = fixtures::filled(4, 4, QColor(10, 200, 10), QColor(255, 0, 255));
    QImage withKeyElsewhere = image;
    withKeyElsewhere.setPixelColor(3, 0, QColor(255, 0, 255));

    const picture::Picture bmp = picture::decodePicture(fixtures::encodeWithQt(withKeyElsewhere, "bmp"), Kind::Bitmap);
    const QImage shown = picture::transparentImage(bmp);
    EXPECT_EQ(qAlpha(shown.pixel(0, 3)), 0);
    EXPECT_EQ(qAlpha(shown.pixel(3, 0)), 0);  // every pixel of the key colour
    EXPECT_EQ(qAlpha(shown.pixel(1, 1)), 255);
    EXPECT_TRUE(near(shown.pixel(1, 1), QColor(10, 200, 10), 0));

    const picture::Picture png = picture::decodePicture(fixtures::encodeWithQt(withKeyElsewhere, "png"), Kind::Png);
    EXPECT_EQ(qAlpha(picture::transparentImage(png).pixel(0, 3)), 255);
}

TEST_F(PictureTest, DefaultScreensaverDecodesStraightFromTheEmbeddedBytes) {
    const std::string_view resource = resources::defaultScreensaver();
    ASSERT_GT(resource.size(), 2u);
    EXPECT_EQ(resource.back(), '\0');
    const QByteArray bytes(resource.data(), qsizetype(resource.size()));
    const picture::Picture loaded = picture::decodePicture(bytes, Kind::Jpeg);
    EXPECT_EQ(loaded.width(), 208);
    EXPECT_EQ(loaded.height(), 208);
    EXPECT_EQ(loaded.bytes, bytes);  // written back unchanged, trailing zero included
}

}  // namespace
