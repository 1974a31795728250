#include "server_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

extern char** environ;

namespace vendorcenter::server::testing {

ServerProcess::ServerProcess(const std::string& binary, const std::vector<std::string>& arguments,
                             const std::string& stderrPath, const std::string& standardInput) {
    int out[2];
    int in[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    output_ = out[0];
    if (pipe2(in, O_CLOEXEC) != 0) {
        close(out[1]);
        return;
    }
    // Filled while this end still holds the reading side: a child that ends
    // early cannot turn the write into SIGPIPE, and a full pipe cannot block.
    fcntl(in[1], F_SETFL, O_NONBLOCK);
    const bool inputWritten =
        standardInput.empty() ||
        write(in[1], standardInput.data(), standardInput.size()) ==
            static_cast<ssize_t>(standardInput.size());
    close(in[1]);

    if (inputWritten) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, stderrPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<std::string> all = {binary};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& argument : all) argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    close(out[1]);
    close(in[0]);
}

ServerProcess::~ServerProcess() {
    killHard();
    if (output_ >= 0) close(output_);
}

std::optional<std::string> ServerProcess::firstLine(std::chrono::milliseconds limit) {
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

int ServerProcess::listeningPort(std::chrono::milliseconds limit) {
    const auto line = firstLine(limit);
    return line ? portOfListeningLine(*line) : 0;
}

std::optional<int> ServerProcess::exitCode(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
}

// Never kill(-1, ...): that would reach every process of this user.
void ServerProcess::signal(int number) const {
    if (pid_ > 0) kill(pid_, number);
}

void ServerProcess::killHard() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

int portOfListeningLine(const std::string& line) {
    std::smatch match;
    if (!std::regex_match(line, match, std::regex(R"(listening on http://127\.0\.0\.1:(\d+))"))) return 0;
    return std::stoi(match[1]);
}

std::string contentsOf(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace vendorcenter::server::testing
