#pragma once
// Runs the real velmora binary as a child process, for tests of the program as users start it.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace velmora::testing {

struct ProgramResult {
    std::optional<int> status;  // nothing when it had to be killed
    std::string out, err;
};

inline std::string TempFile(const std::string& contents) {
    char path[] = "/tmp/velmora-test-XXXXXX";
    const int fd = mkstemp(path);
    if (fd >= 0) {
        if (!contents.empty()) (void)!write(fd, contents.data(), contents.size());
        close(fd);
    }
    return path;
}

inline std::string Slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    std::remove(path.c_str());
    return text.str();
}

// Starts argv[0] with the given arguments; `environment` entries "NAME=value" set a variable,
// "NAME" alone removes it.
inline pid_t StartProgram(const std::vector<std::string>& argv,
                          const std::vector<std::string>& environment, const std::string& in,
                          const std::string& out, const std::string& err) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    for (const std::string& entry : environment) {
        const auto eq = entry.find('=');
        if (eq == std::string::npos) {
            unsetenv(entry.c_str());
        } else {
            setenv(entry.substr(0, eq).c_str(), entry.substr(eq + 1).c_str(), 1);
        }
    }
    dup2(open(in.c_str(), O_RDONLY), 0);
    dup2(open(out.c_str(), O_WRONLY), 1);
    dup2(open(err.c_str(), O_WRONLY), 2);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

// Waits up to 20 seconds for the child; kills it when it takes longer.
inline std::optional<int> WaitForExit(pid_t pid) {
    for (int i = 0; i < 2000; ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? std::optional(WEXITSTATUS(status)) : std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return std::nullopt;
}

inline ProgramResult RunProgram(const std::vector<std::string>& argv,
                                const std::vector<std::string>& environment = {},
                                const std::string& in = "") {
    const std::string inPath = TempFile(in), outPath = TempFile(""), errPath = TempFile("");
    const pid_t pid = StartProgram(argv, environment, inPath, outPath, errPath);
    ProgramResult result{WaitForExit(pid), Slurp(outPath), Slurp(errPath)};
    std::remove(inPath.c_str());
    return result;
}

}  // namespace velmora::testing
