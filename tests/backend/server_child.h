#pragma once

// The real server binary as a child process: its first line of standard
// output (the "listening on" line) is read from a pipe, standard input can be
// fed, and the process is killed when the object goes.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace vendorcenter::server::testing {

class ServerChild {
public:
    explicit ServerChild(const std::vector<std::string>& arguments, const std::string& standardInput = {}) {
        int out[2];
        int in[2];
        if (pipe(out) != 0) return;
        if (pipe(in) != 0) {
            close(out[0]);
            close(out[1]);
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        std::vector<std::string> all = {VENDORCENTER_SERVER_BINARY};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& argument : all) argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(in[0]);
        output_ = out[0];
        if (!standardInput.empty()) {
            [[maybe_unused]] const auto written = write(in[1], standardInput.data(), standardInput.size());
        }
        close(in[1]);
    }

    ~ServerChild() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (output_ >= 0) close(output_);
    }

    ServerChild(const ServerChild&) = delete;
    ServerChild& operator=(const ServerChild&) = delete;

    bool started() const { return pid_ > 0; }

    // Everything printed before the first line break, or before the pipe closes.
    std::optional<std::string> firstLine(std::chrono::milliseconds limit) {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd waiting{output_, POLLIN, 0};
            if (poll(&waiting, 1, 100) <= 0) continue;
            char c = 0;
            if (read(output_, &c, 1) != 1) return line.empty() ? std::nullopt : std::optional(line);
            if (c == '\n') return line;
            line += c;
        }
        return std::nullopt;
    }

    // The port of the "listening on http://127.0.0.1:PORT" line, or 0.
    int listeningPort(std::chrono::milliseconds limit) {
        const auto line = firstLine(limit);
        std::smatch match;
        if (!line || !std::regex_match(*line, match, std::regex(R"(listening on http://127\.0\.0\.1:(\d+))"))) return 0;
        return std::stoi(match[1]);
    }

    // The exit code, once the process has ended within `limit`; 128 + signal when killed.
    std::optional<int> exitCode(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                if (WIFEXITED(status)) return WEXITSTATUS(status);
                return 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return std::nullopt;
    }

    // kill -9, and wait for the end.
    void killHard() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int output_ = -1;
};

}  // namespace vendorcenter::server::testing
