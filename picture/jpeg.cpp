// JPEG decoding with libjpeg. libjpeg reports a failure by calling the error manager's
// error_exit, which must not return; ours jumps back to the one function below that set the
// jump point. That function holds only trivially destructible objects, so the jump skips no
// destructor, and libjpeg's own memory is released by jpeg_destroy_decompress.
#include "picture/decoders.h"

#include "platform/errors.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace picture::detail {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;  // first member: libjpeg sees only this part
    std::jmp_buf jump;
};

struct ProgressMonitor {
    jpeg_progress_mgr base;
};

extern "C" void jumpOnError(j_common_ptr cinfo) {
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(manager->jump, 1);
}

// Warnings (for example a missing end marker) are not shown; the picture still loads.
extern "C" void ignoreMessage(j_common_ptr) {}

// A progressive file may carry any number of scans, each a full pass over the picture.
extern "C" void limitScans(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (dinfo->input_scan_number > kMaxJpegScans) {
        cinfo->err->msg_code = JERR_BAD_PROGRESSION;
        cinfo->err->error_exit(cinfo);
    }
}

// Where the decoded picture goes; lives outside the jump region.
struct Output {
    QImage image;
};

void cmykRowToRgb(const JSAMPLE* cmyk, QRgb* rgb, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        rgb[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
    }
}

// Returns 0 on success, else libjpeg's message code. Never throws.
int decodeInto(const unsigned char* data, unsigned long size, Output& out) {
    jpeg_decompress_struct cinfo;
    ErrorManager errors;
    ProgressMonitor progress;
    std::memset(&cinfo, 0, sizeof cinfo);  // jpeg_destroy_decompress is safe on it from here on
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpOnError;
    errors.base.output_message = ignoreMessage;

    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return errors.base.msg_code != 0 ? errors.base.msg_code : JERR_UNKNOWN_MARKER;
    }

    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxJpegWorkMemory;
    std::memset(&progress, 0, sizeof progress);
    progress.base.progress_monitor = limitScans;
    cinfo.progress = &progress.base;
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);

    if (!sizeWithinLimits(cinfo.image_width, cinfo.image_height)) {
        errors.base.msg_code = JERR_IMAGE_TOO_BIG;
        errors.base.error_exit(reinterpret_cast<j_common_ptr>(&cinfo));
    }

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    // Photoshop writes CMYK inverted and marks it with an Adobe segment.
    const bool inverted = cmyk && cinfo.saw_Adobe_marker;
    if (cmyk) {
        cinfo.out_color_space = JCS_CMYK;
    } else {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        cinfo.out_color_space = JCS_EXT_BGRX;  // the byte order of QImage::Format_RGB32 here
#else
        cinfo.out_color_space = JCS_EXT_XRGB;
#endif
    }
    jpeg_start_decompress(&cinfo);

    out.image = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
    if (out.image.isNull()) {
        errors.base.msg_code = JERR_OUT_OF_MEMORY;
        errors.base.error_exit(reinterpret_cast<j_common_ptr>(&cinfo));
    }
    JSAMPARRAY cmykRow = nullptr;
    if (cmyk)
        cmykRow =
            cinfo.mem->alloc_sarray(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, cinfo.output_width * 4, 1);
    while (cinfo.output_scanline < cinfo.output_height) {
        auto* line = reinterpret_cast<QRgb*>(out.image.scanLine(int(cinfo.output_scanline)));
        if (cmyk) {
            jpeg_read_scanlines(&cinfo, cmykRow, 1);
            cmykRowToRgb(cmykRow[0], line, cinfo.output_width, inverted);
        } else {
            JSAMPROW row = reinterpret_cast<JSAMPROW>(line);
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return 0;
}

}  // namespace

std::vector<Frame> decodeJpeg(const QByteArray& bytes) {
    Output out;
    const int code = decodeInto(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                static_cast<unsigned long>(bytes.size()), out);
    if (code != 0) {
        char message[32];
        std::snprintf(message, sizeof message, "JPEG error #%d", code);
        throw platform::Error(message);
    }
    return {Frame{out.image, 0}};
}

}  // namespace picture::detail
