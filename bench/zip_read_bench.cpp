// Extracts a 64 MiB archive with `skarvel-cli unzip` and with Info-ZIP `unzip -qo` in the same run,
// and prints the time ratio and each tool's peak memory (resident set, from wait4). The archive is
// written by `skarvel-cli zip --level 7` from a corpus made here (the writer benchmark's mix of
// text-like, random and picture-like files).
//
//   zip_read_bench [--rounds N]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/tempfile.h"

#include "bench/corpus.h"

namespace {

using bench::makeCorpus;

constexpr std::size_t kMiB = 1024 * 1024;

struct RunResult {
    double seconds = 0;
    double cpuSeconds = 0;
    long peakKiB = 0;
    int status = -1;
};

// A child inherits the peak resident set of the process that forks it, so wait4 here would report
// at least this program's own size. GNU time, a small process, forks the tool itself and reports
// the tool's true peak; without it the inflated wait4 figure is all there is.
const char* const kGnuTime = "/usr/bin/time";

RunResult runTool(std::vector<std::string> argv, const std::string& peakFile) {
    const bool timed = ::access(kGnuTime, X_OK) == 0;
    if (timed) argv.insert(argv.begin(), {kGnuTime, "-f", "%M", "-o", peakFile});
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::fflush(stdout);
    // posix_spawn (vfork-like) so that the child's peak memory does not start from a copy of ours.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    RunResult result;
    if (spawned != 0) return result;
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.peakKiB = usage.ru_maxrss;
    result.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (timed) std::ifstream(peakFile) >> result.peakKiB;
    return result;
}


void removeFolder(const std::string& path) { platform::removeTree(path); }

}  // namespace

int main(int argc, char** argv) {
    int rounds = 3;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
    }
    platform::TempFolder work("zipreadbench");
    const std::string corpus = work.path() + "/corpus";
    ::mkdir(corpus.c_str(), 0700);
    const std::vector<std::string> files = makeCorpus(corpus);
    const std::string archive = work.path() + "/corpus.nth";
    std::vector<std::string> zipArgs = {SKARVEL_CLI, "zip", "--level", "7", archive};
    zipArgs.insert(zipArgs.end(), files.begin(), files.end());
    if (runTool(zipArgs, work.path() + "/peak").status != 0) {
        std::fprintf(stderr, "skarvel-cli zip failed\n");
        return 1;
    }
    removeFolder(corpus);
    std::ifstream in(archive, std::ios::binary | std::ios::ate);
    std::printf("archive: %zu members, %.1f MiB\n", files.size(), double(in.tellg()) / kMiB);

    RunResult bestOurs, bestPeer;
    bestOurs.seconds = bestPeer.seconds = bestOurs.cpuSeconds = bestPeer.cpuSeconds = 1e9;
    const std::string oursDir = work.path() + "/ours", peerDir = work.path() + "/peer";
    const std::string peakFile = work.path() + "/peak";
    for (int round = 0; round < rounds; ++round) {
        removeFolder(oursDir);
        removeFolder(peerDir);
        const std::vector<std::string> oursArgs = {SKARVEL_CLI, "unzip", archive, oursDir};
        const std::vector<std::string> peerArgs = {"unzip", "-qo", archive, "-d", peerDir};
        // Alternate the order so that neither tool always finds a warm cache.
        RunResult a, b;
        if (round % 2 == 0) {
            a = runTool(oursArgs, peakFile);
            b = runTool(peerArgs, peakFile);
        } else {
            b = runTool(peerArgs, peakFile);
            a = runTool(oursArgs, peakFile);
        }
        if (a.status != 0 || b.status != 0) {
            std::fprintf(stderr, "a tool failed: skarvel-cli %d, unzip %d\n", a.status, b.status);
            return 1;
        }
        std::printf("round %d: skarvel-cli %.3f s (cpu %.3f s) %ld KiB, unzip %.3f s (cpu %.3f s) %ld KiB\n", round + 1,
                    a.seconds, a.cpuSeconds, a.peakKiB, b.seconds, b.cpuSeconds, b.peakKiB);
        bestOurs.seconds = std::min(bestOurs.seconds, a.seconds);
        bestPeer.seconds = std::min(bestPeer.seconds, b.seconds);
        bestOurs.cpuSeconds = std::min(bestOurs.cpuSeconds, a.cpuSeconds);
        bestPeer.cpuSeconds = std::min(bestPeer.cpuSeconds, b.cpuSeconds);
        bestOurs.peakKiB = std::max(bestOurs.peakKiB, a.peakKiB);
        bestPeer.peakKiB = std::max(bestPeer.peakKiB, b.peakKiB);
    }
    std::printf("best time: skarvel-cli %.3f s, unzip %.3f s\n", bestOurs.seconds, bestPeer.seconds);
    std::printf("time ratio skarvel-cli / unzip: %.3f wall, %.3f cpu (target <= 1.0)\n",
                bestOurs.seconds / bestPeer.seconds, bestOurs.cpuSeconds / bestPeer.cpuSeconds);
    std::printf("peak memory: skarvel-cli %.1f MiB (target < 16), unzip %.1f MiB\n", bestOurs.peakKiB / 1024.0,
                bestPeer.peakKiB / 1024.0);
    const RunResult idle = runTool({SKARVEL_CLI, "--version"}, peakFile);
    std::printf("skarvel-cli --version alone: %.1f MiB; the unzip run adds %.1f MiB\n", idle.peakKiB / 1024.0,
                (bestOurs.peakKiB - idle.peakKiB) / 1024.0);
    return 0;
}
