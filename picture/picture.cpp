// The picture loading rule and the choice of decoder by extension.
#include "picture/picture.h"

#include "picture/decoders.h"
#include "platform/errors.h"
#include "platform/files.h"

#include <array>
#include <cctype>

namespace picture {
namespace {

struct Registered {
    std::string_view extension;
    Kind kind;
};

constexpr std::array<Registered, 8> kDecoders{{
    {"bmp", Kind::Bitmap},
    {"ico", Kind::Icon},
    {"wmf", Kind::Metafile},
    {"emf", Kind::Metafile},
    {"jpg", Kind::Jpeg},
    {"jpeg", Kind::Jpeg},
    {"png", Kind::Png},
    {"gif", Kind::Gif},
}};

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The whole file; one past kMaxPictureFileBytes is refused before it is read.
QByteArray readPictureFile(const std::string& fileName) {
    try {
        const std::string bytes = platform::readWholeFile(fileName, std::uint64_t(kMaxPictureFileBytes));
        return QByteArray(bytes.data(), qsizetype(bytes.size()));
    } catch (const platform::EFileTooLarge&) {
        throw platform::Error("Picture file is too large: " + fileName);
    }
}

}  // namespace

namespace detail {

bool sizeWithinLimits(qint64 width, qint64 height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

}  // namespace detail

bool kindForExtension(std::string_view extension, Kind& kind) {
    for (const Registered& entry : kDecoders) {
        if (equalNoCase(entry.extension, extension)) {
            kind = entry.kind;
            return true;
        }
    }
    return false;
}

Picture loadPicture(const std::string& fileName) {
    const std::string extension = extensionOf(fileName);
    Kind kind;
    if (!kindForExtension(extension, kind))
        throw platform::Error("Unknown picture file extension (." + extension + ")");
    return decodePicture(readPictureFile(fileName), kind);
}

Picture decodePicture(const QByteArray& bytes, Kind kind) {
    Picture picture;
    picture.kind = kind;
    picture.bytes = bytes;
    switch (kind) {
        case Kind::Jpeg: picture.frames = detail::decodeJpeg(bytes); break;
        case Kind::Metafile: picture.frames = detail::decodeMetafile(bytes); break;
        case Kind::Bitmap:
        case Kind::Icon:
        case Kind::Png:
        case Kind::Gif: picture.frames = detail::decodeWithReader(bytes, kind); break;
    }
    return picture;
}

QImage transparentImage(const Picture& picture, int frame) {
    const QImage& source = picture.frames.at(size_t(frame)).image;
    if (picture.kind != Kind::Bitmap || source.isNull()) return source;
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = image.pixel(0, image.height() - 1) | 0xFF000000u;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] | 0xFF000000u) == key) line[x] = 0;
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace picture
