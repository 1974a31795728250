#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vendorcenter::server::testing {

// The server binary as a child process, its standard output on a pipe and its
// standard error into `stderrPath`. `standardInput` is handed over whole before
// the child starts, so it must fit in a pipe (a few kilobytes are fine); the
// child then reads end of file. Killed when it goes, if it is still running.
class ServerProcess {
public:
    ServerProcess(const std::string& binary, const std::vector<std::string>& arguments,
                  const std::string& stderrPath = "/dev/null", const std::string& standardInput = {});
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    bool started() const { return pid_ > 0; }
    // Everything printed before the first line break, or before the pipe
    // closes, within `limit`.
    std::optional<std::string> firstLine(std::chrono::milliseconds limit);
    // The port of its "listening on http://127.0.0.1:PORT" line, or 0.
    int listeningPort(std::chrono::milliseconds limit);
    // The exit code, once the process has ended within `limit`; 128 + the
    // signal when a signal ended it.
    std::optional<int> exitCode(std::chrono::milliseconds limit);
    void signal(int number) const;
    // kill -9, and wait for the end.
    void killHard();

private:
    pid_t pid_ = -1;
    int output_ = -1;
};

// The port of a "listening on http://127.0.0.1:PORT" line, or 0.
int portOfListeningLine(const std::string& line);

std::string contentsOf(const std::string& path);

}  // namespace vendorcenter::server::testing
