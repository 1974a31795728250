#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vendorcenter::server::testing {

// The server binary as a child process: stdout on a pipe, stderr into a file.
// Killed when it goes, if it is still running.
class ServerProcess {
public:
    ServerProcess(const std::string& binary, const std::vector<std::string>& arguments, const std::string& stderrPath);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    bool started() const { return pid_ > 0; }
    // Everything printed before the first line break, within `limit`.
    std::optional<std::string> firstLine(std::chrono::milliseconds limit);
    // The port of its "listening on http://127.0.0.1:PORT" line, or 0.
    int listeningPort(std::chrono::milliseconds limit);
    // The exit code, once the process has ended within `limit`.
    std::optional<int> exitCode(std::chrono::milliseconds limit);
    void signal(int number) const;

private:
    pid_t pid_ = -1;
    int output_ = -1;
};

std::string contentsOf(const std::string& path);

}  // namespace vendorcenter::server::testing
