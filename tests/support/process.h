#pragma once
// Running peers and skarvel-cli through the shell and collecting what they print.
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace testsupport {

struct CommandResult {
    int status = -1;     // the exit code; -1 when the command could not run or ended by a signal
    std::string output;  // standard output, with standard error unless it was dropped
};

enum class StandardError { Merged, Dropped };

// `text` as one single-quoted shell word.
inline std::string quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

// Runs a shell command and collects its output.
inline CommandResult runCommand(const std::string& command, StandardError errors = StandardError::Merged) {
    CommandResult result;
    const std::string redirect = errors == StandardError::Merged ? " 2>&1" : " 2>/dev/null";
    FILE* pipe = ::popen((command + redirect).c_str(), "r");
    if (!pipe) return result;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// Runs skarvel-cli with `arguments` (already quoted for the shell).
inline CommandResult runCli(const std::string& arguments, StandardError errors = StandardError::Merged) {
    return runCommand(quote(SKARVEL_CLI) + " " + arguments, errors);
}

inline bool haveTool(const std::string& name) { return runCommand("command -v " + name + " >/dev/null").status == 0; }

}  // namespace testsupport
