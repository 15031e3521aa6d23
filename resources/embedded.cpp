#include "resources/embedded.h"

#include "resources/table.h"

namespace resources {
namespace {

std::string_view embeddedFile(std::string_view name) {
    for (std::size_t i = 0; i < detail::kEmbeddedFileCount; ++i) {
        const detail::EmbeddedFile& file = detail::kEmbeddedFiles[i];
        if (name == file.name) return {reinterpret_cast<const char*>(file.data), file.size};
    }
    return {};
}

}  // namespace

std::string_view defaultScreensaver() { return embeddedFile("default_ss.jpg"); }

std::string_view defaultRingtone() { return embeddedFile("default_ring.aac"); }

std::string_view windowPicture(std::string_view name) { return embeddedFile(name); }

}  // namespace resources
