#pragma once
// How zlib's inflate failures become the archive messages: one table from zlib's return code and
// message to our message number.
#include <span>

namespace zip {

struct ZlibErrorRow {
    int code;             // zlib's return code
    const char* message;  // zlib's message for it; nullptr: whatever the message
    int number;           // our message number
};

// The rows, most specific first. A failure no row names is a bad block (kMsgBadBlock).
std::span<const ZlibErrorRow> zlibErrorTable();

// The message number for an inflate result other than Z_OK, Z_BUF_ERROR and Z_STREAM_END.
int messageForZlibError(int code, const char* message);

}  // namespace zip
