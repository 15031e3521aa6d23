#include "picture/fit.h"

#include <QImageWriter>
#include <QPainter>

#include <algorithm>

#include "picture/picture.h"
#include "platform/errors.h"

namespace picture {

QImage fitImage(const QImage& image, int width, int height, FitMode mode) {
    if (image.isNull()) return image;
    if (mode == FitMode::Inside) {
        if (image.width() <= width && image.height() <= height) return image;
        return image.scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    const QImage covering = image.scaled(width, height, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    return covering.copy((covering.width() - width) / 2, (covering.height() - height) / 2, width, height);
}

std::string fitFormatFor(std::string_view path) {
    std::string extension = extensionOf(path);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "jpg" || extension == "jpeg") return "jpg";
    if (extension == "png") return "png";
    return {};
}

void writeFitted(const QImage& image, const std::string& path) {
    const std::string format = fitFormatFor(path);
    QImage out = image;
    if (format == "jpg" && image.hasAlphaChannel()) {
        out = QImage(image.size(), QImage::Format_RGB32);
        out.fill(Qt::white);
        QPainter painter(&out);
        painter.drawImage(0, 0, image);
    }
    QImageWriter writer(QString::fromStdString(path), QByteArray::fromStdString(format));
    if (format == "jpg") writer.setQuality(90);
    if (format.empty() || !writer.write(out)) throw platform::EFCreateError(path);
}

HandsetFacts handsetFacts(const std::string& path) {
    Kind kind;
    if (!kindForExtension(extensionOf(path), kind)) return {false, 0, 0};
    const Picture loaded = loadPicture(path);
    const bool shown = kind == Kind::Jpeg || kind == Kind::Png || kind == Kind::Gif || kind == Kind::Bitmap;
    return {shown, loaded.width(), loaded.height()};
}

}  // namespace picture
