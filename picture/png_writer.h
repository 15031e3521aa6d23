#pragma once
// Writing an image as PNG without Qt's image writer, which looks through its format plugins
// first: for a short-lived process (the thumbnailer) that search costs more than the encoding.
#include <QByteArray>
#include <QImage>

namespace picture {

// The image as an 8-bit RGBA PNG (colour type 6, no interlace, no row filters). A null image
// gives an empty result.
QByteArray encodePng(const QImage& image);

}  // namespace picture
