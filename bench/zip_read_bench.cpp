// Extracts a 64 MiB archive with `skarvel-cli unzip` and with Info-ZIP `unzip -qo` in the same run,
// and prints the time ratio and each tool's peak memory (resident set, through GNU time when
// installed). The archive is written by `skarvel-cli zip --level 7` from a corpus made here (the
// writer benchmark's mix of text-like, random and picture-like files).
//
//   zip_read_bench [--rounds N]
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/tempfile.h"

#include "bench/corpus.h"
#include "bench/run_tool.h"

namespace {

using bench::makeCorpus;
using bench::RunResult;
using bench::runTool;

constexpr std::size_t kMiB = 1024 * 1024;

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
