#pragma once
// Whole files read and written as bytes, for fixtures in temporary folders
// (platform::TempFolder makes the folders and removes them again).
#include <fstream>
#include <iterator>
#include <string>

namespace testsupport {

// The bytes of `path`; empty when it cannot be read.
inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Creates or truncates `path` and writes `bytes` into it.
inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace testsupport
