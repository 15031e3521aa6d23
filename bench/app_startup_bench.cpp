// Start-up and preview speed of the editor window:
//  - the whole process as a user sees it, on a virtual X display (Xvfb): from starting the
//    editor until its window is mapped, asked to close and the process gone, alternated with
//    app_startup_peer, a Qt Widgets program with an empty window of the editor's size and a
//    two-item menu bar; target: within 1.25 times the peer;
//  - in one process, offscreen: creating TfmMain (with New theme) until its first paint, against
//    an empty QMainWindow of the same size (for where the time goes; no target);
//  - one UpdatePreview per preview mode with all 25 elements filled; target: under 2 ms each.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QImage>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "theme/elements.h"
#include "app/mainwindow.h"
#include "app/preview_export.h"

namespace {

constexpr int kStartupRuns = 15;
constexpr int kPreviewRuns = 200;
constexpr int kModes[] = {201, 202, 203, 210, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

// Notes the first paint of a window's contents.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

struct StartupTime {
    double created = 0;  // ms until the constructor returned
    double painted = 0;  // ms until the first paint
};

// Milliseconds from creating a window to its first paint.
StartupTime timeToFirstPaint(const std::function<QMainWindow*()>& create) {
    QElapsedTimer timer;
    timer.start();
    QMainWindow* window = create();
    const double created = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    PaintWatch watch;
    window->installEventFilter(&watch);
    if (window->centralWidget()) window->centralWidget()->installEventFilter(&watch);
    window->show();
    while (!watch.painted && timer.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double painted = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    delete window;
    QCoreApplication::processEvents();
    return {created, painted};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QImage gradient(int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient fill(0, 0, width, height);
    fill.setColorAt(0, QColor::fromHsv(seed * 23 % 360, 200, 220));
    fill.setColorAt(1, QColor::fromHsv(seed * 41 % 360, 180, 90));
    painter.fillRect(image.rect(), fill);
    return image;
}

// Realistic element files: JPEG screens, PNG large icons, a mix of BMP, GIF-free PNG small icons.
void fillTheme(TfmMain& window, const QTemporaryDir& folder) {
    int seed = 0;
    for (int tag : theme::kElementTags) {
        ++seed;
        QString name;
        QImage image;
        if (tag >= 201) {
            image = gradient(208, 208, seed);
            name = QStringLiteral("e%1.jpg").arg(tag);
        } else if (tag <= theme::kMenuItemCount) {
            image = gradient(132, 124, seed);
            name = QStringLiteral("e%1.png").arg(tag);
        } else {
            image = gradient(62, 62, seed);
            name = QStringLiteral("e%1.%2").arg(tag).arg(tag % 2 ? "bmp" : "png");
        }
        const QString path = folder.filePath(name);
        image.save(path, nullptr, 90);
        loadElement(window, tag, path);
    }
}

QMainWindow* emptyWindow() {
    auto* window = new QMainWindow;
    window->setCentralWidget(new QWidget);
    window->resize(832, 653);
    return window;
}

// The empty window with nothing but a menu bar like the editor's: what any window with that
// menu costs before its first control.
QMainWindow* menuOnlyWindow() {
    QMainWindow* window = emptyWindow();
    auto* bar = new QMenuBar(window);
    window->setMenuBar(bar);
    QMenu* file = bar->addMenu(QStringLiteral("Файл"));
    for (const char* item : {"Новая", "Открыть", "Сохранить"}) file->addAction(QString::fromUtf8(item));
    file->addSeparator();
    file->addAction(QStringLiteral("Выход"));
    bar->addAction(QStringLiteral("About"));
    return window;
}

// ---------------------------------------------------------------- whole process on Xvfb

constexpr int kProcessRounds = 21;
constexpr int kEventTimeoutMs = 20000;

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

pid_t spawn(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
            const posix_spawn_file_actions_t* actions = nullptr) {
    std::vector<char*> argv, envp;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    for (const std::string& variable : environment) envp.push_back(const_cast<char*>(variable.c_str()));
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], actions, nullptr, argv.data(), envp.data()) != 0) return -1;
    return pid;
}

// An Xvfb server on the first free display, stopped with the object.
class VirtualDisplay {
public:
    VirtualDisplay() {
        int channel[2];
        if (pipe(channel) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, channel[1], 3);
        std::vector<std::string> environment;
        for (char** variable = environ; *variable; ++variable) environment.emplace_back(*variable);
        pid_ = spawn({"Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"}, environment,
                     &actions);
        posix_spawn_file_actions_destroy(&actions);
        close(channel[1]);
        char number[32] = {};
        size_t length = 0;
        pollfd ready{channel[0], POLLIN, 0};
        while (length < sizeof number - 1 && poll(&ready, 1, kEventTimeoutMs) > 0) {
            const ssize_t got = read(channel[0], number + length, 1);
            if (got <= 0 || number[length] == '\n') break;
            ++length;
        }
        close(channel[0]);
        if (length > 0) name_ = ":" + std::string(number, length);
    }
    ~VirtualDisplay() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    const std::string& name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
};

// Watches the display for top-level windows being mapped and asks them to close, as a window
// manager's close box does (WM_DELETE_WINDOW).
class DisplayWatch {
public:
    explicit DisplayWatch(const std::string& display) {
        connection_ = xcb_connect(display.c_str(), nullptr);
        if (xcb_connection_has_error(connection_)) return;
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        protocols_ = atom("WM_PROTOCOLS");
        deleteWindow_ = atom("WM_DELETE_WINDOW");
        ok_ = true;
    }
    ~DisplayWatch() { xcb_disconnect(connection_); }
    bool ok() const { return ok_; }

    // The next top-level window mapped; 0 on time-out.
    xcb_window_t waitForMap() {
        pollfd ready{xcb_get_file_descriptor(connection_), POLLIN, 0};
        for (;;) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                xcb_window_t mapped = 0;
                if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                    const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
                    if (!map->override_redirect) mapped = map->window;
                }
                std::free(event);
                if (mapped) return mapped;
            }
            if (poll(&ready, 1, kEventTimeoutMs) <= 0) return 0;
        }
    }

    void askToClose(xcb_window_t window) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = protocols_;
        message.data.data32[0] = deleteWindow_;
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
        xcb_flush(connection_);
    }

    void discardEvents() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) std::free(event);
    }

private:
    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t result = reply ? reply->atom : 0;
        std::free(reply);
        return result;
    }

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_atom_t protocols_ = 0, deleteWindow_ = 0;
    bool ok_ = false;
};

// Milliseconds from starting `program` until its window is mapped, asked to close, and the
// process has ended; negative when it failed.
struct ProcessTime {
    double wall = -1;  // ms; negative when the run failed
    double cpu = 0;    // ms of user and system time
};

ProcessTime wholeProcessTime(DisplayWatch& watch, const std::string& program,
                             const std::vector<std::string>& environment) {
    watch.discardEvents();
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = spawn({program}, environment, &quiet);
    posix_spawn_file_actions_destroy(&quiet);
    if (pid <= 0) {
        std::fprintf(stderr, "%s: cannot start\n", program.c_str());
        return {};
    }
    const xcb_window_t window = watch.waitForMap();
    if (window)
        watch.askToClose(window);
    else
        kill(pid, SIGKILL);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    ProcessTime result;
    if (window && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        result.wall = millisecondsSince(start);
    else if (!window)
        std::fprintf(stderr, "%s: no window was mapped\n", program.c_str());
    else
        std::fprintf(stderr, "%s: ended with status %d\n", program.c_str(), status);
    auto ms = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_usec) / 1e3;
    };
    result.cpu = ms(usage.ru_utime) + ms(usage.ru_stime);
    return result;
}

// The editor and the peer, alternating which goes first; returns false when a run failed.
bool measureWholeProcess(int rounds, const std::string& editorProgram) {
    VirtualDisplay display;
    if (display.name().empty()) {
        std::printf("whole process: Xvfb did not start; skipped\n");
        return false;
    }
    DisplayWatch watch(display.name());
    if (!watch.ok()) return false;
    std::vector<std::string> environment;
    for (char** variable = environ; *variable; ++variable) {
        const std::string text = *variable;
        if (text.rfind("DISPLAY=", 0) != 0 && text.rfind("QT_", 0) != 0) environment.push_back(text);
    }
    environment.push_back("DISPLAY=" + display.name());
    environment.push_back("QT_QPA_PLATFORM=xcb");
    // New theme writes its temporary file into the current folder.
    QTemporaryDir folder;
    const std::string previous = QDir::currentPath().toStdString();
    QDir::setCurrent(folder.path());

    std::vector<double> editor, peer, editorCpu, peerCpu;
    bool ok = true;
    for (int round = 0; round <= rounds && ok; ++round) {  // round 0 warms the caches up
        const bool editorFirst = round % 2 == 0;
        ProcessTime times[2];
        for (int turn = 0; turn < 2; ++turn) {
            const bool isEditor = (turn == 0) == editorFirst;
            times[isEditor ? 0 : 1] = wholeProcessTime(watch, isEditor ? editorProgram : STARTUP_PEER, environment);
        }
        ok = times[0].wall > 0 && times[1].wall > 0;
        if (round == 0 || !ok) continue;
        editor.push_back(times[0].wall);
        peer.push_back(times[1].wall);
        editorCpu.push_back(times[0].cpu);
        peerCpu.push_back(times[1].cpu);
    }
    QDir::setCurrent(QString::fromStdString(previous));
    if (!ok) {
        std::printf("whole process: a run failed\n");
        return false;
    }
    const double editorMs = median(editor), peerMs = median(peer);
    std::printf("whole process on Xvfb, start until mapped, closed and gone (median of %d, alternating)\n", rounds);
    auto best = [](const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); };
    std::printf("  app_startup_peer (empty window, menu bar)  %7.1f ms  best %5.1f  CPU %5.1f\n", peerMs, best(peer),
                median(peerCpu));
    std::printf("  skarvel (with New theme)                   %7.1f ms  best %5.1f  CPU %5.1f\n", editorMs,
                best(editor), median(editorCpu));
    std::printf("  ratio %.3f (target <= 1.25); best %.3f; CPU %.3f\n", editorMs / peerMs, best(editor) / best(peer),
                median(editorCpu) / median(peerCpu));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = kProcessRounds;
    bool processOnly = false;
    std::string editor = SKARVEL_EDITOR;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
        if (std::strcmp(argv[i], "--editor") == 0 && i + 1 < argc)
            editor = QFileInfo(argv[++i]).absoluteFilePath().toStdString();
        if (std::strcmp(argv[i], "--process-only") == 0) processOnly = true;
    }
    measureWholeProcess(rounds, editor);  // QTemporaryDir and QDir need no application object
    if (processOnly) return 0;

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    // Warm-up: fonts, styles and plugins load once per process.
    timeToFirstPaint([] { return new TfmMain; });

    std::vector<double> floor, menuOnly, startup, construction;
    for (int run = 0; run < kStartupRuns; ++run) {
        floor.push_back(timeToFirstPaint(emptyWindow).painted);
        menuOnly.push_back(timeToFirstPaint(menuOnlyWindow).painted);
        const StartupTime editor = timeToFirstPaint([] { return new TfmMain; });
        startup.push_back(editor.painted);
        construction.push_back(editor.created);
    }
    const double floorMs = median(floor), startupMs = median(startup);
    std::printf("in one process, offscreen: creation to first paint (median of %d)\n", kStartupRuns);
    std::printf("  empty QMainWindow (floor)  %8.2f ms\n", floorMs);
    std::printf("  the same with the menu bar %8.2f ms   ratio %.2f (reference)\n", median(menuOnly),
                median(menuOnly) / floorMs);
    std::printf("  TfmMain with New theme     %8.2f ms   ratio %.2f\n", startupMs, startupMs / floorMs);
    std::printf("    of which construction    %8.2f ms\n", median(construction));

    QTemporaryDir folder;
    TfmMain window;
    fillTheme(window, folder);
    std::printf("UpdatePreview per mode (mean of %d, all 25 elements filled; target < 2 ms)\n", kPreviewRuns);
    double worst = 0;
    for (int mode : kModes) {
        window.previewButton(mode)->click();
        QElapsedTimer timer;
        timer.start();
        for (int run = 0; run < kPreviewRuns; ++run) window.UpdatePreview();
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6 / kPreviewRuns;
        worst = std::max(worst, ms);
        std::printf("  mode %3d  %8.4f ms\n", mode, ms);
    }
    std::printf("  slowest   %8.4f ms\n", worst);
    return 0;
}
