#pragma once
// Picture codecs: decoding the six kinds of element picture for display, keeping the file's
// bytes so that a loaded picture can be written back unchanged.
#include <QByteArray>
#include <QImage>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace picture {

// Limits that keep a hostile picture from taking unbounded memory or time. A picture whose
// declared size passes them is refused with its decoder's message ("JPEG error #%d" with
// libjpeg's JERR_IMAGE_TOO_BIG, "Bitmap image is not valid", "Metafile is not valid", or
// "Image is too large (WxH)" for ICO, PNG and GIF); an animation keeps the frames that fit.
constexpr int kMaxPictureSide = 16384;                      // width or height, pixels
constexpr qint64 kMaxPicturePixels = 32LL * 1024 * 1024;    // width x height of one frame
constexpr qint64 kMaxAnimationPixels = 64LL * 1024 * 1024;  // all frames of an animation together
constexpr int kMaxAnimationFrames = 1000;                   // later frames are dropped
constexpr qint64 kMaxPictureFileBytes = 128LL * 1024 * 1024;
constexpr int kMaxJpegScans = 256;                       // progressive scans of one JPEG
constexpr long kMaxJpegWorkMemory = 512L * 1024 * 1024;  // libjpeg's own buffers

// The metafile's own size is taken at this resolution.
constexpr int kScreenDpi = 96;

enum class Kind { Bitmap, Icon, Metafile, Jpeg, Png, Gif };

struct Frame {
    QImage image;
    int delayMs = 0;  // how long an animation shows this frame; under 20 ms in the file reads as 100
};

// A decoded picture. `frames` holds one frame, or every frame of an animated GIF.
struct Picture {
    Kind kind = Kind::Png;
    QByteArray bytes;           // the file's bytes exactly as read
    std::vector<Frame> frames;  // never empty for a decoded picture

    const QImage& image() const { return frames.front().image; }
    int width() const { return frames.front().image.width(); }
    int height() const { return frames.front().image.height(); }
    bool animated() const { return frames.size() > 1; }
};

// The extension of a file name (platform::extensionOf).
using platform::extensionOf;

// The decoder for an extension, compared without regard to letter case; false when none.
bool kindForExtension(std::string_view extension, Kind& kind);

// The picture loading rule: decoder by extension ("Unknown picture file extension (.%s)"),
// open the file ("Cannot open file %s", also for a folder; "Picture file is too large: %s"
// past kMaxPictureFileBytes), decode (the decoder's own message, e.g. "JPEG error #%d" or
// "Bitmap image is not valid"). Throws platform::Error.
Picture loadPicture(const std::string& fileName);

// Decodes bytes with the decoder of `kind`; throws platform::Error with the decoder's message.
Picture decodePicture(const QByteArray& bytes, Kind kind);

// The image as a transparent picture control shows it: a bitmap's bottom-left pixel colour
// becomes transparent; other kinds keep their own transparency.
QImage transparentImage(const Picture& picture, int frame = 0);

}  // namespace picture
