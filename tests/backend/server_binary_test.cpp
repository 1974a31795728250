#include "server_page_fixture.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <regex>
#include <thread>

extern char** environ;

using namespace vendorcenter::server::testing;

namespace {

// The real server binary as a child process with its stdout on a pipe.
class ServerProcess {
public:
    explicit ServerProcess(const std::vector<std::string>& arguments) {
        int fds[2];
        if (pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        std::vector<std::string> all = {VENDORCENTER_SERVER_BINARY};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& argument : all) argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        output_ = fds[0];
    }

    ~ServerProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (output_ >= 0) close(output_);
    }

    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

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

    // The exit code, once the process has ended within `limit`.
    std::optional<int> exitCode(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                if (WIFEXITED(status)) return WEXITSTATUS(status);
                return 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return std::nullopt;
    }

    void signal(int number) const { kill(pid_, number); }

private:
    pid_t pid_ = -1;
    int output_ = -1;
};

}  // namespace

TEST(ServerBinary, AnnouncesItsPortServesAndEndsCleanlyOnSigterm) {
    TemporaryDirectory directory;
    const std::string database = directory.file("demo.sqlite");
    ServerProcess server({"--listen", "127.0.0.1:0", "--database", database});
    ASSERT_TRUE(server.started());

    const auto line = server.firstLine(std::chrono::seconds(15));
    ASSERT_TRUE(line);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(*line, match, std::regex(R"(listening on http://127\.0\.0\.1:(\d+))"))) << *line;
    const int port = std::stoi(match[1]);
    ASSERT_GT(port, 0);

    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(5);
    client.set_read_timeout(10);
    auto counts = client.Get("/VendorCenter.asp?count=1&VendorID=12");
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->status, 200);
    const auto document = readByPosition(counts->body);
    ASSERT_TRUE(document->parsed);
    EXPECT_EQ(textOf(childAt(childAt(childAt(document->root(), 0), 0), 0)), "1");
    EXPECT_TRUE(std::filesystem::exists(database));

    server.signal(SIGTERM);
    EXPECT_EQ(server.exitCode(std::chrono::seconds(10)), 0);
}

TEST(ServerBinary, EndsCleanlyOnSigintToo) {
    TemporaryDirectory directory;
    ServerProcess server({"--listen=127.0.0.1:0", "--database=" + directory.file("db.sqlite")});
    ASSERT_TRUE(server.started());
    ASSERT_TRUE(server.firstLine(std::chrono::seconds(15)));
    server.signal(SIGINT);
    EXPECT_EQ(server.exitCode(std::chrono::seconds(10)), 0);
}

TEST(ServerBinary, HelpAndBadArguments) {
    ServerProcess help({"--help"});
    ASSERT_TRUE(help.started());
    const auto usage = help.firstLine(std::chrono::seconds(10));
    ASSERT_TRUE(usage);
    EXPECT_EQ(usage->rfind("Usage: vendorcenter-server", 0), 0u);
    EXPECT_EQ(help.exitCode(std::chrono::seconds(10)), 0);

    ServerProcess bad({"--listen", "nowhere"});
    ASSERT_TRUE(bad.started());
    EXPECT_EQ(bad.exitCode(std::chrono::seconds(10)), 2);

    TemporaryDirectory directory;
    ServerProcess unopenable({"--listen", "127.0.0.1:0", "--database", directory.file("missing/dir/db.sqlite")});
    ASSERT_TRUE(unopenable.started());
    EXPECT_EQ(unopenable.exitCode(std::chrono::seconds(10)), 1);
}
