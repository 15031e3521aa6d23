// Saves and opens a full theme (25 pictures of realistic sizes and a 1 MiB ringtone) with
// `skarvel-cli theme save/open`, and in the same run packs and unpacks the same files with
// Info-ZIP `zip -q -7` and `unzip -qo`; checks the package with `skarvel-cli theme check` and
// makes its thumbnail with `skarvel-cli thumbnail`, each against its own Open; prints the best
// times and the ratios.
//
//   theme_save_open_bench [--rounds N]
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QBuffer>
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/tempfile.h"
#include "theme/fields.h"

namespace {

constexpr std::size_t kRingtoneSize = 1024 * 1024;

// Runs a program with its output discarded; returns the wall time in seconds, or -1 on failure
// (an exit code other than 0 and `alsoFine`).
double timed(const std::vector<std::string>& argv, int alsoFine = 0) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        ::execvp(args[0], args.data());
        std::_Exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const bool fine = WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == alsoFine);
    return fine ? seconds : -1;
}

// A photo-like picture: gradients, shapes and noise, so that it compresses like a real one.
QImage photoLike(int width, int height, std::mt19937& gen) {
    QImage image(width, height, QImage::Format_RGB32);
    std::uniform_int_distribution<int> any(0, 255), noise(-12, 12);
    const QColor a(any(gen), any(gen), any(gen)), b(any(gen), any(gen), any(gen));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double t = (x + y) / double(width + height);
            const auto mix = [&](int p, int q) { return std::clamp(int(p + (q - p) * t) + noise(gen), 0, 255); };
            image.setPixel(x, y, qRgb(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue())));
        }
    QPainter painter(&image);
    for (int i = 0; i < 6; ++i) {
        painter.setBrush(QColor(any(gen), any(gen), any(gen), 160));
        painter.drawEllipse(any(gen) % width, any(gen) % height, width / 3, height / 3);
    }
    return image;
}

struct Corpus {
    std::vector<std::string> options;  // skarvel-cli field options
    std::vector<std::string> files;    // the same files, for zip
};

Corpus makeCorpus(const std::string& folder) {
    std::mt19937 gen(7);
    Corpus corpus;
    const auto save = [&](const QImage& image, const std::string& name, const char* format, int quality) {
        const std::string path = folder + "/" + name;
        image.save(QString::fromStdString(path), format, quality);
        corpus.files.push_back(path);
        return path;
    };
    corpus.options = {"--wallpaper",   save(photoLike(208, 208, gen), "wallpaper.jpg", "JPEG", 90),
                      "--background",  save(photoLike(208, 208, gen), "background.jpg", "JPEG", 90),
                      "--screensaver", save(photoLike(208, 208, gen), "screensaver.jpg", "JPEG", 90)};
    for (const auto& row : theme::kIconTable) {
        const bool large = row.size == "large";
        const std::string name = std::string(row.itemId) + "_" + std::string(row.size) + ".png";
        const auto path = save(photoLike(large ? 132 : 62, large ? 124 : 62, gen), name, "PNG", -1);
        corpus.options.push_back("--icon");
        corpus.options.push_back(std::string(row.itemId) + ":" + std::string(row.size) + "=" + path);
    }
    std::string ringtone(kRingtoneSize, '\0');
    for (auto& c : ringtone) c = static_cast<char>(gen());
    const std::string ring = folder + "/ringtone.aac";
    std::ofstream(ring, std::ios::binary).write(ringtone.data(), static_cast<std::streamsize>(ringtone.size()));
    corpus.options.push_back("--ringtone");
    corpus.options.push_back(ring);
    corpus.files.push_back(ring);
    return corpus;
}

double best(const std::vector<double>& times) {
    double result = -1;
    for (double t : times)
        if (t >= 0 && (result < 0 || t < result)) result = t;
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 5;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[i + 1]));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);

    platform::TempFolder work("skarvel-theme-bench");
    const std::string source = work.path() + "/source";
    ::mkdir(source.c_str(), 0700);
    const Corpus corpus = makeCorpus(source);
    const std::string cli = SKARVEL_CLI;
    const std::string ours = work.path() + "/ours.nth", theirs = work.path() + "/theirs.zip";

    // The descriptor goes into zip's archive too, so both pack the same files.
    std::vector<std::string> composeArgs = {cli, "theme", "compose"};
    composeArgs.insert(composeArgs.end(), corpus.options.begin(), corpus.options.end());
    const std::string descriptor = source + "/theme_descriptor.xml";
    {
        std::string command;
        for (const auto& a : composeArgs) command += "'" + a + "' ";
        command += "> '" + descriptor + "'";
        if (std::system(command.c_str()) != 0) return 1;
    }

    ::mkdir((work.path() + "/o2").c_str(), 0700);
    ::mkdir((work.path() + "/o2/files").c_str(), 0700);
    std::vector<double> saveOurs, saveZip, openOurs, openUnzip, checkOurs, thumbnails;
    for (int round = 0; round < rounds; ++round) {
        std::remove(ours.c_str());
        std::remove(theirs.c_str());
        std::vector<std::string> save = {cli, "theme", "save", ours};
        save.insert(save.end(), corpus.options.begin(), corpus.options.end());
        std::vector<std::string> zip = {"zip", "-q", "-7", "-j", theirs};
        zip.insert(zip.end(), corpus.files.begin(), corpus.files.end());
        zip.push_back(descriptor);
        const std::vector<std::string> open = {cli, "theme", "open", "--yes", ours, work.path() + "/o1"};
        const std::vector<std::string> unzip = {"unzip", "-qo", theirs, "-d", work.path() + "/o2/files"};
        // The small icons (62 x 62) are taller than a grid cell: the check exits 3 with warnings.
        const std::vector<std::string> check = {cli, "theme", "check", ours};
        constexpr int kWarningsOnly = 3;
        const std::vector<std::string> thumbnail = {cli, "thumbnail", ours, work.path() + "/thumbnail.png"};
        // Alternate which tool goes first.
        if (round % 2 == 0) {
            saveOurs.push_back(timed(save));
            saveZip.push_back(timed(zip));
            openOurs.push_back(timed(open));
            openUnzip.push_back(timed(unzip));
            checkOurs.push_back(timed(check, kWarningsOnly));
            thumbnails.push_back(timed(thumbnail));
        } else {
            saveZip.push_back(timed(zip));
            saveOurs.push_back(timed(save));
            thumbnails.push_back(timed(thumbnail));  // of the package just saved
            openUnzip.push_back(timed(unzip));
            checkOurs.push_back(timed(check, kWarningsOnly));
            openOurs.push_back(timed(open));
        }
        std::printf("round %d: save %.4f s, zip %.4f s, open %.4f s, unzip %.4f s, check %.4f s, thumbnail %.4f s\n",
                    round + 1, saveOurs.back(), saveZip.back(), openOurs.back(), openUnzip.back(), checkOurs.back(),
                    thumbnails.back());
    }
    const double s = best(saveOurs), z = best(saveZip), o = best(openOurs), u = best(openUnzip), c = best(checkOurs),
                 t = best(thumbnails);
    if (s < 0 || z < 0 || o < 0 || u < 0 || c < 0 || t < 0) {
        std::printf("a tool failed\n");
        return 1;
    }
    std::printf("best: skarvel-cli theme save %.4f s, zip -q -7 %.4f s, ratio %.2f (target <= 1.1)\n", s, z, s / z);
    std::printf("best: skarvel-cli theme open %.4f s, unzip -qo %.4f s, ratio %.2f (target <= 3)\n", o, u, o / u);
    std::printf("best: skarvel-cli theme check %.4f s, theme open --yes %.4f s, ratio %.2f (target <= 1.2)\n", c, o,
                c / o);
    std::printf("best: skarvel-cli thumbnail %.4f s, theme open %.4f s, ratio %.2f (target <= 1)\n", t, o, t / o);
    return 0;
}
