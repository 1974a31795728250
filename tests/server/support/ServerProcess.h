#pragma once

#include <QProcess>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vendorcenter::server::testing {

// The server binary as a child process: standard output read here, standard
// error into `stderrPath`, `standardInput` handed over whole before end of file.
// Killed when it goes, if it still runs.
class ServerProcess
{
public:
    ServerProcess(const std::string &binary, const std::vector<std::string> &arguments,
        const std::string &stderrPath = "/dev/null", const std::string &standardInput = {});
    ~ServerProcess() { killHard(); }
    ServerProcess(const ServerProcess &) = delete;
    ServerProcess &operator=(const ServerProcess &) = delete;

    // Everything printed before the first line break, or before the output ends, within `limit`.
    std::optional<std::string> firstLine(std::chrono::milliseconds limit);
    // The port of its "listening on http://127.0.0.1:PORT" line, or 0.
    int listeningPort(std::chrono::milliseconds limit);
    // The exit code once it ended within `limit`; 128 + the signal when a signal ended it.
    std::optional<int> exitCode(std::chrono::milliseconds limit);
    void signal(int number) const;
    // kill -9, and wait for the end.
    void killHard();

private:
    QProcess process_;
};

std::string contentsOf(const std::string &path);

} // namespace vendorcenter::server::testing
