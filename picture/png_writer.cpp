#include "picture/png_writer.h"

#include <zlib.h>

#include <cstdint>
#include <string_view>

namespace picture {

namespace {

void putBigEndian32(QByteArray& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.append(char((value >> shift) & 0xFF));
}

// Length, type, data and the CRC-32 of type and data.
void putChunk(QByteArray& out, std::string_view type, const QByteArray& data) {
    putBigEndian32(out, static_cast<std::uint32_t>(data.size()));
    const qsizetype typeAt = out.size();
    out.append(type.data(), static_cast<qsizetype>(type.size()));
    out.append(data);
    const auto* checked = reinterpret_cast<const Bytef*>(out.constData() + typeAt);
    putBigEndian32(out, static_cast<std::uint32_t>(crc32(0, checked, static_cast<uInt>(out.size() - typeAt))));
}

}  // namespace

QByteArray encodePng(const QImage& image) {
    if (image.isNull()) return {};
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    const qsizetype rowBytes = qsizetype(rgba.width()) * 4;
    // Every row starts with filter type 0 (none).
    QByteArray rows;
    rows.reserve((rowBytes + 1) * rgba.height());
    for (int y = 0; y < rgba.height(); ++y) {
        rows.append('\0');
        rows.append(reinterpret_cast<const char*>(rgba.constScanLine(y)), rowBytes);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    QByteArray packed(static_cast<qsizetype>(packedSize), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                  reinterpret_cast<const Bytef*>(rows.constData()), static_cast<uLong>(rows.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK)
        return {};
    packed.resize(static_cast<qsizetype>(packedSize));

    QByteArray header;
    putBigEndian32(header, static_cast<std::uint32_t>(rgba.width()));
    putBigEndian32(header, static_cast<std::uint32_t>(rgba.height()));
    header.append("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA, deflate, adaptive filters, no interlace
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", packed);
    putChunk(png, "IEND", {});
    return png;
}

}  // namespace picture
