#include "server_page_fixture.h"

#ifdef VENDORCENTER_HAS_POSTGRESQL
#include "postgres_cluster.h"
#include "storage/PostgresStorage.h"
#endif

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace vendorcenter::server::testing {

TemporaryDirectory::TemporaryDirectory() {
    std::string pattern = "/tmp/vendorcenter-backend-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

namespace {

struct Database {
    explicit Database(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            sqlite3_close(db);
            throw std::runtime_error("cannot open " + path);
        }
        sqlite3_busy_timeout(db, 5000);
    }
    ~Database() { sqlite3_close(db); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    sqlite3* db = nullptr;
};

}  // namespace

std::vector<StoredCrossReference> storedCrossReferences(const std::string& databasePath) {
    Database database(databasePath);
    sqlite3_stmt* statement = nullptr;
    const char* sql =
        "SELECT VendorID, CenterID, CenterHandlingFee, DutyBrokerageFee, RecordLastUpdated"
        " FROM VendorCenterCrossReference ORDER BY VendorID, CenterID";
    if (sqlite3_prepare_v2(database.db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        throw std::runtime_error(sqlite3_errmsg(database.db));
    }
    std::vector<StoredCrossReference> rows;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        rows.push_back({sqlite3_column_int64(statement, 0), sqlite3_column_int64(statement, 1),
                        sqlite3_column_double(statement, 2), sqlite3_column_int64(statement, 3),
                        reinterpret_cast<const char*>(sqlite3_column_text(statement, 4))});
    }
    sqlite3_finalize(statement);
    return rows;
}

void executeSql(const std::string& databasePath, const std::string& sql) {
    Database database(databasePath);
    char* message = nullptr;
    if (sqlite3_exec(database.db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message != nullptr ? message : "failed";
        sqlite3_free(message);
        throw std::runtime_error(text);
    }
}

std::string formEncode(const std::string& text) {
    static const char* const hex = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == ' ') {
            out += '+';
        } else if ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                   byte == '*' || byte == '-' || byte == '.' || byte == '_') {
            out += c;
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        }
    }
    return out;
}

std::string saveBody(const std::vector<std::string>& statements) {
    std::string body;
    for (const std::string& statement : statements) body += "SQL=" + formEncode(statement) + "&";
    return body;
}

std::string insertStatement(long vendor, int center, const std::string& fee, int duty) {
    return "INSERT INTO VendorCenterCrossReference (VendorID,CenterID,CenterHandlingFee,DutyBrokerageFee,RecordLastUpdated) "
           "VALUES (" + std::to_string(vendor) + "," + std::to_string(center) + "," + fee + "," + std::to_string(duty) +
           ",GETDATE() ) ";
}

std::string updateStatement(long vendor, int center, const std::string& fee, int duty) {
    return "UPDATE VendorCenterCrossReference SET CenterHandlingFee= " + fee + ", DutyBrokerageFee= " + std::to_string(duty) +
           ", RecordLastUpdated = GETDATE()  WHERE CenterID = " + std::to_string(center) +
           " AND vendorID = " + std::to_string(vendor);
}

std::string deleteStatement(long vendor, int center) {
    return "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=" + std::to_string(vendor) + " AND CenterID IN(" +
           std::to_string(center) + ")";
}

const std::string kInsert7 = insertStatement(12, 7, "0.08", 1);
const std::string kUpdate9 = updateStatement(12, 9, "0.05", 0);
const std::string kDelete3And5 = "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(3,5)";

std::unique_ptr<PositionalDocument> readByPosition(const std::string& xml) {
    auto document = std::make_unique<PositionalDocument>();
    const pugi::xml_parse_result result =
        document->document.load_buffer(xml.data(), xml.size(), pugi::parse_default | pugi::parse_comments, pugi::encoding_utf8);
    document->parsed = static_cast<bool>(result);
    return document;
}

pugi::xml_node childAt(pugi::xml_node node, std::size_t position) {
    std::size_t index = 0;
    for (pugi::xml_node child : node.children()) {
        if (index++ == position) return child;
    }
    return {};
}

std::size_t childCount(pugi::xml_node node) {
    std::size_t count = 0;
    for ([[maybe_unused]] pugi::xml_node child : node.children()) ++count;
    return count;
}

std::string textOf(pugi::xml_node node) { return node.text().get(); }

namespace {

class SqliteTestDatabase final : public TestDatabase {
public:
    explicit SqliteTestDatabase(std::string path) : path_(std::move(path)) {}
    StorageKind kind() const override { return StorageKind::Sqlite; }
    std::string connectionText() const override { return path_; }
    std::unique_ptr<Storage> open() const override { return SqliteStorage::open(path_); }
    std::vector<StoredCrossReference> crossReferences() const override { return storedCrossReferences(path_); }
    void execute(const std::string& sql) const override { executeSql(path_, sql); }
    void refuseInsertsOfCenter(int centerId) const override {
        const std::string id = std::to_string(centerId);
        executeSql(path_, "CREATE TRIGGER refuse_center_" + id +
                              " BEFORE INSERT ON VendorCenterCrossReference WHEN NEW.CenterID = " + id +
                              " BEGIN SELECT RAISE(ABORT, 'refused for the test'); END;");
    }

private:
    std::string path_;
};

#ifdef VENDORCENTER_HAS_POSTGRESQL
// The database "vendorcenter" of the process's cluster, emptied for each test.
class PostgresTestDatabase final : public TestDatabase {
public:
    explicit PostgresTestDatabase(PostgresCluster& cluster) : cluster_(cluster) {
        static std::once_flag created;
        std::call_once(created, [&] { cluster_.createDatabase(kName); });
        cluster_.execute(kName, "DROP SCHEMA IF EXISTS public CASCADE; CREATE SCHEMA public;");
    }
    StorageKind kind() const override { return StorageKind::PostgreSQL; }
    // With a password, which must never show in a message or log line.
    std::string connectionText() const override { return cluster_.uri(kName, kPassword); }
    std::unique_ptr<Storage> open() const override { return PostgresStorage::open(connectionText()); }
    std::vector<StoredCrossReference> crossReferences() const override {
        std::vector<StoredCrossReference> rows;
        for (const auto& row : cluster_.rows(kName,
                                             "SELECT VendorID, CenterID, CenterHandlingFee, DutyBrokerageFee, "
                                             "RecordLastUpdated FROM VendorCenterCrossReference ORDER BY VendorID, CenterID")) {
            rows.push_back({std::stoll(*row[0]), std::stoll(*row[1]), std::stod(*row[2]), std::stoll(*row[3]), *row[4]});
        }
        return rows;
    }
    void execute(const std::string& sql) const override { cluster_.execute(kName, sql); }
    void refuseInsertsOfCenter(int centerId) const override {
        const std::string id = std::to_string(centerId);
        cluster_.execute(kName, "CREATE FUNCTION refuse_center_" + id +
                                    "() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION "
                                    "'refused for the test'; END $$;"
                                    "CREATE TRIGGER refuse_center_" + id +
                                    " BEFORE INSERT ON VendorCenterCrossReference FOR EACH ROW WHEN (NEW.CenterID = " +
                                    id + ") EXECUTE FUNCTION refuse_center_" + id + "();");
    }

    static constexpr const char* kName = "vendorcenter";
    static constexpr const char* kPassword = "s3cret-Pa55";

private:
    PostgresCluster& cluster_;
};
#endif

}  // namespace

std::vector<StorageKind> storageKindsUnderTest() {
#ifdef VENDORCENTER_HAS_POSTGRESQL
    return {StorageKind::Sqlite, StorageKind::PostgreSQL};
#else
    return {StorageKind::Sqlite};
#endif
}

std::string storageKindName(const ::testing::TestParamInfo<StorageKind>& info) {
    return info.param == StorageKind::PostgreSQL ? "PostgreSQL" : "SQLite";
}

std::unique_ptr<TestDatabase> makeTestDatabase(StorageKind kind, const TemporaryDirectory& directory) {
    if (kind == StorageKind::Sqlite) {
        return std::make_unique<SqliteTestDatabase>(directory.file("vendorcenter.sqlite"));
    }
#ifdef VENDORCENTER_HAS_POSTGRESQL
    if (PostgresCluster* cluster = PostgresCluster::shared()) return std::make_unique<PostgresTestDatabase>(*cluster);
#endif
    return nullptr;
}

void ServerPageTest::SetUp() {
    database_ = makeTestDatabase(storageKind(), directory_);
    if (!database_) GTEST_SKIP();
    if (database_->kind() == StorageKind::Sqlite) databasePath_ = database_->connectionText();
    storage_ = database_->open();
    server_ = std::make_unique<HttpServer>(*storage_, [log = log_](std::string_view line) {
        std::lock_guard lock(log->mutex);
        log->lines.emplace_back(line);
    });
    port_ = server_->bind("127.0.0.1", 0);
    ASSERT_GT(port_, 0);
    ASSERT_TRUE(server_->start());
    client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
    client_->set_connection_timeout(5);
    client_->set_read_timeout(20);
    client_->set_write_timeout(20);
}

void ServerPageTest::TearDown() {
    client_.reset();
    if (server_) server_->stop();
    server_.reset();
    storage_.reset();
}

std::vector<std::string> ServerPageTest::serverLog() const {
    std::lock_guard lock(log_->mutex);
    return log_->lines;
}

httplib::Result ServerPageTest::get(const std::string& target) { return client_->Get(target); }

httplib::Result ServerPageTest::post(const std::string& body) {
    return client_->Post("/VendorCenter.asp", body, "application/x-www-form-urlencoded");
}

std::unique_ptr<PositionalDocument> ServerPageTest::query(const std::string& kind, const std::string& vendorId) {
    auto result = get("/VendorCenter.asp?" + kind + "=1&VendorID=" + vendorId);
    if (!result || result->status != 200) return nullptr;
    return readByPosition(result->body);
}

}  // namespace vendorcenter::server::testing
