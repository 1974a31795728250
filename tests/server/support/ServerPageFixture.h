#pragma once

#include "HttpServer.h"
#include "storage/OpenStorage.h"

#include <QProcess>
#include <gtest/gtest.h>
#include <httplib.h>
#include <pugixml.hpp>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vendorcenter::server::testing {

// The clerk's password: a blank and a non-ASCII letter.
inline const std::string kPassword = "s3cret P\xC3\xA4ss";

// A fresh directory under /tmp, removed with everything in it.
class TemporaryDirectory
{
public:
    TemporaryDirectory() : path_(mkdtemp(std::string("/tmp/vendorcenter-server-XXXXXX").data())) { }
    ~TemporaryDirectory() { std::filesystem::remove_all(path_); }
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Statements as the control writes them, and its form encoding of a post.
std::string insertStatement(long vendor, long center, const std::string &fee, int duty);
std::string updateStatement(long vendor, long center, const std::string &fee, int duty);
std::string deleteStatement(long vendor, long center);
extern const std::string kInsert7, kUpdate9, kDelete3And5;
std::string saveBody(const std::vector<std::string> &statements);

// A reply read the way the control reads it, children by position; null when not well-formed.
std::unique_ptr<pugi::xml_document> readByPosition(const std::string &xml);
pugi::xml_node childAt(pugi::xml_node node, std::size_t position);
std::size_t childCount(pugi::xml_node node);
// The text of the element the positions lead to from `node`.
std::string textAt(pugi::xml_node node, std::initializer_list<std::size_t> path);

struct StoredCrossReference
{
    long long vendorId, centerId;
    double handlingFee;
    long long dutyBrokerageFee;
    std::string recordLastUpdated;
    bool operator==(const StoredCrossReference &) const = default;
};

enum class StorageKind { Sqlite, Postgres };
std::string storageKindName(const ::testing::TestParamInfo<StorageKind> &info);
#define VC_ON_EACH_STORAGE(suite)                                                                                      \
    INSTANTIATE_TEST_SUITE_P(                                                                                          \
        OnEachStorage, suite, ::testing::Values(StorageKind::Sqlite, StorageKind::Postgres), storageKindName)

// A new database read and changed directly, beside the server page. PostgreSQL is the cluster
// of pg_virtualenv, found through the PG* variables; without it, create() says so once: null.
class TestDatabase
{
public:
    static std::unique_ptr<TestDatabase> create(StorageKind kind, const TemporaryDirectory &directory);
    // The --database text of the server page; on PostgreSQL with a password.
    const std::string &connectionText() const { return connectionText_; }
    std::unique_ptr<Storage> open() const { return openStorage(connectionText_); }
    // The rows of the last statement, fields as text (floats shortest-exact), NULL as nullopt.
    using Rows = std::vector<std::vector<std::optional<std::string>>>;
    Rows rows(const std::string &sql) const;
    void execute(const std::string &sql) const { rows(sql); }
    std::vector<StoredCrossReference> crossReferences() const;

private:
    TestDatabase(StorageKind kind, std::string text) : kind_(kind), connectionText_(std::move(text)) { }
    StorageKind kind_;
    std::string connectionText_;
};

// SQL run on a SQLite file, for benchmarks that build their own databases.
void executeSql(const std::string &sqlitePath, const std::string &sql);

// The server page on a free loopback port over a new seeded database.
class ServerPageTest : public ::testing::TestWithParam<StorageKind>
{
protected:
    void SetUp() override;
    // Called before the server page binds and serves.
    virtual void configure(HttpServer &) { }
    httplib::Result get(const std::string &target) { return client_->Get(target); }
    httplib::Result post(const std::string &body, const httplib::Headers &headers = {})
    {
        return client_->Post("/VendorCenter.asp", headers, body, "application/x-www-form-urlencoded");
    }
    // Status and body; 0 when no reply came.
    static std::pair<int, std::string> reply(const httplib::Result &result)
    {
        return result ? std::pair(result->status, result->body) : std::pair(0, std::string());
    }
    // One of the three queries; null unless it answered 200 with a well-formed document.
    std::unique_ptr<pugi::xml_document> query(const std::string &kind, const std::string &vendorId);
    std::vector<StoredCrossReference> storedRows() const { return database_->crossReferences(); }

    TemporaryDirectory directory_;
    std::mutex logMutex_;
    std::vector<std::string> log_; // what the server page logged, read once it stopped
    std::unique_ptr<TestDatabase> database_;
    std::unique_ptr<Storage> storage_;
    std::unique_ptr<HttpServer> server_;
    int port_ = 0;
    std::unique_ptr<httplib::Client> client_;
};

// The server binary as a child process: standard output read here, standard error into
// `stderrPath`, `standardInput` handed over whole before end of file; killed when it goes.
class ServerProcess
{
public:
    ServerProcess(const std::string &binary, const std::vector<std::string> &arguments,
        const std::string &stderrPath = "/dev/null", const std::string &standardInput = {});
    ~ServerProcess() { killHard(); }

    // Everything printed before the first line break, or before the output ends, within `limit`.
    std::optional<std::string> firstLine(std::chrono::milliseconds limit);
    // The port of its "listening on http://127.0.0.1:PORT" line, or 0.
    int listeningPort(std::chrono::milliseconds limit);
    // The exit code once it ended within `limit`; 128 + the signal when a signal ended it.
    std::optional<int> exitCode(std::chrono::milliseconds limit);
    void signal(int number) const;
    // Its resident memory in KiB, 0 when it is not running.
    long residentKiB() const;
    void killHard(); // kill -9, and wait for the end

private:
    QProcess process_;
};

// The server page's binary on `database` and loopback port `listen` (0: a free one), `more`
// arguments added; `port` is the one it announced, 0 when it did not start.
struct RunningPage
{
    explicit RunningPage(const std::string &database, const std::vector<std::string> &more = {}, int listen = 0,
        const std::string &stderrPath = "/dev/null");
    ServerProcess process;
    int port;
};

std::string contentsOf(const std::string &path);

// A TCP connection to a loopback port, written and read byte for byte, for
// requests no ordinary client would send.
class RawConnection
{
public:
    // From `source`, any loopback address, so that a test can be many clients.
    explicit RawConnection(int port, const char *source = "127.0.0.1");
    ~RawConnection();
    RawConnection(const RawConnection &) = delete;
    RawConnection &operator=(const RawConnection &) = delete;

    // False once the server closed or reset the connection.
    bool send(std::string_view bytes);
    // One reply: the head and as much body as its Content-Length says, or
    // what came before the connection closed or `limit` passed. Empty when
    // nothing came.
    std::string readReply(std::chrono::milliseconds limit);
    // True when the server closed the connection within `limit` (after
    // anything it still had to send).
    bool closedWithin(std::chrono::milliseconds limit);

private:
    int socket_ = -1;
    std::string pending_; // read past the last reply
};

// The status of a raw reply, 0 when there is none, and its body.
int statusOf(const std::string &reply);
std::string bodyOf(const std::string &reply);

// nginx on a free loopback port in front of server pages on `pagePorts`, round robin, with
// its files in `directory`; started once it answers /healthz. It and its port.
std::pair<std::unique_ptr<ServerProcess>, int> startNginx(
    const TemporaryDirectory &directory, const std::vector<int> &pagePorts);

} // namespace vendorcenter::server::testing
