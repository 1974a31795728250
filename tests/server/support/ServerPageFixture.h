#pragma once

#include "HttpServer.h"
#include "storage/Storage.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <pugixml.hpp>

#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vendorcenter::server::testing {

// A fresh directory under /tmp, removed with everything in it.
class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Statements as the control writes them, and its form encoding of a post.
std::string insertStatement(long vendor, long center, const std::string& fee, int duty);
std::string updateStatement(long vendor, long center, const std::string& fee, int duty);
std::string deleteStatement(long vendor, long center);
extern const std::string kInsert7;
extern const std::string kUpdate9;
extern const std::string kDelete3And5;
std::string saveBody(const std::vector<std::string>& statements);

// A reply read the way the control reads it: children counted by position,
// comments kept. Null when it is not well-formed.
std::unique_ptr<pugi::xml_document> readByPosition(const std::string& xml);
pugi::xml_node childAt(pugi::xml_node node, std::size_t position);
std::size_t childCount(pugi::xml_node node);
// The text of the element reached by the positions from `node`.
std::string textAt(pugi::xml_node node, std::initializer_list<std::size_t> path);

struct StoredCrossReference {
    long long vendorId;
    long long centerId;
    double handlingFee;
    long long dutyBrokerageFee;
    std::string recordLastUpdated;
    bool operator==(const StoredCrossReference&) const = default;
};

enum class StorageKind { Sqlite, Postgres };
std::string storageKindName(const ::testing::TestParamInfo<StorageKind>& info);
#define VC_ON_EACH_STORAGE(suite)                                                                          \
    INSTANTIATE_TEST_SUITE_P(OnEachStorage, suite,                                                        \
                             ::testing::Values(StorageKind::Sqlite, StorageKind::Postgres), storageKindName)

// A new database of one kind, read and changed directly beside the server page.
// PostgreSQL is the throwaway cluster of pg_virtualenv, reached through the
// PG* variables it sets.
class TestDatabase {
public:
    // Null when that kind cannot be had here; says why in one line.
    static std::unique_ptr<TestDatabase> create(StorageKind kind, const TemporaryDirectory& directory);
    StorageKind kind() const { return kind_; }
    // What the server page takes as --database; on PostgreSQL it carries a password.
    const std::string& connectionText() const { return connectionText_; }
    std::unique_ptr<Storage> open() const;
    void execute(const std::string& sql) const;
    // Every row of the last statement, every field as text (floats as their
    // shortest exact text, NULL as nullopt).
    using Rows = std::vector<std::vector<std::optional<std::string>>>;
    Rows rows(const std::string& sql) const;
    std::vector<StoredCrossReference> crossReferences() const;
    // Every later INSERT of that center fails inside the database.
    void refuseInsertsOfCenter(int centerId) const;

private:
    TestDatabase(StorageKind kind, std::string connectionText) : kind_(kind), connectionText_(std::move(connectionText)) {}
    StorageKind kind_;
    std::string connectionText_;
};

// Stops the pg_virtualenv cluster at once (open connections break) or starts it again.
void stopPostgres();
void startPostgres();
// A loopback port nothing listens on at the moment of the call.
int freeLoopbackPort();

// The server page on a free loopback port over a new seeded database of the
// test's storage kind.
class ServerPageTest : public ::testing::TestWithParam<StorageKind> {
protected:
    void SetUp() override;
    void TearDown() override;

    httplib::Result get(const std::string& target) { return client_->Get(target); }
    httplib::Result post(const std::string& body) {
        return client_->Post("/VendorCenter.asp", body, "application/x-www-form-urlencoded");
    }
    // The reply to one of the three queries; null unless it is 200 and well-formed.
    std::unique_ptr<pugi::xml_document> query(const std::string& kind, const std::string& vendorId);
    std::vector<StoredCrossReference> storedRows() const { return database_->crossReferences(); }
    std::vector<std::string> serverLog() const;

    TemporaryDirectory directory_;
    std::unique_ptr<TestDatabase> database_;
    std::unique_ptr<Storage> storage_;
    std::unique_ptr<HttpServer> server_;
    int port_ = 0;
    std::unique_ptr<httplib::Client> client_;

private:
    struct Log {
        std::mutex mutex;
        std::vector<std::string> lines;
    };
    std::shared_ptr<Log> log_ = std::make_shared<Log>();
};

}  // namespace vendorcenter::server::testing
