#pragma once
// The decoders behind decodePicture, one per family. Each throws platform::Error with its own
// message and returns at least one frame.
#include "picture/picture.h"

namespace picture::detail {

// libjpeg: "JPEG error #%d" with libjpeg's message code.
std::vector<Frame> decodeJpeg(const QByteArray& bytes);

// Qt's image readers for BMP, ICO, PNG and GIF (every frame of an animation).
std::vector<Frame> decodeWithReader(const QByteArray& bytes, Kind kind);

// WMF through libwmf, EMF through libemf2svg, both drawn by Qt Svg at the metafile's own size.
std::vector<Frame> decodeMetafile(const QByteArray& bytes);

// True when a picture of this size stays within kMaxPictureSide and kMaxPicturePixels.
bool sizeWithinLimits(qint64 width, qint64 height);

}  // namespace picture::detail
