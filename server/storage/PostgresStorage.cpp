#include "storage/PostgresStorage.h"

#include "storage/ChangePlan.h"
#include "storage/OpenStorage.h"
#include "storage/SelectedListTag.h"
#include "storage/StorageSql.h"

#include <libpq-fe.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <functional>
#include <random>
#include <thread>
#include <utility>

namespace vendorcenter::server {
namespace {

// ---- the SQL only the PostgreSQL storage runs; the rest is in StorageSql ---

constexpr const char *kSessionSettings =
    // Floats as text must read back as the very same double, whatever the
    // server's default, so that fees come out as they do from SQLite.
    "SET extra_float_digits = 3";

// Keeps two servers that start on one empty database from both seeding it.
constexpr const char *kSeedLock = "SELECT pg_advisory_xact_lock(738106502)";
constexpr const char *kCountTables = "SELECT count(*) FROM pg_catalog.pg_tables WHERE schemaname = current_schema()";

// A post is applied in a fixed number of round trips whatever its size:
// read which vendors and centers exist, lock the post's vendors, read which
// of its pairs exist, work the statements through in order in memory (as
// SQLite runs them one by one), then write the net changes. Running the
// statements one by one instead would pile up a dead index entry for every
// INSERT and DELETE of the same pair within the transaction, each costlier
// than the last.
//
// The advisory locks (one per bucket of vendors, see vendorLockBuckets) cover
// pairs that do not exist yet, so two posts naming one pair take turns; taken
// in one order, they cannot deadlock.
constexpr const char *kLockVendors = "SELECT pg_advisory_xact_lock(738106503, b.b) FROM"
                                     " (SELECT DISTINCT b FROM unnest($1::integer[]) AS u(b) ORDER BY b) AS b";
// Vendors and centers stay until the commit (no one can remove them meanwhile).
constexpr const char *kKnownVendors = "SELECT VendorID FROM Vendors WHERE VendorID = ANY($1::integer[]) FOR KEY SHARE";
constexpr const char *kKnownCenters = "SELECT CenterID FROM Centers WHERE CenterID = ANY($1::integer[]) FOR KEY SHARE";
constexpr const char *kPresentPairs =
    "SELECT x.VendorID, x.CenterID FROM VendorCenterCrossReference x"
    " JOIN unnest($1::integer[], $2::integer[]) AS p(v, c) ON x.VendorID = p.v AND x.CenterID = p.c FOR UPDATE OF x";
constexpr const char *kDeletePairs =
    "DELETE FROM VendorCenterCrossReference x USING unnest($1::integer[], $2::integer[]) AS p(v, c)"
    " WHERE x.VendorID = p.v AND x.CenterID = p.c";
constexpr const char *kInsertPairs =
    "INSERT INTO VendorCenterCrossReference(VendorID, CenterID, CenterHandlingFee, DutyBrokerageFee, RecordLastUpdated)"
    " SELECT v, c, f, d, $5::text FROM unnest($1::integer[], $2::integer[], $3::double precision[], $4::integer[])"
    " AS p(v, c, f, d)";
constexpr const char *kUpdatePairs =
    "UPDATE VendorCenterCrossReference x SET CenterHandlingFee = p.f, DutyBrokerageFee = p.d, RecordLastUpdated = "
    "$5::text"
    " FROM unnest($1::integer[], $2::integer[], $3::double precision[], $4::integer[]) AS p(v, c, f, d)"
    " WHERE x.VendorID = p.v AND x.CenterID = p.c";

constexpr const char *kBegin = "BEGIN ISOLATION LEVEL READ COMMITTED";
constexpr const char *kCommit = "COMMIT";
constexpr const char *kRollback = "ROLLBACK";

// ---------------------------------------------------------------------------

constexpr Oid kInt4 = 23;

struct PreparedSql
{
    const char *name;
    std::string sql;
    std::vector<Oid> types;
};

const std::vector<PreparedSql> &preparedSql()
{
    static const std::vector<PreparedSql> all = {
        {"counts", sqlFor(sql::kCounts, SqlDialect::Postgres), {kInt4}},
        {"active", sqlFor(sql::kActiveCenters, SqlDialect::Postgres), {kInt4}},
        {"selected", sqlFor(sql::kSelectedCenters, SqlDialect::Postgres), {kInt4}},
        {"lock_vendors", kLockVendors, {}},
        {"known_vendors", kKnownVendors, {}},
        {"known_centers", kKnownCenters, {}},
        {"present_pairs", kPresentPairs, {}},
        {"delete_pairs", kDeletePairs, {}},
        {"insert_pairs", kInsertPairs, {}},
        {"update_pairs", kUpdatePairs, {}},
    };
    return all;
}

// The connection broke; nothing of the open transaction was kept.
class ConnectionLost : public StorageError
{
public:
    using StorageError::StorageError;
};

// Deadlock or serialization failure: rolled back, safe to run again.
class TransactionConflict : public StorageError
{
public:
    using StorageError::StorageError;
};

// The connection broke while COMMIT was on its way.
class CommitUncertain : public StorageError
{
public:
    using StorageError::StorageError;
};

// libpq's messages run over several lines; the log and stderr get one.
std::string oneLine(std::string_view message)
{
    std::string out;
    bool pendingBreak = false;
    for (char c : message) {
        if (c == '\n' || c == '\r') {
            pendingBreak = true;
            continue;
        }
        if (c == '\t' && (out.empty() || pendingBreak))
            continue;
        if (pendingBreak && !out.empty())
            out += "; ";
        pendingBreak = false;
        out += c;
    }
    return out;
}

std::string scrubbed(std::string text, const std::string &secret)
{
    if (secret.empty())
        return text;
    for (std::size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at + 3)) {
        text.replace(at, secret.size(), "***");
    }
    return text;
}

// The password as written in a URI's user part, before any decoding.
std::string writtenUriPassword(std::string_view uri)
{
    if (!isPostgresDatabase(uri))
        return {};
    const std::size_t start = uri.find("://") + 3;
    const std::size_t query = std::min(uri.find('?', start), uri.size());
    const std::size_t at = uri.substr(0, query).rfind('@');
    if (at == std::string_view::npos || at < start)
        return {};
    const std::size_t colon = uri.substr(0, at).find(':', start);
    if (colon == std::string_view::npos)
        return {};
    return std::string(uri.substr(colon + 1, at - colon - 1));
}

class Result
{
public:
    explicit Result(PGresult *result = nullptr) : result_(result) { }
    Result(Result &&other) noexcept : result_(std::exchange(other.result_, nullptr)) { }
    ~Result() { PQclear(result_); }

    PGresult *get() const { return result_; }
    int rows() const { return PQntuples(result_); }
    bool isNull(int row, int column) const { return PQgetisnull(result_, row, column) != 0; }
    // Valid while the result lives.
    std::string_view text(int row, int column) const
    {
        return std::string_view(
            PQgetvalue(result_, row, column), static_cast<std::size_t>(PQgetlength(result_, row, column)));
    }
    std::optional<std::string_view> optionalText(int row, int column) const
    {
        if (isNull(row, column))
            return std::nullopt;
        return text(row, column);
    }
    std::int64_t integer(int row, int column) const
    {
        const std::string_view value = text(row, column);
        std::int64_t number = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
        if (error != std::errc() || end != value.data() + value.size()) {
            throw StorageError("unexpected number from the database: " + std::string(value));
        }
        return number;
    }
    double real(int row, int column) const
    {
        const std::string_view value = text(row, column);
        double number = 0.0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
        if (error != std::errc() || end != value.data() + value.size()) {
            throw StorageError("unexpected number from the database: " + std::string(value));
        }
        return number;
    }

private:
    PGresult *result_;
};

// The shortest text that reads back as the same number.
template<typename Number>
std::string shortestText(Number value)
{
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::string("0");
}

// Parameter values in libpq's text form.
class Parameters
{
public:
    Parameters &add(std::int64_t value) { return addText(std::to_string(value)); }
    Parameters &add(std::string_view value) { return addText(std::string(value)); }
    // An array in PostgreSQL's text form: {1,2,3}.
    template<typename Number>
    Parameters &addArray(const std::vector<Number> &numbers)
    {
        std::string text = "{";
        for (const Number &number : numbers) {
            if (text.size() > 1)
                text += ',';
            text += shortestText(number);
        }
        text += '}';
        return addText(std::move(text));
    }
    int count() const { return static_cast<int>(texts_.size()); }
    // Pointers into this object: valid while it is not changed.
    std::vector<const char *> values() const
    {
        std::vector<const char *> pointers;
        for (const std::string &text : texts_)
            pointers.push_back(text.c_str());
        return pointers;
    }

private:
    Parameters &addText(std::string text)
    {
        texts_.push_back(std::move(text));
        return *this;
    }
    std::vector<std::string> texts_;
};

void ignoreNotice(void *, const char *) { }

template<typename Each>
void forEachSelectedRow(const Result &result, Each &&each)
{
    SelectedCenterRow row;
    for (int i = 0; i < result.rows(); ++i) {
        row.centerId = result.integer(i, 0);
        row.centerName = result.text(i, 1);
        row.handlingFee = result.real(i, 2);
        row.dutyBrokerageFee = result.integer(i, 3) != 0 ? 1 : 0;
        row.recordLastUpdated = result.text(i, 4);
        each(row);
    }
}

} // namespace

struct PostgresStorage::Connection
{
    Connection(PGconn *opened, const std::string &secret) : conn(opened), password(secret) { }
    ~Connection() { PQfinish(conn); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Throws the error that matches what went wrong with `result`.
    [[noreturn]] void fail(const Result &result) const
    {
        const char *state = result.get() != nullptr ? PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
        const std::string_view code = state != nullptr ? state : "";
        const char *message = result.get() != nullptr ? PQresultErrorMessage(result.get()) : "";
        if (*message == '\0')
            message = PQerrorMessage(conn);
        std::string text = scrubbed(oneLine(message), password);
        if (text.empty())
            text = "the database did not answer";
        // Class 08 is a broken connection; 57P0x a server shutting down or restarting.
        if (PQstatus(conn) == CONNECTION_BAD || code.starts_with("08") || code.starts_with("57P0")) {
            throw ConnectionLost(text);
        }
        // 23505: a pair added behind the locks by someone who does not take them.
        if (code == "40001" || code == "40P01" || code == "23505")
            throw TransactionConflict(text);
        throw StorageError(text);
    }

    Result run(const char *sql)
    {
        Result result(PQexec(conn, sql));
        const ExecStatusType status = PQresultStatus(result.get());
        if (result.get() == nullptr || (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK))
            fail(result);
        return result;
    }

    Result runPrepared(const char *name, const Parameters &parameters)
    {
        const std::vector<const char *> values = parameters.values();
        Result result(PQexecPrepared(conn, name, parameters.count(), values.data(), nullptr, nullptr, 0));
        const ExecStatusType status = PQresultStatus(result.get());
        if (result.get() == nullptr || (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK))
            fail(result);
        return result;
    }

    // Prepared only once the schema is known to exist.
    void prepare()
    {
        for (const PreparedSql &statement : preparedSql()) {
            Result result(PQprepare(conn, statement.name, statement.sql.c_str(),
                static_cast<int>(statement.types.size()), statement.types.data()));
            if (PQresultStatus(result.get()) != PGRES_COMMAND_OK)
                fail(result);
        }
    }

    bool usable() const { return PQstatus(conn) == CONNECTION_OK; }

    // Leaves the connection outside any transaction, or unusable.
    void rollbackIfOpen() noexcept
    {
        if (!usable() || PQtransactionStatus(conn) == PQTRANS_IDLE)
            return;
        PQclear(PQexec(conn, kRollback));
    }

    // Called as the connection goes back to the pool.
    bool readyForReuse() noexcept
    {
        rollbackIfOpen();
        return usable();
    }

    PGconn *conn;
    const std::string &password;
};

PostgresStorage::PostgresStorage(std::string uri)
    : uri_(std::move(uri)), pool_([this] { return connectPrepared(); }) { }

PostgresStorage::~PostgresStorage() = default;

std::unique_ptr<PostgresStorage::Connection> PostgresStorage::connect() const
{
    // Entries before "dbname" are defaults the URI may override; the one after it is not.
    const char *const keywords[] = {"connect_timeout", "application_name", "dbname", "client_encoding", nullptr};
    const char *const values[] = {"10", "vendorcenter-server", uri_.c_str(), "UTF8", nullptr};
    PGconn *conn = PQconnectdbParams(keywords, values, 1);
    if (conn == nullptr)
        throw StorageUnavailable("out of memory while connecting to the database");
    auto connection = std::make_unique<Connection>(conn, password_);
    if (PQstatus(conn) != CONNECTION_OK) {
        throw StorageUnavailable(scrubbed(oneLine(PQerrorMessage(conn)), password_));
    }
    // Notices (such as those of CREATE TABLE) would otherwise go to stderr.
    PQsetNoticeProcessor(conn, ignoreNotice, nullptr);
    try {
        connection->run(kSessionSettings);
    } catch (const ConnectionLost &lost) {
        throw StorageUnavailable(lost.what());
    }
    return connection;
}

std::unique_ptr<PostgresStorage> PostgresStorage::open(const std::string &uri)
{
    const std::string shown = databaseForDisplay(uri);
    std::unique_ptr<PostgresStorage> storage(new PostgresStorage(uri));

    char *parseError = nullptr;
    PQconninfoOption *options = PQconninfoParse(uri.c_str(), &parseError);
    if (options == nullptr) {
        std::string reason = parseError != nullptr ? oneLine(parseError) : "out of memory";
        PQfreemem(parseError);
        throw StorageError("cannot read the database URI " + shown + ": " + scrubbed(reason, writtenUriPassword(uri)));
    }
    for (PQconninfoOption *option = options; option->keyword != nullptr; ++option) {
        if (std::string_view(option->keyword) == "password" && option->val != nullptr)
            storage->password_ = option->val;
    }
    PQconninfoFree(options);

    std::unique_ptr<Connection> connection;
    try {
        connection = storage->connect();
        connection->run(kBegin);
        connection->run(kSeedLock);
        if (connection->run(kCountTables).integer(0, 0) == 0) {
            connection->run(sql::kSchema);
            connection->run(demoSeedSql().c_str());
        }
        connection->run(kCommit);
        connection->prepare();
    } catch (const StorageError &error) {
        if (connection)
            connection->rollbackIfOpen();
        throw StorageError("cannot use the PostgreSQL database " + shown + ": " + error.what());
    }
    storage->pool_.giveBack(std::move(connection));
    return storage;
}

std::unique_ptr<PostgresStorage::Connection> PostgresStorage::connectPrepared() const
{
    auto connection = connect();
    try {
        connection->prepare();
    } catch (const ConnectionLost &lost) {
        throw StorageUnavailable(lost.what());
    }
    return connection;
}

// Runs `work` on a borrowed connection. When a pooled connection turns out to
// be broken (the server restarted since it was last used), the work runs once
// more on a fresh one: whatever it did on the broken one was rolled back.
template<typename Work>
auto PostgresStorage::withConnection(Work &&work)
{
    for (int attempt = 0;; ++attempt) {
        ConnectionPool<Connection>::Lease lease(pool_);
        try {
            return work(*lease);
        } catch (const ConnectionLost &lost) {
            const bool wasReused = lease.reused();
            lease.discard();
            // Pooled connections from before the break are most likely broken too.
            pool_.dropIdle();
            if (attempt > 0 || !wasReused)
                throw StorageUnavailable(lost.what());
        }
    }
}

VendorCounts PostgresStorage::counts(std::int32_t vendorId)
{
    const Result result = withConnection([&](Connection &connection) {
        return connection.runPrepared("counts", Parameters().add(std::int64_t {vendorId}));
    });
    VendorCounts counts;
    if (result.rows() > 0) {
        counts.dutyDefault = !result.isNull(0, 0) && result.integer(0, 0) != 0 ? 1 : 0;
        counts.nonSelectedCount = result.integer(0, 1);
        counts.selectedCount = result.integer(0, 2);
    }
    return counts;
}

void PostgresStorage::readActiveCenters(std::int32_t vendorId, const ActiveCenterSink &each)
{
    const Result result = withConnection([&](Connection &connection) {
        return connection.runPrepared("active", Parameters().add(std::int64_t {vendorId}));
    });
    ActiveCenterRow row;
    for (int i = 0; i < result.rows(); ++i) {
        row.centerId = result.integer(i, 0);
        row.centerName = result.text(i, 1);
        row.countryId = result.integer(i, 2);
        row.active = static_cast<int>(result.integer(i, 3));
        row.city = result.optionalText(i, 4);
        row.dateUpdated = result.optionalText(i, 5);
        each(row);
    }
}

void PostgresStorage::readSelectedCenters(std::int32_t vendorId, const SelectedCenterSink &each)
{
    const Result result = withConnection([&](Connection &connection) {
        return connection.runPrepared("selected", Parameters().add(std::int64_t {vendorId}));
    });
    forEachSelectedRow(result, each);
}

namespace {

ApplyResult refusal(ApplyResult::Outcome outcome, std::string detail)
{
    ApplyResult refused;
    refused.outcome = outcome;
    refused.detail = std::move(detail);
    return refused;
}

// Ids of the first column, ascending.
std::vector<std::int32_t> idsIn(const Result &result)
{
    std::vector<std::int32_t> ids;
    ids.reserve(static_cast<std::size_t>(result.rows()));
    for (int i = 0; i < result.rows(); ++i)
        ids.push_back(static_cast<std::int32_t>(result.integer(i, 0)));
    std::sort(ids.begin(), ids.end());
    return ids;
}

struct PairColumns
{
    std::vector<std::int32_t> vendors, centers, duties;
    std::vector<double> fees;
    explicit PairColumns(const std::vector<CrossReferenceKey> &keys)
    {
        for (const CrossReferenceKey &key : keys) {
            vendors.push_back(key.vendorId);
            centers.push_back(key.centerId);
        }
    }
    explicit PairColumns(const std::vector<CrossReferenceValues> &rows)
    {
        for (const CrossReferenceValues &row : rows) {
            vendors.push_back(row.key.vendorId);
            centers.push_back(row.key.centerId);
            fees.push_back(row.handlingFee);
            duties.push_back(row.dutyBrokerageFee);
        }
    }
};

// Reads, in one transaction on `connection`, what the post's outcome depends
// on, and writes the net change it plans.
ApplyResult applyInTransaction(PostgresStorage::Connection &connection, const std::vector<Statement> &statements,
    std::string_view timestamp, const ListPrecondition *precondition)
{
    const NamedReferences named = namedReferences(statements);
    connection.run(kBegin);
    const auto lockVendors = [&] {
        std::vector<std::int32_t> vendorIds = named.vendorIds;
        if (precondition)
            vendorIds.push_back(precondition->vendorId);
        connection.runPrepared("lock_vendors", Parameters().addArray(vendorLockBuckets(vendorIds)));
    };
    if (precondition) {
        // Every post for the vendor holds its lock until it commits, and each
        // statement here reads what was committed before it began: the list
        // read once the lock is held is the one this post changes.
        lockVendors();
        SelectedListTag tag(precondition->vendorId);
        forEachSelectedRow(connection.runPrepared("selected", Parameters().add(std::int64_t {precondition->vendorId})),
            [&](const SelectedCenterRow &row) { tag.add(row); });
        if (tag.finish() != precondition->tag)
            return refusal(ApplyResult::Outcome::PreconditionFailed, {});
    }
    // Checked before anything is locked: a post naming what does not exist
    // holds no lock at all.
    const std::vector<std::int32_t> knownVendors =
        idsIn(connection.runPrepared("known_vendors", Parameters().addArray(named.vendorIds)));
    const std::vector<std::int32_t> knownCenters =
        idsIn(connection.runPrepared("known_centers", Parameters().addArray(named.centerIds)));
    if (std::optional<ApplyResult> refused = firstUnknownReference(statements, knownVendors, knownCenters))
        return *std::move(refused);

    if (!precondition)
        lockVendors();
    const PairColumns namedPairs(named.pairs);
    const Result present =
        connection.runPrepared("present_pairs", Parameters().addArray(namedPairs.vendors).addArray(namedPairs.centers));
    std::vector<CrossReferenceKey> presentBefore;
    presentBefore.reserve(static_cast<std::size_t>(present.rows()));
    for (int i = 0; i < present.rows(); ++i) {
        presentBefore.push_back(
            {static_cast<std::int32_t>(present.integer(i, 0)), static_cast<std::int32_t>(present.integer(i, 1))});
    }
    std::sort(presentBefore.begin(), presentBefore.end());
    ChangePlan plan = planChanges(statements, presentBefore);

    auto write = [&](const char *name, const PairColumns &rows, bool withValues) {
        if (rows.vendors.empty())
            return;
        Parameters parameters;
        parameters.addArray(rows.vendors).addArray(rows.centers);
        if (withValues)
            parameters.addArray(rows.fees).addArray(rows.duties).add(timestamp);
        const Result written = connection.runPrepared(name, parameters);
        // The locks make any other count impossible, unless someone changed
        // the table without taking them: then run the post again.
        if (std::string_view(PQcmdTuples(written.get())) != std::to_string(rows.vendors.size())) {
            throw TransactionConflict("the cross-references changed while the post was applied");
        }
    };
    write("delete_pairs", PairColumns(plan.removed), false);
    write("insert_pairs", PairColumns(plan.added), true);
    write("update_pairs", PairColumns(plan.updated), true);

    Result committed(PQexec(connection.conn, kCommit));
    if (PQresultStatus(committed.get()) != PGRES_COMMAND_OK) {
        if (!connection.usable()) {
            throw CommitUncertain(scrubbed(oneLine(PQerrorMessage(connection.conn)), connection.password));
        }
        connection.fail(committed);
    }
    ApplyResult result;
    result.changedRows = plan.changedRows;
    result.skipped = std::move(plan.skipped);
    return result;
}

} // namespace

ApplyResult PostgresStorage::apply(
    const std::vector<Statement> &statements, std::string_view timestamp, const ListPrecondition *precondition)
{
    constexpr int kAttempts = 5;
    for (int attempt = 1;; ++attempt) {
        try {
            return withConnection([&](Connection &connection) {
                return applyInTransaction(connection, statements, timestamp, precondition);
            });
        } catch (const TransactionConflict &conflict) {
            // Two posts locked the same rows in opposite orders; the database
            // rolled this one back whole, so it can simply run again.
            if (attempt == kAttempts)
                return refusal(ApplyResult::Outcome::StorageFailure, conflict.what());
            thread_local std::minstd_rand random(
                static_cast<unsigned>(std::hash<std::thread::id> {}(std::this_thread::get_id())));
            std::this_thread::sleep_for(std::chrono::milliseconds(attempt * (1 + static_cast<int>(random() % 10))));
        } catch (const CommitUncertain &uncertain) {
            return refusal(ApplyResult::Outcome::CommitUncertain, uncertain.what());
        } catch (const StorageUnavailable &unavailable) {
            return refusal(ApplyResult::Outcome::Unavailable, unavailable.what());
        } catch (const StorageError &error) {
            return refusal(ApplyResult::Outcome::StorageFailure, error.what());
        }
    }
}

} // namespace vendorcenter::server
