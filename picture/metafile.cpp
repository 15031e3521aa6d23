// Metafiles: WMF is translated to SVG by libwmf's SVG device, EMF by libemf2svg; Qt Svg then
// draws the SVG into a transparent image of the metafile's own size (pixels at 96 dpi for a WMF,
// the header's inclusive device bounds for an EMF). Both sizes are checked against the limits
// before anything is drawn.
#include "picture/decoders.h"

#include "platform/errors.h"

#include <QPainter>
#include <QSvgRenderer>

#include <cstdlib>
#include <cstring>

#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>

namespace picture::detail {
namespace {

constexpr const char* kInvalidMetafile = "Metafile is not valid";

constexpr quint32 kWmfPlaceableKey = 0x9AC6CDD7;
constexpr quint32 kEmfHeaderRecord = 1;
constexpr quint32 kEmfSignature = 0x464D4520;  // " EMF"
constexpr int kEmfHeaderMinSize = 88;

[[noreturn]] void failInvalid() { throw platform::Error(kInvalidMetafile); }

// Little-endian reads that give 0 past the end of the data.
quint32 u32At(const QByteArray& bytes, qsizetype offset) {
    if (offset < 0 || offset + 4 > bytes.size()) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData() + offset);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint16 u16At(const QByteArray& bytes, qsizetype offset) {
    if (offset < 0 || offset + 2 > bytes.size()) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData() + offset);
    return quint16(p[0] | p[1] << 8);
}

bool isEmf(const QByteArray& bytes) {
    return bytes.size() >= kEmfHeaderMinSize && u32At(bytes, 0) == kEmfHeaderRecord &&
           u32At(bytes, 40) == kEmfSignature;
}

bool isWmf(const QByteArray& bytes) {
    if (u32At(bytes, 0) == kWmfPlaceableKey) return true;
    const quint16 type = u16At(bytes, 0);
    return (type == 1 || type == 2) && u16At(bytes, 2) == 9;
}

QImage renderSvg(const QByteArray& svg, int width, int height) {
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) failInvalid();
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) failInvalid();
    image.fill(Qt::transparent);
    renderer.setViewBox(QRectF(0, 0, width, height));  // one SVG unit is one pixel
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, width, height));
    return image;
}

// Owns one libwmf session.
class WmfSession {
public:
    WmfSession() {
        wmfAPI_Options options;
        std::memset(&options, 0, sizeof options);
        options.function = wmf_svg_function;
        const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
        if (wmf_api_create(&api_, flags, &options) != wmf_E_None) {
            if (api_) wmf_api_destroy(api_);
            api_ = nullptr;
        }
    }
    ~WmfSession() {
        if (api_) wmf_api_destroy(api_);
    }
    WmfSession(const WmfSession&) = delete;
    WmfSession& operator=(const WmfSession&) = delete;

    wmfAPI* api() const { return api_; }
    bool ok() const { return api_ && api_->err == wmf_E_None; }

private:
    wmfAPI* api_ = nullptr;
};

QImage decodeWmf(const QByteArray& bytes) {
    WmfSession session;
    wmfAPI* api = session.api();
    if (!api) failInvalid();
    // libwmf only reads the buffer, but its signature asks for a mutable one.
    QByteArray data = bytes;
    if (wmf_mem_open(api, reinterpret_cast<unsigned char*>(data.data()), long(data.size())) != wmf_E_None)
        failInvalid();
    wmfD_Rect bbox;
    if (wmf_scan(api, 0, &bbox) != wmf_E_None || !session.ok()) failInvalid();
    unsigned int width = 0, height = 0;
    if (wmf_display_size(api, &width, &height, kScreenDpi, kScreenDpi) != wmf_E_None || width == 0 || height == 0 ||
        !sizeWithinLimits(width, height))
        failInvalid();

    wmf_svg_t* device = WMF_SVG_GetData(api);
    device->out = wmf_stream_create(api, nullptr);  // a string stream in libwmf's memory
    device->Description = const_cast<char*>("metafile");
    device->bbox = bbox;
    device->width = width;
    device->height = height;
    device->flags |= WMF_SVG_INLINE_IMAGES;  // never write bitmap records to files
    if (!device->out) failInvalid();
    const wmf_error_t played = wmf_play(api, 0, &bbox);
    char* text = nullptr;
    unsigned long length = 0;
    wmf_stream_destroy(api, device->out, &text, &length);
    device->out = nullptr;
    if (played != wmf_E_None || !text) failInvalid();
    const QByteArray svg(text, qsizetype(length));  // the text belongs to the session
    return renderSvg(svg, int(width), int(height));
}

QImage decodeEmf(const QByteArray& bytes) {
    // rclBounds: inclusive device-pixel bounds of the drawing.
    const auto left = qint32(u32At(bytes, 8)), top = qint32(u32At(bytes, 12));
    const auto right = qint32(u32At(bytes, 16)), bottom = qint32(u32At(bytes, 20));
    const qint64 width = qint64(right) - left + 1, height = qint64(bottom) - top + 1;
    if (width <= 0 || height <= 0 || !sizeWithinLimits(width, height)) failInvalid();

    generatorOptions options;
    std::memset(&options, 0, sizeof options);
    options.emfplus = true;
    options.svgDelimiter = true;
    QByteArray data = bytes;  // the converter's signature asks for a mutable buffer
    char* text = nullptr;
    size_t length = 0;
    const int converted = emf2svg(data.data(), size_t(data.size()), &text, &length, &options);
    const QByteArray svg(text ? text : "", text ? qsizetype(length) : 0);
    std::free(text);
    if (!converted || svg.isEmpty()) failInvalid();
    return renderSvg(svg, int(width), int(height));
}

}  // namespace

std::vector<Frame> decodeMetafile(const QByteArray& bytes) {
    if (isEmf(bytes)) return {Frame{decodeEmf(bytes), 0}};
    if (isWmf(bytes)) return {Frame{decodeWmf(bytes), 0}};
    failInvalid();
}

}  // namespace picture::detail
