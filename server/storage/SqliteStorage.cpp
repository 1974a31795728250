#include "storage/SqliteStorage.h"

#include "storage/SelectedListTag.h"
#include "storage/StorageSql.h"

#include <sqlite3.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vendorcenter::server {
namespace {

// ---- the SQL only the SQLite storage runs; the rest is in StorageSql ------

// The mapping lets every pooled connection read the same pages instead of
// each keeping a page cache of its own.
constexpr const char *kConnectionSettings =
    "PRAGMA foreign_keys = ON; PRAGMA busy_timeout = 5000; PRAGMA mmap_size = 268435456;";
constexpr const char *kJournalMode = "PRAGMA journal_mode = WAL;";
constexpr const char *kCountTables = "SELECT count(*) FROM sqlite_master WHERE type = 'table'";

// A post runs statement by statement, each change guarded by the center's
// existence, inside one write transaction.
constexpr const char *kVendorExists = "SELECT 1 FROM Vendors WHERE VendorID = ?1";
constexpr const char *kCenterExists = "SELECT 1 FROM Centers WHERE CenterID = ?1";
// An update or a removal guards on the center itself, so a known center costs
// one statement; only a change that touched nothing asks why. An insert asks
// first: a point query and a plain insert cost a third less than an
// INSERT ... SELECT with the same guard.
#define VC_CENTER_KNOWN "EXISTS (SELECT 1 FROM Centers WHERE CenterID = ?2)"
constexpr const char *kInsertCrossReference =
    "INSERT INTO VendorCenterCrossReference(VendorID, CenterID, CenterHandlingFee, DutyBrokerageFee, RecordLastUpdated)"
    " VALUES (?1, ?2, ?3, ?4, ?5) ON CONFLICT (VendorID, CenterID) DO NOTHING";
constexpr const char *kUpdateCrossReference =
    "UPDATE VendorCenterCrossReference SET CenterHandlingFee = ?3, DutyBrokerageFee = ?4, RecordLastUpdated = ?5"
    " WHERE VendorID = ?1 AND CenterID = ?2 AND " VC_CENTER_KNOWN;
constexpr const char *kDeleteCrossReference =
    "DELETE FROM VendorCenterCrossReference WHERE VendorID = ?1 AND CenterID = ?2 AND " VC_CENTER_KNOWN;
#undef VC_CENTER_KNOWN
constexpr const char *kBeginRead = "BEGIN";
constexpr const char *kBeginWrite = "BEGIN IMMEDIATE";
constexpr const char *kCommit = "COMMIT";
constexpr const char *kRollback = "ROLLBACK";

// ---------------------------------------------------------------------------

class Prepared
{
public:
    Prepared() = default;
    Prepared(sqlite3 *db, const char *sql)
    {
        if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement_, nullptr) != SQLITE_OK) {
            std::string message = sqlite3_errmsg(db);
            sqlite3_finalize(statement_);
            statement_ = nullptr;
            throw StorageError("cannot prepare a statement: " + message);
        }
    }
    Prepared(Prepared &&other) noexcept : statement_(std::exchange(other.statement_, nullptr)) { }
    Prepared &operator=(Prepared &&other) noexcept
    {
        std::swap(statement_, other.statement_);
        return *this;
    }
    ~Prepared() { sqlite3_finalize(statement_); }

    sqlite3_stmt *get() const { return statement_; }

private:
    sqlite3_stmt *statement_ = nullptr;
};

// Binds, steps and always resets the statement when the use ends.
class Use
{
public:
    Use(sqlite3 *db, const Prepared &prepared) : db_(db), statement_(prepared.get()) { }
    ~Use()
    {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    Use(const Use &) = delete;
    Use &operator=(const Use &) = delete;

    Use &bind(int index, std::int64_t value) { return check(sqlite3_bind_int64(statement_, index, value)); }
    Use &bind(int index, double value) { return check(sqlite3_bind_double(statement_, index, value)); }
    // Not copied: the text outlives the use, which unbinds it when it ends.
    Use &bind(int index, std::string_view value)
    {
        return check(sqlite3_bind_text(statement_, index, value.data(), static_cast<int>(value.size()), SQLITE_STATIC));
    }

    // True while a row is there; false when done.
    bool step()
    {
        const int rc = sqlite3_step(statement_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        throw StorageError(sqlite3_errmsg(db_));
    }

    std::int64_t integer(int column) const { return sqlite3_column_int64(statement_, column); }
    double real(int column) const { return sqlite3_column_double(statement_, column); }
    bool isNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
    // Valid until the next step or reset.
    std::string_view text(int column) const
    {
        const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(statement_, column));
        if (data == nullptr)
            return {};
        return std::string_view(data, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)));
    }
    std::optional<std::string_view> optionalText(int column) const
    {
        if (isNull(column))
            return std::nullopt;
        return text(column);
    }

private:
    Use &check(int rc)
    {
        if (rc != SQLITE_OK)
            throw StorageError(sqlite3_errmsg(db_));
        return *this;
    }

    sqlite3 *db_;
    sqlite3_stmt *statement_;
};

void execute(sqlite3 *db, const char *sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message != nullptr ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        throw StorageError(text);
    }
}

std::int64_t tableCount(sqlite3 *db)
{
    Prepared statement(db, kCountTables);
    Use use(db, statement);
    use.step();
    return use.integer(0);
}

void createSchemaAndSeed(sqlite3 *db)
{
    execute(db, sql::kSchema);
    execute(db, demoSeedSql().c_str());
}

} // namespace

struct SqliteStorage::Connection
{
    explicit Connection(const std::string &path)
    {
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
        if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
            std::string message = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
            sqlite3_close_v2(db);
            throw StorageError("cannot open database " + path + ": " + message);
        }
        sqlite3_extended_result_codes(db, 1);
        try {
            execute(db, kConnectionSettings);
        } catch (...) {
            sqlite3_close_v2(db);
            throw;
        }
    }

    // Prepared only once the schema is known to exist.
    void prepare()
    {
        counts = Prepared(db, sqlFor(sql::kCounts, SqlDialect::Sqlite).c_str());
        everyActiveCenter = Prepared(db, sql::kEveryActiveCenter);
        selectedCenterIds = Prepared(db, sql::kSelectedCenterIds);
        selectedCenters = Prepared(db, sqlFor(sql::kSelectedCenters, SqlDialect::Sqlite).c_str());
        vendorExists = Prepared(db, kVendorExists);
        centerExists = Prepared(db, kCenterExists);
        insertCrossReference = Prepared(db, kInsertCrossReference);
        updateCrossReference = Prepared(db, kUpdateCrossReference);
        deleteCrossReference = Prepared(db, kDeleteCrossReference);
        beginRead = Prepared(db, kBeginRead);
        beginWrite = Prepared(db, kBeginWrite);
        commit = Prepared(db, kCommit);
        rollback = Prepared(db, kRollback);
    }

    // close_v2 waits for the prepared members, finalized right after this body.
    ~Connection() { sqlite3_close_v2(db); }

    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void run(const Prepared &statement)
    {
        Use use(db, statement);
        use.step();
    }

    void rollbackIfOpen() noexcept
    {
        if (sqlite3_get_autocommit(db) == 0) {
            sqlite3_stmt *statement = rollback.get();
            sqlite3_step(statement);
            sqlite3_reset(statement);
        }
    }

    // Called as the connection goes back to the pool.
    bool readyForReuse() noexcept
    {
        rollbackIfOpen();
        return true;
    }

    template<typename Each>
    void readSelected(std::int32_t vendorId, Each &&each)
    {
        Use use(db, selectedCenters);
        use.bind(1, std::int64_t {vendorId});
        SelectedCenterRow row;
        while (use.step()) {
            row.centerId = use.integer(0);
            row.centerName = use.text(1);
            row.handlingFee = use.real(2);
            row.dutyBrokerageFee = use.integer(3) != 0 ? 1 : 0;
            row.recordLastUpdated = use.text(4);
            each(row);
        }
    }

    bool exists(const Prepared &statement, std::int64_t id)
    {
        Use use(db, statement);
        use.bind(1, id);
        return use.step();
    }

    sqlite3 *db = nullptr;
    Prepared counts, everyActiveCenter, selectedCenterIds, selectedCenters, vendorExists, centerExists;
    Prepared insertCrossReference, updateCrossReference, deleteCrossReference;
    Prepared beginRead, beginWrite, commit, rollback;
};

SqliteStorage::SqliteStorage(std::string path)
    : path_(std::move(path)), pool_([this] {
          auto connection = std::make_unique<Connection>(path_);
          connection->prepare();
          return connection;
      })
{ }

SqliteStorage::~SqliteStorage() = default;

std::unique_ptr<SqliteStorage> SqliteStorage::open(const std::string &path)
{
    std::unique_ptr<SqliteStorage> storage(new SqliteStorage(path));
    auto connection = std::make_unique<Connection>(path);
    sqlite3 *db = connection->db;
    execute(db, kJournalMode);
    // The immediate transaction keeps two servers starting on one new file
    // from both seeding it.
    execute(db, kBeginWrite);
    try {
        if (tableCount(db) == 0)
            createSchemaAndSeed(db);
        execute(db, kCommit);
    } catch (...) {
        sqlite3_exec(db, kRollback, nullptr, nullptr, nullptr);
        throw;
    }
    connection->prepare();
    storage->pool_.giveBack(std::move(connection));
    return storage;
}

VendorCounts SqliteStorage::counts(std::int32_t vendorId)
{
    Lease connection(pool_);
    Use use(connection->db, connection->counts);
    use.bind(1, std::int64_t {vendorId});
    VendorCounts counts;
    if (use.step()) {
        counts.dutyDefault = !use.isNull(0) && use.integer(0) != 0 ? 1 : 0;
        counts.nonSelectedCount = use.integer(1);
        counts.selectedCount = use.integer(2);
    }
    return counts;
}

void SqliteStorage::readActiveCenters(std::int32_t vendorId, const ActiveCenterSink &each)
{
    Lease connection(pool_);
    connection->run(connection->beginRead); // both passes read one state of the database
    if (connection->exists(connection->vendorExists, vendorId)) {
        std::vector<std::int64_t> selected;
        {
            Use use(connection->db, connection->selectedCenterIds);
            use.bind(1, std::int64_t {vendorId});
            while (use.step())
                selected.push_back(use.integer(0));
        }
        Use use(connection->db, connection->everyActiveCenter);
        auto nextSelected = selected.cbegin();
        ActiveCenterRow row;
        while (use.step()) {
            row.centerId = use.integer(0);
            while (nextSelected != selected.cend() && *nextSelected < row.centerId)
                ++nextSelected;
            if (nextSelected != selected.cend() && *nextSelected == row.centerId)
                continue;
            row.centerName = use.text(1);
            row.countryId = use.integer(2);
            row.active = static_cast<int>(use.integer(3));
            row.city = use.optionalText(4);
            row.dateUpdated = use.optionalText(5);
            each(row);
        }
    }
    connection->run(connection->commit);
}

void SqliteStorage::readSelectedCenters(std::int32_t vendorId, const SelectedCenterSink &each)
{
    Lease connection(pool_);
    connection->readSelected(vendorId, each);
}

ApplyResult SqliteStorage::apply(
    const std::vector<Statement> &statements, std::string_view timestamp, const ListPrecondition *precondition)
{
    ApplyResult result;
    Lease connection(pool_);
    sqlite3 *db = connection->db;

    auto unknown = [&](std::size_t index, std::string detail) {
        connection->rollbackIfOpen();
        ApplyResult refused;
        refused.outcome = ApplyResult::Outcome::UnknownReference;
        refused.failedStatementIndex = index;
        refused.detail = std::move(detail);
        return refused;
    };

    try {
        connection->run(connection->beginWrite);
        // The write transaction holds off every other writer from here to the
        // commit, so the list read now is the one the statements change.
        if (precondition) {
            SelectedListTag tag(precondition->vendorId);
            connection->readSelected(precondition->vendorId, [&](const SelectedCenterRow &row) { tag.add(row); });
            if (tag.finish() != precondition->tag) {
                connection->rollbackIfOpen();
                ApplyResult refused;
                refused.outcome = ApplyResult::Outcome::PreconditionFailed;
                return refused;
            }
        }
        std::optional<std::int32_t> knownVendor; // a post is nearly always for one vendor
        for (std::size_t index = 0; index < statements.size(); ++index) {
            const Statement &statement = statements[index];
            const std::int32_t vendorId = vendorOf(statement);
            if (knownVendor != vendorId) {
                if (!connection->exists(connection->vendorExists, vendorId)) {
                    return unknown(index, "vendor " + std::to_string(vendorId) + " does not exist");
                }
                knownVendor = vendorId;
            }

            auto changeOne = [&](const Prepared &prepared, std::int32_t centerId, const double *fee, int duty,
                                 SkipReason skipReason) -> bool {
                Use use(db, prepared);
                use.bind(1, std::int64_t {vendorId}).bind(2, std::int64_t {centerId});
                if (fee != nullptr)
                    use.bind(3, *fee).bind(4, std::int64_t {duty}).bind(5, timestamp);
                use.step();
                if (sqlite3_changes(db) > 0) {
                    ++result.changedRows;
                    return true;
                }
                if (!connection->exists(connection->centerExists, centerId))
                    return false;
                result.skipped.push_back({index, skipReason, vendorId, centerId});
                return true;
            };

            std::int32_t missingCenter = 0;
            bool allCentersKnown = true;
            if (const auto *insert = std::get_if<InsertCrossReference>(&statement)) {
                allCentersKnown = connection->exists(connection->centerExists, insert->centerId)
                    && changeOne(connection->insertCrossReference, insert->centerId, &insert->handlingFee,
                        insert->dutyBrokerageFee, SkipReason::AlreadySelected);
                missingCenter = insert->centerId;
            } else if (const auto *update = std::get_if<UpdateCrossReference>(&statement)) {
                allCentersKnown = changeOne(connection->updateCrossReference, update->centerId, &update->handlingFee,
                    update->dutyBrokerageFee, SkipReason::NotSelectedToUpdate);
                missingCenter = update->centerId;
            } else if (const auto *removal = std::get_if<DeleteCrossReferences>(&statement)) {
                for (std::int32_t centerId : removal->centerIds) {
                    if (!changeOne(
                            connection->deleteCrossReference, centerId, nullptr, 0, SkipReason::NotSelectedToRemove)) {
                        allCentersKnown = false;
                        missingCenter = centerId;
                        break;
                    }
                }
            }
            if (!allCentersKnown) {
                return unknown(index, "center " + std::to_string(missingCenter) + " does not exist");
            }
        }
        connection->run(connection->commit);
    } catch (const StorageError &error) {
        connection->rollbackIfOpen();
        ApplyResult failed;
        failed.outcome = ApplyResult::Outcome::StorageFailure;
        failed.detail = error.what();
        return failed;
    }
    return result;
}

} // namespace vendorcenter::server
