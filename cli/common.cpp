#include "cli/common.h"

#include <cstdio>
#include <iostream>

#include "platform/codepage.h"

namespace cli {

namespace {
std::vector<std::string>& storedCommandLine() {
    static std::vector<std::string> arguments;
    return arguments;
}
}  // namespace

const std::vector<std::string>& commandLine() { return storedCommandLine(); }

void setCommandLine(int argc, char** argv) { storedCommandLine().assign(argv + 1, argv + argc); }

void fail(const std::string& message, int code) {
    std::cerr << "skarvel-cli: " << message << '\n';
    throw ExitCode{code};
}

namespace {

// Length of the valid UTF-8 sequence starting at bytes[i], or 0 when there is none.
size_t utf8SequenceAt(std::string_view bytes, size_t i) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || i + length > bytes.size()) return 0;
    return platform::isValidUtf8(bytes.substr(i, length)) ? length : 0;
}

}  // namespace

std::string jsonString(std::string_view bytes) {
    std::string out = "\"";
    for (size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        char escape[8];
        if (c >= 0x80) {
            if (size_t length = utf8SequenceAt(bytes, i)) {
                out.append(bytes.substr(i, length));
                i += length;
                continue;
            }
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    out += '"';
    return out;
}

}  // namespace cli
