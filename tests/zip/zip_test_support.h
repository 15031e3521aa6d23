#pragma once
// Small helpers shared by the archive tests: files in temporary folders and running peers.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

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

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

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

struct CommandResult {
    int status = -1;
    std::string output;  // standard output and standard error together
};

// Runs a shell command and collects its output.
inline CommandResult runCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

inline bool haveTool(const std::string& name) { return runCommand("command -v " + name + " >/dev/null").status == 0; }

inline std::string quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

}  // namespace ziptest
