#include "postgres_cluster.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace vendorcenter::server::testing {
namespace {

namespace fs = std::filesystem;

bool hasServerPrograms(const fs::path& bin) {
    std::error_code ignored;
    return fs::exists(bin / "initdb", ignored) && fs::exists(bin / "pg_ctl", ignored) && fs::exists(bin / "postgres", ignored);
}

// VENDORCENTER_PG_BINDIR if set, else the newest /usr/lib/postgresql/N/bin.
std::string findBinDirectory() {
    if (const char* chosen = std::getenv("VENDORCENTER_PG_BINDIR"); chosen != nullptr && *chosen != '\0') {
        return hasServerPrograms(chosen) ? chosen : "";
    }
    std::string best;
    int bestVersion = -1;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos || name.size() > 4) continue;
        const int version = std::stoi(name);
        if (version > bestVersion && hasServerPrograms(entry.path() / "bin")) {
            bestVersion = version;
            best = (entry.path() / "bin").string();
        }
    }
    return best;
}

// Starts `arguments` with stdin from `input` (or /dev/null) and stdout and
// stderr appended to `outputPath` (or /dev/null).
pid_t spawn(const std::vector<std::string>& arguments, const std::string& outputPath, int input = -1) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input >= 0) {
        posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    const char* output = outputPath.empty() ? "/dev/null" : outputPath.c_str();
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output, O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<std::string> copies = arguments;
    std::vector<char*> argv;
    for (auto& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The exit code, or -1 when the process ran past the limit (it is killed).
int waitBounded(pid_t pid, int timeoutSeconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    while (true) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (done < 0) return -1;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::string tailOf(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    const std::string all = text.str();
    return all.size() > 1500 ? all.substr(all.size() - 1500) : all;
}

// A superuser connection for the tests' own reads and changes.
struct AdminConnection {
    explicit AdminConnection(const std::string& uri) : conn(PQconnectdb(uri.c_str())) {
        if (PQstatus(conn) != CONNECTION_OK) {
            const std::string message = PQerrorMessage(conn);
            PQfinish(conn);
            throw std::runtime_error("cannot connect to the test cluster: " + message);
        }
        PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr);
    }
    ~AdminConnection() { PQfinish(conn); }
    AdminConnection(const AdminConnection&) = delete;
    AdminConnection& operator=(const AdminConnection&) = delete;

    PGresult* run(const std::string& sql) {
        PGresult* result = PQexec(conn, sql.c_str());
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            const std::string message = PQresultErrorMessage(result);
            PQclear(result);
            throw std::runtime_error(message);
        }
        return result;
    }

    PGconn* conn;
};

std::mutex sharedMutex;
std::unique_ptr<PostgresCluster> sharedCluster;
bool sharedAttempted = false;
std::string sharedFailure;

class ClusterEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        std::lock_guard lock(sharedMutex);
        sharedCluster.reset();
    }
};

[[maybe_unused]] ::testing::Environment* const clusterEnvironment =
    ::testing::AddGlobalTestEnvironment(new ClusterEnvironment);

}  // namespace

int freeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
}

PostgresCluster* PostgresCluster::shared() {
    std::lock_guard lock(sharedMutex);
    if (!sharedAttempted) {
        sharedAttempted = true;
        const std::string bin = findBinDirectory();
        if (bin.empty()) {
            std::cerr << "PostgreSQL tests skipped: no PostgreSQL server programs (initdb, pg_ctl) under "
                         "/usr/lib/postgresql/*/bin; install the postgresql package to run them.\n";
            return nullptr;
        }
        std::unique_ptr<PostgresCluster> cluster(new PostgresCluster);
        try {
            cluster->initialise(bin);
            sharedCluster = std::move(cluster);
        } catch (const std::exception& error) {
            sharedFailure = error.what();
        }
    }
    if (!sharedFailure.empty()) throw std::runtime_error(sharedFailure);
    return sharedCluster.get();
}

void PostgresCluster::initialise(const std::string& binDirectory) {
    binDirectory_ = binDirectory;
    std::string pattern = "/tmp/vendorcenter-pg-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    directory_ = pattern;

    // initdb and postgres refuse to run as root.
    if (geteuid() == 0) {
        owner_ = "postgres";
        if (getpwnam(owner_.c_str()) == nullptr) {
            owner_ = "vcpgtest";
            if (getpwnam(owner_.c_str()) == nullptr) {
                const pid_t adding = spawn({"/usr/sbin/useradd", "--system", "--no-create-home", "--shell",
                                            "/usr/sbin/nologin", owner_},
                                           directory_ + "/commands.log");
                if (adding < 0 || waitBounded(adding, 60) != 0 || getpwnam(owner_.c_str()) == nullptr) {
                    removeEverything();
                    throw std::runtime_error("cannot create the user " + owner_ + " to run the test cluster");
                }
            }
        }
        const passwd* user = getpwnam(owner_.c_str());
        if (chown(directory_.c_str(), user->pw_uid, user->pw_gid) != 0) {
            removeEverything();
            throw std::runtime_error("cannot hand " + directory_ + " to " + owner_);
        }
    }

    if (runAsOwner({binDirectory_ + "/initdb", "-D", directory_ + "/data", "-A", "trust", "-U", "postgres", "-E", "UTF8",
                    "--locale=C", "--no-sync"},
                   120) != 0) {
        const std::string log = tailOf(directory_ + "/commands.log");
        removeEverything();
        throw std::runtime_error("initdb failed:\n" + log);
    }
    for (int attempt = 0; attempt < 3 && !running_; ++attempt) {
        const int port = freeLoopbackPort();
        if (port > 0 && tryStart(port)) port_ = port;
    }
    if (!running_) {
        const std::string log = tailOf(directory_ + "/server.log");
        removeEverything();
        throw std::runtime_error("the test cluster did not start:\n" + log);
    }
    startGuard();
}

int PostgresCluster::runAsOwner(const std::vector<std::string>& arguments, int timeoutSeconds) const {
    std::vector<std::string> command;
    if (!owner_.empty()) command = {"/usr/sbin/runuser", "-u", owner_, "--"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const pid_t pid = spawn(command, directory_ + "/commands.log");
    if (pid < 0) return -1;
    return waitBounded(pid, timeoutSeconds);
}

bool PostgresCluster::tryStart(int port) {
    // fsync and the like are off: the data lives only as long as the tests.
    const std::string settings = "-c listen_addresses=127.0.0.1 -p " + std::to_string(port) + " -k " + directory_ +
                                 " -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=100";
    running_ = runAsOwner({binDirectory_ + "/pg_ctl", "-D", directory_ + "/data", "-l", directory_ + "/server.log", "-w",
                           "-t", "60", "-o", settings, "start"},
                          90) == 0;
    return running_;
}

// A shell that waits for this process's end (its stdin closes) and then
// stops and removes the cluster, should nobody have done so already.
void PostgresCluster::startGuard() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    const std::string runAs = owner_.empty() ? "" : "/usr/sbin/runuser -u " + owner_ + " -- ";
    const std::string script = "cat >/dev/null; if [ -d \"$1/data\" ]; then " + runAs +
                               "\"$2/pg_ctl\" -D \"$1/data\" -m immediate -w stop; fi; rm -rf \"$1\"";
    guardPid_ = spawn({"/bin/sh", "-c", script, "vendorcenter-pg-guard", directory_, binDirectory_}, "", fds[0]);
    close(fds[0]);
    if (guardPid_ < 0) {
        close(fds[1]);
        return;
    }
    guardInput_ = fds[1];
}

void PostgresCluster::removeEverything() {
    if (running_) {
        runAsOwner({binDirectory_ + "/pg_ctl", "-D", directory_ + "/data", "-m", "immediate", "-w", "-t", "60", "stop"}, 90);
        running_ = false;
    }
    if (!directory_.empty()) {
        std::error_code ignored;
        fs::remove_all(directory_, ignored);
    }
    if (guardInput_ >= 0) {
        close(guardInput_);
        guardInput_ = -1;
    }
    if (guardPid_ > 0) {
        waitBounded(guardPid_, 30);
        guardPid_ = -1;
    }
}

PostgresCluster::~PostgresCluster() { removeEverything(); }

std::string PostgresCluster::uri(const std::string& database, const std::string& password) const {
    return "postgresql://postgres" + (password.empty() ? "" : ":" + password) + "@127.0.0.1:" + std::to_string(port_) +
           "/" + database;
}

void PostgresCluster::createDatabase(const std::string& database) const {
    AdminConnection admin(uri("postgres"));
    PQclear(admin.run("DROP DATABASE IF EXISTS " + database + " WITH (FORCE)"));
    PQclear(admin.run("CREATE DATABASE " + database));
}

void PostgresCluster::execute(const std::string& database, const std::string& sql) const {
    AdminConnection admin(uri(database));
    PQclear(admin.run(sql));
}

std::vector<std::vector<std::optional<std::string>>> PostgresCluster::rows(const std::string& database,
                                                                            const std::string& sql) const {
    AdminConnection admin(uri(database));
    PQclear(admin.run("SET extra_float_digits = 3"));
    PGresult* result = admin.run(sql);
    std::vector<std::vector<std::optional<std::string>>> all;
    for (int row = 0; row < PQntuples(result); ++row) {
        std::vector<std::optional<std::string>> fields;
        for (int column = 0; column < PQnfields(result); ++column) {
            if (PQgetisnull(result, row, column)) {
                fields.emplace_back(std::nullopt);
            } else {
                fields.emplace_back(PQgetvalue(result, row, column));
            }
        }
        all.push_back(std::move(fields));
    }
    PQclear(result);
    return all;
}

void PostgresCluster::stopServer() {
    if (!running_) return;
    if (runAsOwner({binDirectory_ + "/pg_ctl", "-D", directory_ + "/data", "-m", "fast", "-w", "-t", "60", "stop"}, 90) != 0) {
        throw std::runtime_error("the test cluster did not stop:\n" + tailOf(directory_ + "/commands.log"));
    }
    running_ = false;
}

void PostgresCluster::startServer() {
    if (running_) return;
    if (!tryStart(port_)) throw std::runtime_error("the test cluster did not start again:\n" + tailOf(directory_ + "/server.log"));
}

}  // namespace vendorcenter::server::testing
