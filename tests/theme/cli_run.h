#pragma once
// Running skarvel-cli from the theme tests.
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace clirun {

struct Result {
    int code;
    std::string out;
};

// Runs skarvel-cli with `arguments` (already quoted for the shell); standard error is dropped.
inline Result cli(const std::string& arguments) {
    const std::string command = std::string("'") + SKARVEL_CLI + "' " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

inline std::string q(const std::string& text) { return "'" + text + "'"; }

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace clirun
