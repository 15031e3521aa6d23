#pragma once
// Small helpers shared by the archive tests: the shared test archives, generated contents, and
// (from tests/support) files in temporary folders and running peers.
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/process.h"

namespace ziptest {

// The shared folder of real legacy-method archives, read in place (never copied into the project):
// $SKARVEL_ZIPVECTORS, else ../shared/zipvectors beside the source tree.
// Empty when none exists; the tests that need it skip then.
inline std::filesystem::path zipVectorsFolder() {
    namespace fs = std::filesystem;
    std::vector<fs::path> candidates;
    if (const char* configured = std::getenv("SKARVEL_ZIPVECTORS")) candidates.emplace_back(configured);
    candidates.push_back(fs::path(SKARVEL_SOURCE_DIR) / ".." / "shared" / "zipvectors");
    for (const auto& candidate : candidates)
        if (fs::is_directory(candidate)) return candidate;
    return {};
}

using testsupport::readFile;
using testsupport::writeFile;

inline std::string randomBytes(std::size_t count, unsigned seed = 1) {
    std::mt19937 gen(seed);
    std::string out(count, '\0');
    for (auto& c : out) c = static_cast<char>(gen() & 0xFF);
    return out;
}

// Text-like bytes that compress well.
inline std::string textBytes(std::size_t count, unsigned seed = 2) {
    static const char* words[] = {"theme ", "icon ", "wallpaper ", "colour ", "menu ", "screen\n", "phone ", "tone "};
    std::mt19937 gen(seed);
    std::string out;
    while (out.size() < count) out += words[gen() % 8];
    out.resize(count);
    return out;
}

using testsupport::CommandResult;
using testsupport::haveTool;
using testsupport::quote;
using testsupport::runCommand;

}  // namespace ziptest
