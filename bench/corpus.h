#pragma once
// The archive benchmarks' shared corpus: text-like, random and picture-like files, always the same
// bytes, so that the writer and the reader benchmarks measure one and the same data.
#include <algorithm>
#include <cstddef>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace bench {

constexpr std::size_t kCorpusMiB = 1024 * 1024;

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string textLike(std::size_t size, std::mt19937& gen) {
    static const char* words[] = {"theme",  "icon",    "wallpaper", "colour", "menu",       "screen",  "phone",
                                  "tone",   "the",     "of",        "and",    "a",          "to",      "in",
                                  "<item>", "</item>", "name=\"",   "value",  "descriptor", "ringtone"};
    std::string out;
    out.reserve(size);
    while (out.size() < size) {
        out += words[gen() % 20];
        out += (gen() % 12 == 0) ? '\n' : ' ';
    }
    out.resize(size);
    return out;
}

inline std::string randomBytes(std::size_t size, std::mt19937& gen) {
    std::string out(size, '\0');
    for (auto& c : out) c = static_cast<char>(gen() & 0xFF);
    return out;
}

// An uncompressed 24-bit picture: smooth gradients with a little sensor noise.
inline std::string pictureLike(std::size_t size, std::mt19937& gen) {
    const std::size_t width = 1024;
    std::string out(size, '\0');
    for (std::size_t i = 0; i + 3 <= size; i += 3) {
        const std::size_t pixel = i / 3, x = pixel % width, y = pixel / width;
        const int noise = int(gen() % 5) - 2;
        out[i] = static_cast<char>(std::clamp(int((x * 255) / width) + noise, 0, 255));
        out[i + 1] = static_cast<char>(std::clamp(int((y * 7) % 256) + noise, 0, 255));
        out[i + 2] = static_cast<char>(std::clamp(int(((x + y) / 4) % 256) + noise, 0, 255));
    }
    return out;
}

inline std::vector<std::string> makeCorpus(const std::string& folder) {
    std::mt19937 gen(20260101);
    std::vector<std::string> files;
    auto add = [&](const std::string& name, const std::string& bytes) {
        const std::string path = folder + "/" + name;
        writeFile(path, bytes);
        files.push_back(path);
    };
    for (int i = 0; i < 8; ++i) add("text_" + std::to_string(i) + ".txt", textLike(3 * kCorpusMiB, gen));
    for (int i = 0; i < 4; ++i) add("random_" + std::to_string(i) + ".bin", randomBytes(4 * kCorpusMiB, gen));
    add("picture_big.bmp", pictureLike(16 * kCorpusMiB, gen));
    for (int i = 0; i < 4; ++i) add("picture_" + std::to_string(i) + ".bmp", pictureLike(2 * kCorpusMiB, gen));
    for (int i = 0; i < 100; ++i) add("small_" + std::to_string(i) + ".xml", textLike(20000 + i * 97, gen));
    return files;
}

}  // namespace bench
