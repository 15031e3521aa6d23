// skarvel-cli thumbnail PACKAGE OUT.png [--size N]: the package's idle screen (the background
// view when it has no wallpaper) painted by the screen renderer and scaled to fit N pixels.
// Below the screen's own size its texts would be a few pixels tall and unreadable, so smaller
// thumbnails show the pictures alone: no QGuiApplication, no platform plugin and no fonts, which
// would cost more than the rest of the command together.
//
// File managers run this unattended on every downloaded package, so it is fenced in: it works
// under an address-space limit and unpacks into a private temporary folder, and a small forked
// janitor process keeps the clock. At the deadline the janitor raises SIGALRM, which ends this
// process with exit code 1 (taking a half-written OUT with it), and SIGKILL shortly after should
// that not do; whenever this process ends, however it ends, the janitor removes the folder.
#include <CLI/CLI.hpp>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
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
// The whole command ends within two seconds: SIGALRM at the deadline, SIGKILL a little later.
constexpr std::chrono::milliseconds kDeadline{1800};
constexpr std::chrono::milliseconds kKillDelay{120};
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

// What the SIGALRM handler needs: OUT's path while OUT is being written, else empty.
char outputBeingWritten[4096];

// ---------------------------------------------------------------- unpacking and painting

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
    const bool withTexts = options.size >= theme::kScreenSize;
    std::jthread fonts;
    if (withTexts) {
        // Reading the system's fonts takes about as long as unpacking and decoding: both at once.
        ensureOffscreenGuiApplication();
        fonts = std::jthread([] { screen::textFont(theme::kScreenLabels[0].pixelSize); });
    }
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

    const auto shown = [&](int tag) { return tag == plan.layer1 && layer ? &*layer : nullptr; };
    const QImage screen = withTexts ? screen::renderScreen(plan, shown) : screen::renderScreenPictures(plan, shown);
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
}

// ---------------------------------------------------------------- the clock and the clean-up

void onDeadline(int) {
    static const char message[] = "skarvel-cli: thumbnail: the package took too long to render\n";
    if (outputBeingWritten[0] != '\0') ::unlink(outputBeingWritten);
    [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, message, sizeof message - 1);
    ::_exit(1);
}

// The janitor: waits for `lifeline` to close (the worker ending, in any way) or for the
// deadline, and removes `folder`; it outlives the worker by design and ends on its own.
[[noreturn]] void runJanitor(int lifeline, pid_t worker, const std::string& folder,
                             std::chrono::steady_clock::time_point deadline) {
    const auto waitForEnd = [lifeline](std::chrono::steady_clock::time_point until) {
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
            pollfd closed{lifeline, POLLIN, 0};
            const int polled = ::poll(&closed, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
            if (polled > 0) return true;  // only ever closed, never written
            if (polled == 0 || errno != EINTR) return false;
        }
    };
    if (!waitForEnd(deadline)) {
        ::kill(worker, SIGALRM);
        if (!waitForEnd(deadline + kKillDelay)) ::kill(worker, SIGKILL);
        waitForEnd(deadline + 10 * kKillDelay);
    }
    platform::removeTree(folder);
    std::_Exit(0);
}

// Starts the janitor for `folder`. This process's end of the lifeline stays open until it ends.
void startJanitor(const std::string& folder, std::chrono::steady_clock::time_point deadline) {
    int lifeline[2];
    if (::pipe2(lifeline, O_CLOEXEC) != 0) fail("Cannot create a pipe");
    const pid_t worker = ::getpid();
    std::cout.flush();
    const pid_t janitor = ::fork();
    if (janitor < 0) fail("Cannot start the thumbnail's janitor");
    if (janitor == 0) {
        ::close(lifeline[1]);
        runJanitor(lifeline[0], worker, folder, deadline);
    }
    ::close(lifeline[0]);
}

void writeOutput(const std::string& path, const QByteArray& png) {
    // Blocking on OUT (a pipe, say) is met by the deadline, which removes what was begun.
    if (path.size() < sizeof outputBeingWritten) path.copy(outputBeingWritten, path.size());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        outputBeingWritten[0] = '\0';
        fail("Cannot create file " + path);
    }
    const bool written = writeAll(fd, png.constData(), static_cast<size_t>(png.size()));
    if (::close(fd) != 0 || !written) {
        ::unlink(path.c_str());
        fail("Cannot write file " + path);
    }
    // Finished: the deadline no longer touches OUT nor turns the run into a failure.
    ::signal(SIGALRM, SIG_IGN);
    outputBeingWritten[0] = '\0';
}

// Removing files just written to a disk file system waits for the disk, here longer than the rest
// of the command together; unless TMPDIR names a place, the private folder goes to shared memory.
void preferSharedMemory() {
    const char* chosen = std::getenv("TMPDIR");
    if ((!chosen || !*chosen) && ::access("/dev/shm", W_OK | X_OK) == 0) ::setenv("TMPDIR", "/dev/shm", 1);
}

void runThumbnail(const ThumbnailOptions& options) {
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    ::signal(SIGALRM, onDeadline);
    preferSharedMemory();
    // Mode 0700; removed here on every ordinary way out, by the janitor on the others.
    const platform::TempFolder work("skarvel-thumbnail");
    startJanitor(work.path(), deadline);
    limitResources();
    // Whatever Qt or fontconfig would write for this process goes into the private folder.
    ::setenv("XDG_RUNTIME_DIR", work.path().c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (work.path() + "/cache").c_str(), 1);
    writeOutput(options.output, thumbnailPng(options, work.path()));
}

}  // namespace

void registerThumbnail(CLI::App& app) {
    auto options = std::make_shared<ThumbnailOptions>();
    auto* command = app.add_subcommand("thumbnail", "Write the idle screen of a theme package as a PNG thumbnail");
    command->add_option("PACKAGE", options->package, "theme package")->required();
    command->add_option("OUT", options->output, "the PNG file to write")->required();
    command
        ->add_option("--size", options->size,
                     "fit the thumbnail into N x N pixels (default 128); the screen's texts from 208 up")
        ->check(CLI::Range(1, kMaxSize));
    command->footer(
        "Exit codes: 0 written; 1 failure (a damaged or hostile package, or past the time or memory "
        "limit: nothing is written); 2 usage error.");
    command->callback([options] { runThumbnail(*options); });
}

}  // namespace cli
