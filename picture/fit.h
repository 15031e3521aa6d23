#pragma once
// Fitting a picture to a slot of the handset's screen, and what a handset makes of a picture file.
#include <QImage>
#include <string>
#include <string_view>

namespace picture {

enum class FitMode {
    Cover,   // scaled up or down to cover the slot, then cropped centred to exactly the slot
    Inside,  // scaled down, never up, to fit inside the slot; the aspect ratio is kept
};

QImage fitImage(const QImage& image, int width, int height, FitMode mode);

// The format a fitted copy is written in, by the path's extension (letter case ignored): "jpg"
// for .jpg and .jpeg, "png" for .png; empty for any other.
std::string fitFormatFor(std::string_view path);

// Writes `image` to `path` in fitFormatFor(path): JPEG at quality 90 (transparent parts on white),
// PNG keeping transparency. Throws platform::Error ("Cannot create file %s") on failure.
void writeFitted(const QImage& image, const std::string& path);

// What a handset makes of a picture file: whether its format is one handsets show (JPEG, PNG,
// GIF, BMP) and its size. A file with no picture extension is not decoded (size 0 x 0); one that
// does not decode throws platform::Error with the decoder's message.
struct HandsetFacts {
    bool handsetFormat;
    int width;
    int height;
};
HandsetFacts handsetFacts(const std::string& path);

}  // namespace picture
