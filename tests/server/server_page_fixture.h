#pragma once

#include "HttpServer.h"
#include "storage/SqliteStorage.h"
#include "storage/Storage.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <pugixml.hpp>

#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

namespace vendorcenter::server::testing {

// A fresh directory under /tmp, removed with everything in it.
class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// One row of VendorCenterCrossReference as the database holds it.
struct StoredCrossReference {
    long long vendorId;
    long long centerId;
    double handlingFee;
    long long dutyBrokerageFee;
    std::string recordLastUpdated;

    bool operator==(const StoredCrossReference&) const = default;
};

// Reads the database directly, beside the server page.
std::vector<StoredCrossReference> storedCrossReferences(const std::string& databasePath);
void executeSql(const std::string& databasePath, const std::string& sql);

// The control's form encoding of a statement: blank as "+", 66 characters as
// they are, every other byte as "%XX".
std::string formEncode(const std::string& text);
std::string saveBody(const std::vector<std::string>& statements);

// Statements as the control writes them, and the worked example of vendor 12.
std::string insertStatement(long vendor, int center, const std::string& fee, int duty);
std::string updateStatement(long vendor, int center, const std::string& fee, int duty);
std::string deleteStatement(long vendor, int center);
extern const std::string kInsert7;
extern const std::string kUpdate9;
extern const std::string kDelete3And5;

// A document read the way the control reads it: whitespace-only text dropped,
// comments kept, children counted by position.
struct PositionalDocument {
    pugi::xml_document document;
    bool parsed = false;
    pugi::xml_node root() const { return document.document_element(); }
};
std::unique_ptr<PositionalDocument> readByPosition(const std::string& xml);
pugi::xml_node childAt(pugi::xml_node node, std::size_t position);
std::size_t childCount(pugi::xml_node node);
std::string textOf(pugi::xml_node node);

enum class StorageKind { Sqlite, PostgreSQL };

// SQLite, and PostgreSQL where the server page was built with it.
std::vector<StorageKind> storageKindsUnderTest();
std::string storageKindName(const ::testing::TestParamInfo<StorageKind>& info);

// A new database of one kind, read and changed directly beside the server page.
class TestDatabase {
public:
    virtual ~TestDatabase() = default;
    virtual StorageKind kind() const = 0;
    // What the server binary takes as --database.
    virtual std::string connectionText() const = 0;
    // The server page's storage on it; creates the schema and demo data when empty.
    virtual std::unique_ptr<Storage> open() const = 0;
    virtual std::vector<StoredCrossReference> crossReferences() const = 0;
    virtual void execute(const std::string& sql) const = 0;
    // Every later INSERT of that center into the cross-reference table fails
    // inside the database, as a fault of the database would.
    virtual void refuseInsertsOfCenter(int centerId) const = 0;
};

// Null when that kind cannot be had on this machine (PostgreSQL without its
// server programs, which says so once). `directory` holds a SQLite file.
std::unique_ptr<TestDatabase> makeTestDatabase(StorageKind kind, const TemporaryDirectory& directory);

// The server page on a free loopback port over a new seeded database: SQLite
// here; ServerPageOnEachStorage runs a test on every storage kind.
class ServerPageTest : public ::testing::Test {
protected:
    virtual StorageKind storageKind() const { return StorageKind::Sqlite; }
    void SetUp() override;
    void TearDown() override;

    httplib::Result get(const std::string& target);
    httplib::Result post(const std::string& body);
    std::unique_ptr<PositionalDocument> query(const std::string& kind, const std::string& vendorId);

    std::vector<StoredCrossReference> storedRows() const { return database_->crossReferences(); }
    // The lines the server page logged so far.
    std::vector<std::string> serverLog() const;

    TemporaryDirectory directory_;
    std::string databasePath_;  // the SQLite file; empty on other storages
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

class ServerPageOnEachStorage : public ServerPageTest, public ::testing::WithParamInterface<StorageKind> {
protected:
    StorageKind storageKind() const override { return GetParam(); }
};

}  // namespace vendorcenter::server::testing
