// kill -9 of the real server page in the middle of a large save, then a
// restart on the same file: the database is intact and the save is there in
// full or not at all.
#include "server_page_fixture.h"
#include "server_process.h"
#include "storage/SqliteStorage.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

using namespace vendorcenter::server;
using namespace vendorcenter::server::testing;

namespace {

constexpr int kStatements = 30'000;
constexpr int kFirstBulkCenter = 100'000;

// One value of a query, read with a connection of the test's own.
std::string firstValue(const std::string& databasePath, const std::string& sql) {
    sqlite3* db = nullptr;
    std::string value = "(cannot open)";
    if (sqlite3_open_v2(databasePath.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 5000);
        sqlite3_stmt* statement = nullptr;
        value = "(no row)";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            const unsigned char* text = sqlite3_column_text(statement, 0);
            value = text ? reinterpret_cast<const char*>(text) : "(null)";
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return value;
}

long long fileSize(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

// Sends the whole request on a connection of its own and returns without
// waiting for the answer; false when the server could not be reached.
bool sendWithoutWaiting(int port, const std::string& request, int& socketOut) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval limit{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return false;
    }
    std::size_t sent = 0;
    while (sent < request.size()) {
        const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
    }
    socketOut = fd;
    return sent == request.size();
}

std::string largeSaveRequest(int vendorId) {
    std::vector<std::string> statements;
    statements.reserve(kStatements);
    for (int i = 0; i < kStatements; ++i) {
        statements.push_back(
            "INSERT INTO VendorCenterCrossReference (VendorID,CenterID,CenterHandlingFee,DutyBrokerageFee,"
            "RecordLastUpdated) VALUES (" + std::to_string(vendorId) + "," + std::to_string(kFirstBulkCenter + i) +
            ",0.08,1,GETDATE() ) ");
    }
    const std::string body = saveBody(statements);
    return "POST /VendorCenter.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n"
           "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string bulkRowsOf(const std::string& databasePath, int vendorId) {
    return firstValue(databasePath, "SELECT count(*) FROM VendorCenterCrossReference WHERE VendorID = " +
                                        std::to_string(vendorId) + " AND CenterID >= " + std::to_string(kFirstBulkCenter));
}

std::unique_ptr<ServerProcess> startServer(const std::string& databasePath) {
    return std::make_unique<ServerProcess>(VENDORCENTER_SERVER_BINARY,
                                           std::vector<std::string>{"--listen", "127.0.0.1:0", "--database", databasePath});
}

}  // namespace

TEST(ServerCrash, KillDuringALargeSaveLeavesItWhollyAppliedOrNotAtAll) {
    TemporaryDirectory directory;
    const std::string database = directory.file("vendorcenter.sqlite");
    SqliteStorage::open(database).reset();  // schema and demo data
    executeSql(database, "WITH RECURSIVE n(i) AS (SELECT " + std::to_string(kFirstBulkCenter) +
                             " UNION ALL SELECT i + 1 FROM n WHERE i < " +
                             std::to_string(kFirstBulkCenter + kStatements - 1) +
                             ") INSERT INTO Centers(CenterID, CenterName, CountryID, Active) "
                             "SELECT i, 'Bulk center ' || i, 1, 1 FROM n;"
                             "INSERT INTO Vendors(VendorID, VendorName) VALUES (40, 'A'), (41, 'B'), (42, 'C'), "
                             "(43, 'D'), (44, 'E'), (45, 'F');");

    // One round per vendor, each killing at another moment: as soon as the
    // write-ahead log moves (inside the transaction or its commit), and at
    // fixed times after the last byte of the body went out, across the half
    // second such a save takes.
    struct Round {
        int vendorId;
        int killAfterMs;  // -1: when the write-ahead log moves
    };
    const Round rounds[] = {{40, -1}, {41, 150}, {42, 400}};
    const std::string wal = database + "-wal";
    std::string outcomes;

    auto server = startServer(database);
    int port = server->listeningPort(std::chrono::seconds(15));
    ASSERT_GT(port, 0);
    const auto started = std::chrono::steady_clock::now();
    for (const Round& round : rounds) {
        const std::string request = largeSaveRequest(round.vendorId);
        const long long walBefore = fileSize(wal);
        int connection = -1;
        ASSERT_TRUE(sendWithoutWaiting(port, request, connection));
        if (round.killAfterMs < 0) {
            const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (fileSize(wal) == walBefore && std::chrono::steady_clock::now() < limit) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(round.killAfterMs));
        }
        server->killHard();
        close(connection);

        // Restart on the same file: opening it recovers from the log.
        server = startServer(database);
        port = server->listeningPort(std::chrono::seconds(15));
        ASSERT_GT(port, 0) << "the server page did not start again after the kill";

        EXPECT_EQ(firstValue(database, "PRAGMA integrity_check"), "ok");
        EXPECT_EQ(firstValue(database, "PRAGMA foreign_key_check"), "(no row)");
        const std::string rows = bulkRowsOf(database, round.vendorId);
        EXPECT_TRUE(rows == "0" || rows == std::to_string(kStatements))
            << "vendor " << round.vendorId << " holds " << rows << " of the " << kStatements << " rows";
        outcomes += " vendor " + std::to_string(round.vendorId) + (rows == "0" ? " none" : " all") + ",";
    }
    outcomes.pop_back();

    // Whatever was lost can be sent again and arrives whole, which also shows
    // that the count above can see a save that went through.
    int connection = -1;
    ASSERT_TRUE(sendWithoutWaiting(port, largeSaveRequest(40), connection));
    char answer[64] = {};
    timeval limit{20, 0};
    setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ASSERT_GT(recv(connection, answer, sizeof answer - 1, 0), 0);
    close(connection);
    EXPECT_EQ(std::string(answer).rfind("HTTP/1.1 200", 0), 0u) << answer;
    EXPECT_EQ(bulkRowsOf(database, 40), std::to_string(kStatements));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    std::printf("server page crash: %zu rounds of kill -9 from inside a save of %d statements to after its reply, "
                "each restarted on the same file (%.1f s in all): integrity ok every time; saves kept:%s\n",
                std::size(rounds), kStatements, seconds, outcomes.c_str());
}
