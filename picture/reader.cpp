// BMP, ICO, PNG and GIF through Qt's image readers. The reader is bound to the format that
// the extension chose, so a PNG file named ".gif" fails with the GIF reader's message instead
// of loading as PNG.
#include "picture/decoders.h"

#include "platform/errors.h"

#include <QBuffer>
#include <QImageReader>

namespace picture::detail {
namespace {

const char* formatOf(Kind kind) {
    switch (kind) {
        case Kind::Bitmap: return "bmp";
        case Kind::Icon: return "ico";
        case Kind::Png: return "png";
        case Kind::Gif: return "gif";
        default: return "";
    }
}

[[noreturn]] void fail(Kind kind, const QString& readerMessage) {
    if (kind == Kind::Bitmap) throw platform::Error("Bitmap image is not valid");
    throw platform::Error(readerMessage.toStdString());
}

[[noreturn]] void failTooLarge(Kind kind, QSize size) {
    fail(kind, QStringLiteral("Image is too large (%1x%2)").arg(size.width()).arg(size.height()));
}

// Browsers show a frame delay under 20 ms as 100 ms; files rely on that.
int frameDelay(int delayMs) { return delayMs < 20 ? 100 : delayMs; }

// Qt reports a GIF's first frame size, but draws every frame onto the logical screen that
// the file header declares.
QSize gifScreenSize(const QByteArray& bytes) {
    if (bytes.size() < 10) return {};
    const auto byte = [&](int i) { return int(static_cast<unsigned char>(bytes[i])); };
    return QSize(byte(6) | byte(7) << 8, byte(8) | byte(9) << 8);
}

}  // namespace

std::vector<Frame> decodeWithReader(const QByteArray& bytes, Kind kind) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, formatOf(kind));
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);

    if (!reader.canRead()) fail(kind, reader.errorString());
    for (const QSize declared : {reader.size(), kind == Kind::Gif ? gifScreenSize(bytes) : QSize()})
        if (declared.isValid() && !sizeWithinLimits(declared.width(), declared.height())) failTooLarge(kind, declared);

    std::vector<Frame> frames;
    const bool animation = kind == Kind::Gif && reader.supportsAnimation();
    qint64 pixels = 0;
    do {
        QImage image;
        if (!reader.read(&image)) {
            if (frames.empty()) fail(kind, reader.errorString());
            break;  // a damaged later frame ends the animation early
        }
        if (!sizeWithinLimits(image.width(), image.height())) failTooLarge(kind, image.size());
        pixels += qint64(image.width()) * image.height();
        if (!frames.empty() && pixels > kMaxAnimationPixels) break;
        frames.push_back(Frame{image, animation ? frameDelay(reader.nextImageDelay()) : 0});
    } while (animation && reader.canRead() && int(frames.size()) < kMaxAnimationFrames);

    if (frames.size() == 1) frames.front().delayMs = 0;
    return frames;
}

}  // namespace picture::detail
