#pragma once
// Small pictures built in memory for the codec tests: Qt writes JPEG, PNG, BMP and ICO;
// GIF, WMF and EMF are assembled byte by byte, since Qt writes none of them.
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>

#include <cstdint>
#include <algorithm>
#include <initializer_list>
#include <vector>

namespace fixtures {

inline void put16(QByteArray& out, unsigned value) {
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

inline void put32(QByteArray& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

inline void put32be(QByteArray& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.append(char((value >> shift) & 0xFF));
}

// A picture of the given size in one colour, with `corner` at its bottom-left pixel.
inline QImage filled(int width, int height, QColor colour, QColor corner) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    image.setPixelColor(0, height - 1, corner);
    return image;
}

inline QByteArray encodeWithQt(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, format[0] == 'j' ? 95 : -1);
    return bytes;
}

// GIF with a 4-colour table (black, red, green, blue) and one full-size frame per entry of
// `frames`: each frame is one colour index over the whole screen, with its delay in 1/100 s.
struct GifFrame {
    int colourIndex;
    int delayCs;
};

inline QByteArray gif(int width, int height, const std::vector<GifFrame>& frames) {
    QByteArray out("GIF89a");
    put16(out, width);
    put16(out, height);
    out.append(char(0x81));  // global colour table of 4 entries
    out.append(char(0));
    out.append(char(0));
    out.append(QByteArray::fromHex("000000ff000000ff000000ff"));
    if (frames.size() > 1)
        out.append(QByteArray::fromHex("21ff0b") + "NETSCAPE2.0" + QByteArray::fromHex("03010000") + '\0');
    for (const GifFrame& frame : frames) {
        out.append(QByteArray::fromHex("21f904"));
        out.append(char(0x04));  // keep the frame in place
        put16(out, frame.delayCs);
        out.append(char(0));
        out.append(char(0));
        out.append(char(0x2C));
        put16(out, 0);
        put16(out, 0);
        put16(out, width);
        put16(out, height);
        out.append(char(0));
        out.append(char(2));  // minimum code size: 3-bit codes, clear 4, end 5
        // A clear code before every pixel keeps the code width at 3 bits.
        std::vector<unsigned char> data;
        std::uint32_t bits = 0;
        int count = 0;
        auto putCode = [&](unsigned code) {
            bits |= code << count;
            count += 3;
            while (count >= 8) {
                data.push_back(bits & 0xFF);
                bits >>= 8;
                count -= 8;
            }
        };
        for (int i = 0; i < width * height; ++i) {
            putCode(4);
            putCode(unsigned(frame.colourIndex));
        }
        putCode(5);
        if (count > 0) data.push_back(bits & 0xFF);
        for (size_t at = 0; at < data.size(); at += 255) {
            const size_t n = std::min<size_t>(255, data.size() - at);
            out.append(char(n));
            out.append(reinterpret_cast<const char*>(data.data() + at), qsizetype(n));
        }
        out.append(char(0));
    }
    out.append(char(0x3B));
    return out;
}

// A placeable WMF of width x height pixels (at 96 units per inch) filled by one rectangle.
inline QByteArray wmf(int width, int height, std::uint32_t colourRef) {
    QByteArray records;
    auto record = [&](unsigned function, std::initializer_list<unsigned> params) {
        put32(records, 3 + std::uint32_t(params.size()));
        put16(records, function);
        for (unsigned p : params) put16(records, p);
    };
    record(0x020B, {0, 0});                                       // SetWindowOrg
    record(0x020C, {unsigned(height), unsigned(width)});          // SetWindowExt
    record(0x02FC, {0, colourRef & 0xFFFF, colourRef >> 16, 0});  // CreateBrushIndirect
    record(0x012D, {0});                                          // SelectObject
    record(0x041B, {unsigned(height), unsigned(width), 0, 0});    // Rectangle
    record(0x0000, {});                                           // EOF

    QByteArray out;
    put32(out, 0x9AC6CDD7);
    put16(out, 0);
    put16(out, 0);
    put16(out, 0);
    put16(out, width);
    put16(out, height);
    put16(out, 96);
    put32(out, 0);
    unsigned checksum = 0;
    for (int i = 0; i < 20; i += 2)
        checksum ^= unsigned(static_cast<unsigned char>(out[i])) | unsigned(static_cast<unsigned char>(out[i + 1]))
                                                                       << 8;
    put16(out, checksum);
    put16(out, 1);
    put16(out, 9);
    put16(out, 0x0300);
    put32(out, 9 + std::uint32_t(records.size() / 2));
    put16(out, 1);
    put32(out, 5);
    put16(out, 0);
    return out + records;
}

// An EMF whose inclusive bounds are (0, 0) to (width - 1, height - 1), filled by one rectangle.
inline QByteArray emf(int width, int height, std::uint32_t colourRef) {
    QByteArray records;
    for (std::uint32_t v : {39u, 24u, 1u, 0u, colourRef, 0u})  // CreateBrushIndirect
        put32(records, v);
    for (std::uint32_t v : {37u, 12u, 1u})  // SelectObject
        put32(records, v);
    for (std::uint32_t v : {43u, 24u, 0u, 0u, std::uint32_t(width), std::uint32_t(height)})  // Rectangle
        put32(records, v);
    for (std::uint32_t v : {14u, 20u, 0u, 16u, 20u})  // EOF
        put32(records, v);

    QByteArray out;
    for (std::uint32_t v : {1u, 88u, 0u, 0u, std::uint32_t(width - 1), std::uint32_t(height - 1), 0u, 0u,
                            std::uint32_t(width * 2646 / 100), std::uint32_t(height * 2646 / 100), 0x464D4520u,
                            0x10000u, std::uint32_t(88 + records.size()), 5u})
        put32(out, v);
    put16(out, 2);
    put16(out, 0);
    for (std::uint32_t v : {0u, 0u, 0u, 1024u, 768u, 271u, 203u}) put32(out, v);
    return out + records;
}

inline std::uint32_t crc32(const QByteArray& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG whose header declares width x height, with valid chunk checksums and no real data.
inline QByteArray pngDeclaring(std::uint32_t width, std::uint32_t height) {
    QByteArray chunk("IHDR");
    put32be(chunk, width);
    put32be(chunk, height);
    chunk.append(QByteArray::fromHex("0802000000"));
    QByteArray out = QByteArray::fromHex("89504e470d0a1a0a");
    put32be(out, 13);
    out.append(chunk);
    put32be(out, crc32(chunk));
    put32be(out, 2);
    out.append("IDAT\x78\x9c");
    put32be(out, crc32("IDAT\x78\x9c"));
    put32be(out, 0);
    out.append("IEND");
    put32be(out, crc32("IEND"));
    return out;
}

// A real JPEG whose frame header is rewritten to declare width x height.
inline QByteArray jpegDeclaring(int width, int height) {
    QByteArray bytes = encodeWithQt(filled(8, 8, Qt::gray, Qt::gray), "jpg");
    for (qsizetype i = 0; i + 8 < bytes.size(); ++i) {
        const auto marker = static_cast<unsigned char>(bytes[i + 1]);
        if (static_cast<unsigned char>(bytes[i]) == 0xFF && (marker == 0xC0 || marker == 0xC2)) {
            bytes[i + 5] = char(height >> 8);
            bytes[i + 6] = char(height & 0xFF);
            bytes[i + 7] = char(width >> 8);
            bytes[i + 8] = char(width & 0xFF);
            break;
        }
    }
    return bytes;
}

// A BMP whose header declares width x height over a tiny file.
inline QByteArray bmpDeclaring(int width, int height) {
    QByteArray bytes = encodeWithQt(filled(2, 2, Qt::red, Qt::red), "bmp");
    QByteArray out = bytes.left(18);
    put32(out, std::uint32_t(width));
    put32(out, std::uint32_t(height));
    return out + bytes.mid(26);
}

}  // namespace fixtures
