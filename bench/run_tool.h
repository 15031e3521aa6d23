#pragma once
// Runs a tool as a child process with its output discarded and measures its wall time, CPU time
// and peak resident memory.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

struct RunResult {
    double seconds = 0;
    double cpuSeconds = 0;  // user + system time of the child
    long peakKiB = 0;
    int status = -1;
};

// A child inherits the peak resident set of the process that forks it, so wait4 here would report
// at least this program's own size. GNU time, a small process, forks the tool itself and reports
// the tool's true peak (written to `peakFile`); without it the inflated wait4 figure is all
// there is.
inline const char* const kGnuTime = "/usr/bin/time";

inline RunResult runTool(std::vector<std::string> argv, const std::string& peakFile) {
    const bool timed = ::access(kGnuTime, X_OK) == 0;
    if (timed) argv.insert(argv.begin(), {kGnuTime, "-f", "%M", "-o", peakFile});
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::fflush(stdout);  // the child must not inherit unwritten output
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

}  // namespace bench
