#include "zip/decoders/inflate_errors.h"

#include <zlib.h>

#include <array>
#include <cstring>

#include "zip/component.h"

namespace zip {
namespace {

constexpr std::array<ZlibErrorRow, 7> kZlibErrors = {{
    {Z_DATA_ERROR, "invalid code lengths set", kMsgIncompleteCodeSet},
    {Z_DATA_ERROR, "invalid bit length repeat", kMsgIncompleteCodeSet},
    {Z_DATA_ERROR, "invalid literal/lengths set", kMsgIncompleteCodeSet},
    {Z_DATA_ERROR, "invalid distances set", kMsgIncompleteCodeSet},
    {Z_DATA_ERROR, "invalid stored block lengths", kMsgBadLengths},
    {Z_DATA_ERROR, "too many length or distance symbols", kMsgBadLengths},
    {Z_MEM_ERROR, nullptr, kMsgOutOfMemory},
}};

}  // namespace

std::span<const ZlibErrorRow> zlibErrorTable() { return kZlibErrors; }

int messageForZlibError(int code, const char* message) {
    for (const ZlibErrorRow& row : kZlibErrors) {
        if (row.code != code) continue;
        if (row.message == nullptr || (message != nullptr && std::strcmp(row.message, message) == 0)) return row.number;
    }
    return kMsgBadBlock;
}

}  // namespace zip
