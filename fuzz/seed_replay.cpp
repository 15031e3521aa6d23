// A driver without libFuzzer: runs a fuzz target's entry point once on every file of the folders
// named on the command line, in name order. ctest builds each target with it in the ordinary
// (sanitizer) test build, so that the committed seeds are replayed on every test run.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

// The regular files directly inside `folder`, sorted; empty when the folder cannot be read.
std::vector<fs::path> seedFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file()) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string bytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SEED_FOLDER...\n", argv[0]);
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        const std::vector<fs::path> files = seedFiles(argv[i]);
        // A missing or empty folder would make the replay pass without testing anything.
        if (files.empty()) {
            std::fprintf(stderr, "%s: no seed files in %s\n", argv[0], argv[i]);
            return 1;
        }
        for (const fs::path& file : files) {
            const std::string bytes = bytesOf(file);
            std::printf("%s (%zu bytes)\n", file.filename().c_str(), bytes.size());
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        }
        std::printf("%zu seeds of %s replayed\n", files.size(), argv[i]);
    }
    return 0;
}
