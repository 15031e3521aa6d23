// Packs a corpus of at least 64 MiB (text-like, random and picture-like files, made here) with
// `skarvel-cli zip --level 7` and with Info-ZIP `zip -7 -X -q` in the same run, and prints the
// time ratio and each tool's peak memory (resident set, through GNU time when installed).
//
//   zip_write_bench [--rounds N]
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

}  // namespace

int main(int argc, char** argv) {
    int rounds = 3;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
    }
    platform::TempFolder work("zipbench");
    const std::string corpus = work.path() + "/corpus";
    ::mkdir(corpus.c_str(), 0700);
    const std::vector<std::string> files = makeCorpus(corpus);
    std::size_t total = 0;
    for (const auto& f : files) {
        std::ifstream in(f, std::ios::binary | std::ios::ate);
        total += static_cast<std::size_t>(in.tellg());
    }
    std::printf("corpus: %zu files, %.1f MiB\n", files.size(), double(total) / kMiB);

    const std::string peakFile = work.path() + "/peak";
    RunResult bestOurs, bestPeer;
    bestOurs.seconds = bestPeer.seconds = 1e9;
    bestOurs.cpuSeconds = bestPeer.cpuSeconds = 1e9;
    for (int round = 0; round < rounds; ++round) {
        const std::string ours = work.path() + "/ours.nth", peer = work.path() + "/peer.zip";
        ::unlink(ours.c_str());
        ::unlink(peer.c_str());
        std::vector<std::string> oursArgs = {SKARVEL_CLI, "zip", "--level", "7", ours};
        std::vector<std::string> peerArgs = {"zip", "-7", "-X", "-q", peer};
        oursArgs.insert(oursArgs.end(), files.begin(), files.end());
        peerArgs.insert(peerArgs.end(), files.begin(), files.end());
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
            std::fprintf(stderr, "a tool failed: skarvel-cli %d, zip %d\n", a.status, b.status);
            return 1;
        }
        std::printf("round %d: skarvel-cli %.3f s (cpu %.3f s) %ld KiB, zip %.3f s (cpu %.3f s) %ld KiB\n", round + 1,
                    a.seconds, a.cpuSeconds, a.peakKiB, b.seconds, b.cpuSeconds, b.peakKiB);
        bestOurs.cpuSeconds = std::min(bestOurs.cpuSeconds, a.cpuSeconds);
        bestPeer.cpuSeconds = std::min(bestPeer.cpuSeconds, b.cpuSeconds);
        if (a.seconds < bestOurs.seconds) bestOurs.seconds = a.seconds;
        if (b.seconds < bestPeer.seconds) bestPeer.seconds = b.seconds;
        bestOurs.peakKiB = std::max(bestOurs.peakKiB, a.peakKiB);
        bestPeer.peakKiB = std::max(bestPeer.peakKiB, b.peakKiB);
        std::ifstream oa(ours, std::ios::binary | std::ios::ate), pa(peer, std::ios::binary | std::ios::ate);
        if (round == 0)
            std::printf("archive sizes: skarvel-cli %lld bytes, zip %lld bytes\n", (long long)oa.tellg(),
                        (long long)pa.tellg());
    }
    std::printf("best time: skarvel-cli %.3f s, zip %.3f s\n", bestOurs.seconds, bestPeer.seconds);
    std::printf("time ratio skarvel-cli / zip: %.3f wall, %.3f cpu (target <= 1.05)\n",
                bestOurs.seconds / bestPeer.seconds, bestOurs.cpuSeconds / bestPeer.cpuSeconds);
    std::printf("peak memory: skarvel-cli %.1f MiB (target < 16), zip %.1f MiB\n", bestOurs.peakKiB / 1024.0,
                bestPeer.peakKiB / 1024.0);
    // What the program costs before it writes anything (its shared libraries), for comparison.
    const RunResult idle = runTool({SKARVEL_CLI, "--version"}, peakFile);
    std::printf("skarvel-cli --version alone: %.1f MiB; the zip run adds %.1f MiB\n", idle.peakKiB / 1024.0,
                (bestOurs.peakKiB - idle.peakKiB) / 1024.0);
    return 0;
}
