// skarvel-cli thumbnail PACKAGE OUT.png [--size N]: the package's idle screen (the background
// view when it has no wallpaper) painted by the screen renderer and scaled to fit N pixels.
//
// File managers run this unattended on every downloaded package, so it is fenced in: a child
// process does the work under an address-space limit, unpacking into a private temporary folder;
// this process watches the clock, kills the child when it overruns, removes the folder whatever
// happened and is the only one to write OUT, once the child has handed over a finished PNG.
#include <CLI/CLI.hpp>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "cli/common.h"
#include "cli/offscreen.h"
#include "picture/picture.h"
#include "picture/png_writer.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/tempfile.h"
#include "screen/renderer.h"
#include "theme/fields.h"
#include "theme/open.h"
#include "theme/screen_plan.h"
#include "zip/unzip.h"

#if defined(__SANITIZE_ADDRESS__)
#define SKARVEL_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SKARVEL_UNDER_ASAN 1
#endif
#endif

namespace cli {

namespace {

constexpr int kDefaultSize = 128;
constexpr int kMaxSize = 2048;
// The whole command ends within two seconds; the child gets what is left after start-up and
// before clean-up.
constexpr std::chrono::milliseconds kChildTimeLimit{1800};
constexpr rlim_t kAddressSpaceLimit = 1024UL * 1024 * 1024;
// Members past this size make the package no theme worth a thumbnail; the reader never writes
// more than a member declares, so the sum bounds what lands in the temporary folder.
constexpr std::uint64_t kMaxUnpackedBytes = 256ULL * 1024 * 1024;
constexpr rlim_t kMaxFileBytes = static_cast<rlim_t>(picture::kMaxPictureFileBytes) + 1;

struct ThumbnailOptions {
    std::string package;
    std::string output;
    int size = kDefaultSize;
};

volatile sig_atomic_t stopRequested = 0;

// ---------------------------------------------------------------- the child: unpack and paint

void refuseOversizedPackage(const std::string& package) {
    zip::TUnZIP reader;
    reader.FileSpec = {"*.*"};
    reader.SetArchiveFile(package);
    std::uint64_t total = 0;
    for (const zip::TMemberRecord& member : reader.ListMembers()) total += member.UncompressedSize;
    if (total > kMaxUnpackedBytes) throw platform::Error("The package unpacks to more than 256 MiB: " + package);
}

// The unpacked file a descriptor path names, when it is a regular file directly inside the
// unpack folder; throws otherwise (a descriptor may name anything).
std::string unpackedFile(const std::string& path, const std::string& unpackFolder) {
    const std::string name = path.substr(std::min(path.size(), unpackFolder.size()));
    struct stat info {};
    const bool inside = path.compare(0, unpackFolder.size(), unpackFolder) == 0 && !name.empty() &&
                        name.find('/') == std::string::npos && name != "." && name != "..";
    if (!inside || ::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        throw platform::Error("The descriptor names no file of the package: " + name);
    return path;
}

QByteArray thumbnailPng(const ThumbnailOptions& options, const std::string& folder) {
    // Reading the system's fonts takes about as long as unpacking and decoding: both at once.
    ensureOffscreenGuiApplication();
    const std::jthread fonts([] { screen::textFont(theme::kScreenLabels[0].pixelSize); });
    refuseOversizedPackage(options.package);
    // Paths only: the descriptor's pictures are not decoded, save the one the screen shows.
    theme::ThemeFields paths([](const std::string&) { return std::string(); });
    theme::OpenWorkflow open;
    open.confirmEmptying = [](const std::string&) { return true; };
    open.run(options.package, folder, paths);
    if (!open.problems().empty()) throw platform::Error(theme::damagedMessage(options.package, open.problems()));

    const bool hasWallpaper = !paths.path(theme::kTagWallpaper).empty();
    const int mode = hasWallpaper ? theme::kModeIdle : theme::kModeBackground;
    const theme::ScreenPlan plan = theme::planScreen(mode);
    std::optional<picture::Picture> layer;
    if (!paths.path(plan.layer1).empty())
        layer = picture::loadPicture(unpackedFile(paths.path(plan.layer1), open.unpackFolder()));

    const QImage screen = screen::renderScreen(
        plan, [&](int tag) { return tag == plan.layer1 && layer ? &*layer : nullptr; });
    const QByteArray png =
        picture::encodePng(screen.scaled(options.size, options.size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    if (png.isEmpty()) throw platform::Error("Cannot encode the thumbnail");
    return png;
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

void limitResources() {
    // A hostile picture or archive meets these before it meets the machine. AddressSanitizer
    // reserves terabytes of shadow memory, so its builds go without the address-space limit.
#ifndef SKARVEL_UNDER_ASAN
    const rlimit addressSpace{kAddressSpaceLimit, kAddressSpaceLimit};
    ::setrlimit(RLIMIT_AS, &addressSpace);
#endif
    const rlimit fileSize{kMaxFileBytes, kMaxFileBytes};
    ::setrlimit(RLIMIT_FSIZE, &fileSize);
    ::signal(SIGXFSZ, SIG_IGN);  // an oversized write fails instead of killing
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
}

[[noreturn]] void runChild(const ThumbnailOptions& options, const std::string& folder, int pipe) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::signal(signal, SIG_DFL);
    limitResources();
    // Whatever Qt or fontconfig would write for this process goes into the private folder.
    ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (folder + "/cache").c_str(), 1);
    int code = 1;
    try {
        // The PNG's length first, so that the parent can tell a whole PNG from a cut one.
        const QByteArray png = thumbnailPng(options, folder);
        const std::uint64_t length = static_cast<std::uint64_t>(png.size());
        if (writeAll(pipe, reinterpret_cast<const char*>(&length), sizeof length) &&
            writeAll(pipe, png.constData(), static_cast<size_t>(png.size())))
            code = 0;
    } catch (const std::exception& e) {
        std::cerr << "skarvel-cli: " << e.what() << std::endl;
    } catch (...) {
        std::cerr << "skarvel-cli: unknown error" << std::endl;
    }
    // Closing the pipe hands the result over before this process's long teardown. No
    // destructors and no exit handlers run: the parent owns the folder and OUT.
    ::close(pipe);
    std::_Exit(code);
}

// ---------------------------------------------------------------- the parent: watch and write

// Reads the child's PNG until the pipe closes; false when the deadline or a stop signal came first.
bool readUntilClosed(int pipe, std::chrono::steady_clock::time_point deadline, std::string& bytes) {
    char block[65536];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || stopRequested) return false;
        pollfd ready{pipe, POLLIN, 0};
        const int polled = ::poll(&ready, 1, static_cast<int>(left.count()));
        if (polled < 0 && errno == EINTR) continue;
        if (polled <= 0) return false;
        const ssize_t got = ::read(pipe, block, sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got == 0;
        bytes.append(block, static_cast<size_t>(got));
    }
}

void writeOutput(const std::string& path, std::string_view png) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) fail("Cannot create file " + path);
    const bool written = writeAll(fd, png.data(), png.size());
    if (::close(fd) != 0 || !written) {
        ::unlink(path.c_str());
        fail("Cannot write file " + path);
    }
}

void onStopSignal(int) { stopRequested = 1; }

void runThumbnail(const ThumbnailOptions& options) {
    const auto deadline = std::chrono::steady_clock::now() + kChildTimeLimit;
    struct sigaction stop {};
    stop.sa_handler = onStopSignal;  // no SA_RESTART: the wait below wakes up
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &stop, nullptr);

    const platform::TempFolder work("skarvel-thumbnail");  // mode 0700, removed on every way out
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) fail("Cannot create a pipe");
    std::cout.flush();
    const pid_t child = ::fork();
    if (child < 0) fail("Cannot start the renderer");
    if (child == 0) {
        ::close(pipe[0]);
        runChild(options, work.path(), pipe[1]);
    }
    ::close(pipe[1]);
    std::string message;
    const bool closed = readUntilClosed(pipe[0], deadline, message);
    ::close(pipe[0]);
    std::uint64_t length = 0;
    if (closed && message.size() > sizeof length) std::memcpy(&length, message.data(), sizeof length);
    if (length > 0 && length == message.size() - sizeof length) {
        // A whole PNG: the child only has its exit left, which need not be waited for.
        writeOutput(options.output, std::string_view(message).substr(sizeof length));
        return;
    }
    if (!closed) ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!closed) fail(stopRequested ? "thumbnail stopped" : "thumbnail: the package took too long to render");
    if (WIFSIGNALED(status)) fail("thumbnail: the renderer ended by signal " + std::to_string(WTERMSIG(status)));
    throw ExitCode{1};  // the child has said why it failed
}

}  // namespace

void registerThumbnail(CLI::App& app) {
    auto options = std::make_shared<ThumbnailOptions>();
    auto* command = app.add_subcommand("thumbnail", "Write the idle screen of a theme package as a PNG thumbnail");
    command->add_option("PACKAGE", options->package, "theme package")->required();
    command->add_option("OUT", options->output, "the PNG file to write")->required();
    command->add_option("--size", options->size, "fit the thumbnail into N x N pixels (default 128)")
        ->check(CLI::Range(1, kMaxSize));
    command->callback([options] { runThumbnail(*options); });
}

}  // namespace cli
