#include "ServerPageFixture.h"

#include <QByteArray>
#include <sqlite3.h>
#ifdef VENDORCENTER_HAS_POSTGRESQL
#include <libpq-fe.h>
#endif
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace vendorcenter::server::testing {

// A server that answers before the body is sent and closes leaves the
// client writing into a closed connection: an error to see, not a signal.
static const bool kWritesToClosedConnectionsFail = (::signal(SIGPIPE, SIG_IGN), true);

std::string insertStatement(long vendor, long center, const std::string &fee, int duty)
{
    return "INSERT INTO VendorCenterCrossReference "
           "(VendorID,CenterID,CenterHandlingFee,DutyBrokerageFee,RecordLastUpdated) "
           "VALUES ("
        + std::to_string(vendor) + "," + std::to_string(center) + "," + fee + "," + std::to_string(duty)
        + ",GETDATE() ) ";
}

std::string updateStatement(long vendor, long center, const std::string &fee, int duty)
{
    return "UPDATE VendorCenterCrossReference SET CenterHandlingFee= " + fee + ", DutyBrokerageFee= "
        + std::to_string(duty) + ", RecordLastUpdated = GETDATE()  WHERE CenterID = " + std::to_string(center)
        + " AND vendorID = " + std::to_string(vendor);
}

std::string deleteStatement(long vendor, long center)
{
    return "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=" + std::to_string(vendor) + " AND CenterID IN("
        + std::to_string(center) + ")";
}

const std::string kInsert7 = insertStatement(12, 7, "0.08", 1);
const std::string kUpdate9 = updateStatement(12, 9, "0.05", 0);
const std::string kDelete3And5 = "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(3,5)";

// Blank as "+", letters, digits and "*-._" as they are, any other byte as "%XX".
std::string saveBody(const std::vector<std::string> &statements)
{
    std::string body;
    for (const std::string &statement : statements)
        body += "SQL="
            + QByteArray::fromStdString(statement).toPercentEncoding(" *", "~").replace(' ', '+').toStdString() + "&";
    return body;
}

std::unique_ptr<pugi::xml_document> readByPosition(const std::string &xml)
{
    auto document = std::make_unique<pugi::xml_document>();
    const unsigned options = pugi::parse_default | pugi::parse_comments;
    return document->load_buffer(xml.data(), xml.size(), options, pugi::encoding_utf8) ? std::move(document) : nullptr;
}

pugi::xml_node childAt(pugi::xml_node node, std::size_t position)
{
    auto child = node.first_child();
    while (position-- > 0 && child)
        child = child.next_sibling();
    return child;
}

std::size_t childCount(pugi::xml_node node)
{
    return static_cast<std::size_t>(std::distance(node.begin(), node.end()));
}

std::string textAt(pugi::xml_node node, std::initializer_list<std::size_t> path)
{
    for (std::size_t position : path)
        node = childAt(node, position);
    return node.text().get();
}

std::string storageKindName(const ::testing::TestParamInfo<StorageKind> &info)
{
    return info.param == StorageKind::Postgres ? "PostgreSQL" : "SQLite";
}

namespace {

std::string environment(const char *name)
{
    return std::getenv(name) != nullptr ? std::getenv(name) : "";
}

TestDatabase::Rows sqliteRows(const std::string &path, const std::string &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(db, 5000);
    TestDatabase::Rows rows;
    sqlite3_stmt *statement = nullptr;
    for (const char *rest = sql.c_str();
         sqlite3_prepare_v2(db, rest, -1, &statement, &rest) == SQLITE_OK && statement;) {
        rows.clear();
        while (sqlite3_step(statement) == SQLITE_ROW) {
            auto &row = rows.emplace_back();
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                char number[32];
                const auto type = sqlite3_column_type(statement, i);
                const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, i));
                if (type == SQLITE_FLOAT) {
                    text = number;
                    *std::to_chars(number, number + sizeof number - 1, sqlite3_column_double(statement, i)).ptr = '\0';
                }
                row.push_back(type == SQLITE_NULL ? std::nullopt : std::optional<std::string>(text));
            }
        }
        if (sqlite3_finalize(statement) != SQLITE_OK)
            break;
    }
    const std::string error = sqlite3_errcode(db) == SQLITE_OK ? "" : sqlite3_errmsg(db);
    sqlite3_close(db);
    if (!error.empty())
        throw std::runtime_error(error + " in " + sql);
    return rows;
}

#ifdef VENDORCENTER_HAS_POSTGRESQL
TestDatabase::Rows postgresRows(const std::string &database, const std::string &sql)
{
    PGconn *conn = PQconnectdb(("dbname=" + database).c_str());
    PQclear(PQexec(conn, "SET extra_float_digits = 3; SET client_min_messages = warning"));
    PGresult *result = PQexec(conn, sql.c_str());
    const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK || PQresultStatus(result) == PGRES_TUPLES_OK;
    const std::string error = PQerrorMessage(conn);
    TestDatabase::Rows rows(static_cast<std::size_t>(PQntuples(result)));
    for (int r = 0; r < PQntuples(result); ++r) {
        for (int c = 0; c < PQnfields(result); ++c) {
            rows[r].push_back(
                PQgetisnull(result, r, c) ? std::nullopt : std::optional<std::string>(PQgetvalue(result, r, c)));
        }
    }
    PQclear(result);
    PQfinish(conn);
    if (!ok)
        throw std::runtime_error(error + " in " + sql);
    return rows;
}
#endif

} // namespace

std::unique_ptr<TestDatabase> TestDatabase::create(StorageKind kind, const TemporaryDirectory &directory)
{
    if (kind == StorageKind::Sqlite)
        return std::unique_ptr<TestDatabase>(new TestDatabase(kind, directory.file("vendorcenter.sqlite")));
#ifdef VENDORCENTER_HAS_POSTGRESQL
    if (!environment("PGHOST").empty() && !environment("PGPASSWORD").empty()) {
        static std::atomic<int> created {0};
        const std::string name = "vc_" + std::to_string(getpid()) + "_" + std::to_string(++created);
        postgresRows(environment("PGDATABASE"), "CREATE DATABASE " + name);
        return std::unique_ptr<TestDatabase>(new TestDatabase(kind,
            "postgresql://" + environment("PGUSER") + ":" + environment("PGPASSWORD")
                + "@127.0.0.1:" + environment("PGPORT") + "/" + name));
    }
#endif
    static std::once_flag said;
    std::call_once(said, [] { std::cout << "PostgreSQL: not run here (it runs under pg_virtualenv)\n"; });
    return nullptr;
}

TestDatabase::Rows TestDatabase::rows(const std::string &sql) const
{
#ifdef VENDORCENTER_HAS_POSTGRESQL
    if (kind_ == StorageKind::Postgres)
        return postgresRows(connectionText_.substr(connectionText_.rfind('/') + 1), sql);
#endif
    return sqliteRows(connectionText_, sql);
}

std::vector<StoredCrossReference> TestDatabase::crossReferences() const
{
    std::vector<StoredCrossReference> stored;
    for (const auto &row : rows("SELECT VendorID, CenterID, CenterHandlingFee, DutyBrokerageFee, RecordLastUpdated"
                                " FROM VendorCenterCrossReference ORDER BY VendorID, CenterID")) {
        stored.push_back({std::stoll(*row[0]), std::stoll(*row[1]), std::stod(*row[2]), std::stoll(*row[3]), *row[4]});
    }
    return stored;
}

void executeSql(const std::string &sqlitePath, const std::string &sql)
{
    sqliteRows(sqlitePath, sql);
}

void ServerPageTest::SetUp()
{
    database_ = TestDatabase::create(GetParam(), directory_);
    if (!database_)
        GTEST_SKIP();
    storage_ = database_->open();
    server_ = std::make_unique<HttpServer>(*storage_, [this](std::string_view line) {
        std::lock_guard lock(logMutex_);
        log_.emplace_back(line);
    });
    configure(*server_);
    port_ = server_->bind("127.0.0.1", 0);
    ASSERT_TRUE(port_ > 0 && server_->start());
    client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
    client_->set_read_timeout(30);
}

std::unique_ptr<pugi::xml_document> ServerPageTest::query(const std::string &kind, const std::string &vendorId)
{
    auto result = get("/VendorCenter.asp?" + kind + "=1&VendorID=" + vendorId);
    return result && result->status == 200 ? readByPosition(result->body) : nullptr;
}

ServerProcess::ServerProcess(const std::string &binary, const std::vector<std::string> &arguments,
    const std::string &stderrPath, const std::string &standardInput)
{
    QStringList list;
    for (const std::string &argument : arguments)
        list << QString::fromStdString(argument);
    process_.setStandardErrorFile(QString::fromStdString(stderrPath));
    process_.start(QString::fromStdString(binary), list);
    if (!process_.waitForStarted(10000))
        return;
    process_.write(standardInput.data(), static_cast<qint64>(standardInput.size()));
    process_.closeWriteChannel();
}

std::optional<std::string> ServerProcess::firstLine(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!process_.canReadLine() && std::chrono::steady_clock::now() < deadline
        && process_.state() == QProcess::Running) {
        process_.waitForReadyRead(50);
    }
    if (!process_.canReadLine() && process_.bytesAvailable() == 0)
        return std::nullopt;
    return process_.readLine().trimmed().toStdString();
}

int ServerProcess::listeningPort(std::chrono::milliseconds limit)
{
    const std::string line = firstLine(limit).value_or(""), announced = "listening on http://127.0.0.1:";
    return line.starts_with(announced) ? std::atoi(line.c_str() + announced.size()) : 0;
}

std::optional<int> ServerProcess::exitCode(std::chrono::milliseconds limit)
{
    if (process_.state() != QProcess::NotRunning && !process_.waitForFinished(static_cast<int>(limit.count())))
        return std::nullopt;
    // QProcess keeps the signal that ended a crashed child in exitCode().
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : 128 + process_.exitCode();
}

void ServerProcess::signal(int number) const
{
    if (process_.processId() > 0)
        kill(static_cast<pid_t>(process_.processId()), number);
}

long ServerProcess::residentKiB() const
{
    std::ifstream status("/proc/" + std::to_string(process_.processId()) + "/status");
    for (std::string line; process_.processId() > 0 && std::getline(status, line);) {
        if (line.starts_with("VmRSS:"))
            return std::atol(line.c_str() + 6);
    }
    return 0;
}

void ServerProcess::killHard()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(10000);
    }
}

RunningPage::RunningPage(
    const std::string &database, const std::vector<std::string> &more, int listen, const std::string &stderrPath)
    : process(
        VENDORCENTER_SERVER_BINARY,
        [&] {
            std::vector<std::string> arguments = {
                "--listen", "127.0.0.1:" + std::to_string(listen), "--database", database};
            arguments.insert(arguments.end(), more.begin(), more.end());
            return arguments;
        }(),
        stderrPath),
      port(process.listeningPort(std::chrono::seconds(20)))
{
    EXPECT_GT(port, 0) << "the server page did not start: " << contentsOf(stderrPath);
}

std::string contentsOf(const std::string &path)
{
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

namespace {

// Appends what `socket` sends before `deadline`: the count, 0 once it closed, -1 when nothing came.
ssize_t receiveBefore(int socket, std::chrono::steady_clock::time_point deadline, std::string &into)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd readable {socket, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&readable, 1, static_cast<int>(left.count())) <= 0)
        return -1;
    char buffer[65536];
    const ssize_t got = std::max<ssize_t>(::recv(socket, buffer, sizeof buffer, 0), 0);
    into.append(buffer, static_cast<std::size_t>(got));
    return got;
}

} // namespace

RawConnection::RawConnection(int port, const char *source)
{
    socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in from {};
    from.sin_family = AF_INET;
    inet_pton(AF_INET, source, &from.sin_addr);
    ::bind(socket_, reinterpret_cast<sockaddr *>(&from), sizeof from);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(socket_);
        socket_ = -1;
    }
}

RawConnection::~RawConnection()
{
    if (socket_ >= 0)
        ::close(socket_);
}

bool RawConnection::send(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::string RawConnection::readReply(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string &in = pending_;
    bool closed = false;
    const auto complete = [&]() -> std::size_t {
        const std::size_t headEnd = in.find("\r\n\r\n");
        if (headEnd == std::string::npos)
            return 0;
        // Without a length the reply ends with the connection, but for 100 Continue.
        const std::size_t field = in.substr(0, headEnd).find("Content-Length: ");
        if (field == std::string::npos && in.starts_with("HTTP/1.1 1"))
            return headEnd + 4;
        if (field == std::string::npos)
            return closed ? in.size() : 0;
        const std::size_t length = std::stoul(in.substr(field + 16));
        return in.size() >= headEnd + 4 + length ? headEnd + 4 + length : 0;
    };
    for (ssize_t got = 1; got > 0 && complete() == 0;) {
        got = receiveBefore(socket_, deadline, in);
        closed = got == 0;
    }
    const std::size_t end = complete() == 0 ? in.size() : complete();
    std::string reply = in.substr(0, end);
    in.erase(0, end);
    return reply;
}

bool RawConnection::closedWithin(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    ssize_t got = 0;
    for (std::string discarded; (got = receiveBefore(socket_, deadline, discarded)) > 0;)
        discarded.clear();
    return got == 0;
}

int statusOf(const std::string &reply)
{
    return reply.starts_with("HTTP/1.") && reply.size() > 12 ? std::atoi(reply.c_str() + 9) : 0;
}

std::string bodyOf(const std::string &reply)
{
    const std::size_t headEnd = reply.find("\r\n\r\n");
    return headEnd == std::string::npos ? std::string() : reply.substr(headEnd + 4);
}

static int freePort()
{
    const int socketFd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {.sin_family = AF_INET, .sin_port = 0, .sin_addr = {htonl(INADDR_LOOPBACK)}, .sin_zero = {}};
    socklen_t length = sizeof address;
    ::bind(socketFd, reinterpret_cast<sockaddr *>(&address), length);
    ::getsockname(socketFd, reinterpret_cast<sockaddr *>(&address), &length);
    ::close(socketFd);
    return ntohs(address.sin_port);
}

std::pair<std::unique_ptr<ServerProcess>, int> startNginx(
    const TemporaryDirectory &directory, const std::vector<int> &pagePorts)
{
    const int port = freePort();
    std::string config = contentsOf(VENDORCENTER_NGINX_CONF);
    const auto fill = [&config](const std::string &name, int value) {
        config.replace(config.find(name), name.size(), std::to_string(value));
    };
    fill("@PORT@", port);
    fill("@PAGE_A@", pagePorts.at(0));
    fill("@PAGE_B@", pagePorts.at(1));
    std::ofstream(directory.file("nginx.conf")) << config;
    auto nginx = std::make_unique<ServerProcess>("/usr/sbin/nginx",
        std::vector<std::string> {
            "-p", directory.path(), "-c", directory.file("nginx.conf"), "-e", directory.file("error.log")});
    httplib::Client probe("127.0.0.1", port);
    for (const auto readyBy = std::chrono::steady_clock::now() + std::chrono::seconds(10);
         !probe.Get("/healthz") && std::chrono::steady_clock::now() < readyBy;)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return {std::move(nginx), port};
}

} // namespace vendorcenter::server::testing
