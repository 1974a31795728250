// A clerk's clicks end to end against the real server page: the control
// loads a vendor with the largest lists, moves 10,000 centers with ">>",
// commits them (the reply box answered at once) and shows the reloaded lists.
// Each step is reported beside its floor, measured in the same run: the
// database's own time for the same queries and for the same rows inserted the
// fastest way it takes them, and pugixml's parse of the same reply bytes. The
// server page's own phases come from its Server-Timing.
//
//   vendorcenter_bench_end_to_end [--centers N] [--rounds R] [--out FILE]
//   vendorcenter_bench_end_to_end --postgresql ...  inside pg_virtualenv: the
//       cluster's database is taken over (its three tables are made anew)
//   vendorcenter_bench_end_to_end --smoke           1,000 centers, one round

#include "BenchSupport.h"

#include "storage/OpenStorage.h"
#include "storage/StorageSql.h"

#include <vendorcenter/EventLog.h>
#include <vendorcenter/Vendor_Center.h>

#include <httplib.h>
#include <pugixml.hpp>
#include <sqlite3.h>
#ifdef VENDORCENTER_HAS_POSTGRESQL
#include <libpq-fe.h>
#endif

#include <QAbstractItemView>
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace vendorcenter;
using vcbench::secondsOf;

namespace {

constexpr qint32 kVendorId = 12;
constexpr int kFirstCenter = 100'000; // above the demo data's centers
const char *const kStoredDate = "2026-05-12 14:03:11";

// The centers the clerk moves: every odd generated one not yet selected, five of every eight.
std::vector<int> movedCenters(int centers)
{
    std::vector<int> ids;
    for (int k = 0; k < centers / 2; ++k) {
        if (k % 8 < 5)
            ids.push_back(kFirstCenter + 1 + 2 * k);
    }
    return ids;
}

// The database seen directly, without the server page: set-up, reset and floors.
class Database
{
public:
    virtual ~Database() = default;
    virtual void execute(const std::string &sql) = 0;
    // Steps through every row of the three queries, reading every column.
    virtual void runQueries(qint32 vendorId) = 0;
    // The rows the save inserts, in one of the ways the database takes many
    // rows at once; the floor is the fastest of them in each round.
    virtual int insertWays() const { return 1; }
    virtual void insert(qint32 vendorId, const std::vector<int> &centerIds, int way) = 0;
};

class SqliteDatabase final : public Database
{
public:
    explicit SqliteDatabase(const std::string &path)
    {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            throw std::runtime_error("cannot open " + path);
        execute("PRAGMA foreign_keys = ON; PRAGMA busy_timeout = 5000;");
    }
    ~SqliteDatabase() override { sqlite3_close(db_); }

    void execute(const std::string &sql) override
    {
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db_));
    }

    // The statements the SQLite storage runs: the active list in two passes
    // in id order, the vendor's centers skipped among every active one.
    void runQueries(qint32 vendorId) override
    {
        std::vector<sqlite3_int64> selected;
        for (const char *sql : {server::sql::kCounts, server::sql::kSelectedCenterIds, server::sql::kEveryActiveCenter,
                 server::sql::kSelectedCenters}) {
            sqlite3_stmt *statement = nullptr;
            sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr);
            if (sqlite3_bind_parameter_count(statement) > 0)
                sqlite3_bind_int(statement, 1, vendorId);
            auto nextSelected = selected.cbegin();
            while (sqlite3_step(statement) == SQLITE_ROW) {
                if (sql == server::sql::kSelectedCenterIds) {
                    selected.push_back(sqlite3_column_int64(statement, 0));
                    continue;
                }
                if (sql == server::sql::kEveryActiveCenter) {
                    const sqlite3_int64 centerId = sqlite3_column_int64(statement, 0);
                    while (nextSelected != selected.cend() && *nextSelected < centerId)
                        ++nextSelected;
                    if (nextSelected != selected.cend() && *nextSelected == centerId)
                        continue;
                }
                for (int column = 0; column < sqlite3_column_count(statement); ++column)
                    sqlite3_column_text(statement, column);
            }
            sqlite3_finalize(statement);
        }
    }

    void insert(qint32 vendorId, const std::vector<int> &centerIds, int) override
    {
        sqlite3_stmt *statement = nullptr;
        sqlite3_prepare_v2(db_,
            "INSERT INTO VendorCenterCrossReference(VendorID, CenterID, CenterHandlingFee, DutyBrokerageFee,"
            " RecordLastUpdated) VALUES (?1, ?2, 0, ?3, ?4)",
            -1, &statement, nullptr);
        execute("BEGIN IMMEDIATE");
        for (const int centerId : centerIds) {
            sqlite3_bind_int(statement, 1, vendorId);
            sqlite3_bind_int(statement, 2, centerId);
            sqlite3_bind_int(statement, 3, centerId % 2);
            sqlite3_bind_text(statement, 4, kStoredDate, -1, SQLITE_STATIC);
            if (sqlite3_step(statement) != SQLITE_DONE)
                throw std::runtime_error(sqlite3_errmsg(db_));
            sqlite3_reset(statement);
        }
        execute("COMMIT");
        sqlite3_finalize(statement);
    }

private:
    sqlite3 *db_ = nullptr;
};

#ifdef VENDORCENTER_HAS_POSTGRESQL
class PostgresDatabase final : public Database
{
public:
    explicit PostgresDatabase(const std::string &uri) : conn_(PQconnectdb(uri.c_str()))
    {
        if (PQstatus(conn_) != CONNECTION_OK)
            throw std::runtime_error(PQerrorMessage(conn_));
        PQsetNoticeProcessor(
            conn_, [](void *, const char *) {}, nullptr);
    }
    ~PostgresDatabase() override { PQfinish(conn_); }

    void execute(const std::string &sql) override { check(PQexec(conn_, sql.c_str())); }

    void runQueries(qint32 vendorId) override
    {
        const std::string id = std::to_string(vendorId);
        const char *values[] = {id.c_str()};
        for (const char *sql : {server::sql::kCounts, server::sql::kActiveCenters, server::sql::kSelectedCenters}) {
            const std::string text = server::sqlFor(sql, server::SqlDialect::Postgres);
            PGresult *result = PQexecParams(conn_, text.c_str(), 1, nullptr, values, nullptr, nullptr, 0);
            for (int row = 0; row < PQntuples(result); ++row) {
                for (int column = 0; column < PQnfields(result); ++column)
                    PQgetvalue(result, row, column);
            }
            check(result);
        }
    }

    // COPY, one stream in one statement, or one INSERT over arrays: which of
    // the two is faster depends on the machine (the checks of the foreign keys,
    // row by row in both, weigh most).
    int insertWays() const override { return 2; }
    void insert(qint32 vendorId, const std::vector<int> &centerIds, int way) override
    {
        if (way == 1) {
            insertOverArrays(vendorId, centerIds);
            return;
        }
        const std::string prefix = std::to_string(vendorId) + "\t";
        const std::string suffix = std::string("\t") + kStoredDate + "\n";
        std::string rows;
        rows.reserve(centerIds.size() * (prefix.size() + suffix.size() + 16));
        for (const int centerId : centerIds)
            rows += prefix + std::to_string(centerId) + "\t0\t" + std::to_string(centerId % 2) + suffix;
        execute("BEGIN");
        PGresult *started = PQexec(conn_,
            "COPY VendorCenterCrossReference(VendorID, CenterID, CenterHandlingFee, DutyBrokerageFee,"
            " RecordLastUpdated) FROM STDIN");
        const bool copying = PQresultStatus(started) == PGRES_COPY_IN;
        PQclear(started);
        if (!copying || PQputCopyData(conn_, rows.data(), static_cast<int>(rows.size())) != 1
            || PQputCopyEnd(conn_, nullptr) != 1)
            throw std::runtime_error(PQerrorMessage(conn_));
        check(PQgetResult(conn_));
        while (PGresult *rest = PQgetResult(conn_))
            PQclear(rest);
        execute("COMMIT");
    }

private:
    void insertOverArrays(qint32 vendorId, const std::vector<int> &centerIds)
    {
        std::string vendors = "{", centers = "{", duties = "{";
        for (const int centerId : centerIds) {
            const char *comma = vendors.size() > 1 ? "," : "";
            vendors += comma + std::to_string(vendorId);
            centers += comma + std::to_string(centerId);
            duties += comma + std::to_string(centerId % 2);
        }
        for (std::string *array : {&vendors, &centers, &duties})
            *array += '}';
        const char *values[] = {vendors.c_str(), centers.c_str(), duties.c_str(), kStoredDate};
        execute("BEGIN");
        check(PQexecParams(conn_,
            "INSERT INTO VendorCenterCrossReference(VendorID, CenterID, CenterHandlingFee, DutyBrokerageFee,"
            " RecordLastUpdated) SELECT v, c, 0, d, $4 FROM unnest($1::integer[], $2::integer[], $3::integer[])"
            " AS p(v, c, d)",
            4, nullptr, values, nullptr, nullptr, 0));
        execute("COMMIT");
    }

    void check(PGresult *result)
    {
        const ExecStatusType status = PQresultStatus(result);
        PQclear(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            throw std::runtime_error(PQerrorMessage(conn_));
    }

    PGconn *conn_;
};

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}
#endif

// The demo data plus `centers` generated active centers, every even one selected for the vendor.
void fill(Database &database, int centers)
{
    const std::string last = std::to_string(kFirstCenter + centers - 1);
    database.execute("WITH RECURSIVE n(i) AS (SELECT " + std::to_string(kFirstCenter)
        + " UNION ALL SELECT i + 1 FROM n WHERE i < " + last
        + ") INSERT INTO Centers(CenterID, CenterName, CountryID, City, Active, DateUpdated)"
          " SELECT i, 'Distribution Center & Co <' || i || '>', 1 + i % 3, 'City', 1, '"
        + kStoredDate + "' FROM n");
    database.execute("INSERT INTO VendorCenterCrossReference(VendorID, CenterID, CenterHandlingFee,"
                     " DutyBrokerageFee, RecordLastUpdated) SELECT "
        + std::to_string(kVendorId) + ", CenterID, 0.08, (CenterID / 2) % 2, '" + kStoredDate
        + "' FROM Centers WHERE CenterID >= " + std::to_string(kFirstCenter) + " AND CenterID % 2 = 0");
}

void forgetMoved(Database &database)
{
    database.execute("DELETE FROM VendorCenterCrossReference WHERE VendorID = " + std::to_string(kVendorId)
        + " AND CenterID >= " + std::to_string(kFirstCenter) + " AND CenterID % 2 = 1");
}

// The real server page, and what its log says about each request.
class ServerPage
{
public:
    explicit ServerPage(const std::string &database)
    {
        process_.setProgram(QStringLiteral(VENDORCENTER_SERVER_BINARY));
        process_.setArguments({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--database"),
            QString::fromStdString(database)});
        process_.start();
        static const QRegularExpression listening(QStringLiteral("^listening on (\\S+)"));
        // Bounded: at most 50 waits of up to 200 ms each.
        for (int attempt = 0; attempt < 50 && base_.isEmpty(); ++attempt) {
            if (!process_.canReadLine() && !process_.waitForReadyRead(200))
                continue;
            while (process_.canReadLine() && base_.isEmpty()) {
                const QRegularExpressionMatch match = listening.match(QString::fromUtf8(process_.readLine()));
                if (match.hasMatch())
                    base_ = match.captured(1);
            }
        }
        if (base_.isEmpty())
            throw std::runtime_error("the server page did not start");
        process_.readAllStandardError();
    }
    ~ServerPage()
    {
        process_.terminate();
        process_.waitForFinished(5'000);
    }

    QString base() const { return base_; }

    // The phases of the requests logged since the last call, summed by
    // method and phase ("GET total", "POST apply", ...), in milliseconds.
    std::map<std::string, double> phasesSince(int requests)
    {
        QByteArray log = process_.readAllStandardError();
        while (log.count('\n') < requests && process_.waitForReadyRead(500))
            log += process_.readAllStandardError();
        static const QRegularExpression line(
            QStringLiteral("^(GET|POST) \\S+ \\d+ ([0-9.]+) ms(?: \\((.*)\\))?$"), QRegularExpression::MultilineOption);
        static const QRegularExpression phase(QStringLiteral("(\\w+);dur=([0-9.]+)"));
        std::map<std::string, double> phases;
        for (auto lines = line.globalMatch(QString::fromUtf8(log)); lines.hasNext();) {
            const QRegularExpressionMatch request = lines.next();
            const std::string method = request.captured(1).toStdString();
            phases[method + " total"] += request.captured(2).toDouble();
            for (auto parts = phase.globalMatch(request.captured(3)); parts.hasNext();) {
                const QRegularExpressionMatch part = parts.next();
                phases[method + " " + part.captured(1).toStdString()] += part.captured(2).toDouble();
            }
        }
        return phases;
    }

private:
    QProcess process_;
    QString base_;
};

// The three replies of a load, as the server page sends them.
std::vector<std::string> loadReplies(const QString &base)
{
    httplib::Client client(base.toStdString());
    std::vector<std::string> replies;
    for (const char *query : {"count", "active", "selected"}) {
        const auto result =
            client.Get("/VendorCenter.asp?" + std::string(query) + "=1&VendorID=" + std::to_string(kVendorId));
        if (!result || result->status != 200)
            throw std::runtime_error("a query failed");
        replies.push_back(result->body);
    }
    return replies;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Step
{
    const char *name;
    std::vector<double> seconds, floorSeconds;
};

int rowsOf(QAbstractItemView *list)
{
    return list->model()->rowCount();
}

} // namespace

int main(int argc, char **argv)
{
    const bool smoke = vcbench::takeSmokeFlag(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

    QCommandLineParser parser;
    const QCommandLineOption centersOption(QStringLiteral("centers"),
        QStringLiteral("Generated active centers; half of them selected."), QStringLiteral("N"),
        QStringLiteral("32000"));
    const QCommandLineOption roundsOption(
        QStringLiteral("rounds"), QStringLiteral("Rounds after the first."), QStringLiteral("R"), QStringLiteral("7"));
    const QCommandLineOption postgresOption(
        QStringLiteral("postgresql"), QStringLiteral("Use the PostgreSQL of pg_virtualenv's environment."));
    const QCommandLineOption outOption(
        QStringLiteral("out"), QStringLiteral("Also write the JSON here."), QStringLiteral("FILE"));
    parser.addOptions({centersOption, roundsOption, postgresOption, outOption});
    parser.process(app);
    const int centers = smoke ? 1000 : parser.value(centersOption).toInt();
    const int rounds = smoke ? 1 : 1 + parser.value(roundsOption).toInt();

    int failures = 0;
    setEventLogSink([&failures](const QString &entry) {
        ++failures;
        std::fprintf(stderr, "event log: %s\n", qPrintable(entry));
    });

    try {
        QTemporaryDir directory;
        std::string databaseName = directory.filePath(QStringLiteral("end-to-end.sqlite")).toStdString();
        std::unique_ptr<Database> database;
        if (parser.isSet(postgresOption)) {
#ifdef VENDORCENTER_HAS_POSTGRESQL
            databaseName = "postgresql://" + environment("PGUSER") + ":" + environment("PGPASSWORD")
                + "@127.0.0.1:" + environment("PGPORT") + "/" + environment("PGDATABASE");
            database = std::make_unique<PostgresDatabase>(databaseName);
            database->execute("DROP TABLE IF EXISTS VendorCenterCrossReference, Centers, Vendors");
#else
            throw std::runtime_error("built without PostgreSQL");
#endif
        }
        server::openStorage(databaseName); // the schema and the demo data
        if (!database)
            database = std::make_unique<SqliteDatabase>(databaseName);
        fill(*database, centers);

        ServerPage page(databaseName);
        const std::vector<std::string> replies = loadReplies(page.base());
        const std::vector<int> moved = movedCenters(centers);

        vcbench::MessageBoxAnswerer answerer;
        QWidget window;
        auto *control = new Vendor_Center(&window);
        control->resize(control->sizeHint());
        window.resize(control->sizeHint());
        window.show();
        vcbench::settle();
        auto *nonSelected = vcbench::child<QAbstractItemView>(*control, "lstCenters");
        auto *selected = vcbench::child<QAbstractItemView>(*control, "lstSelectedCenters");

        Step load {"load", {}, {}}, move {"\">>\"", {}, {}}, commit {"commit", {}, {}};
        std::map<std::string, std::vector<double>> serverPhases, floorParts;
        double firstLoad = 0.0;
        int movedRows = 0;
        for (int round = 0; round < rounds; ++round) {
            page.phasesSince(0);
            const double loadSeconds = secondsOf([&] {
                control->LetDataFromDatabase(kVendorId, page.base());
                vcbench::paintNow(window);
            });
            for (const auto &[phase, ms] : page.phasesSince(3))
                serverPhases["load: " + phase].push_back(ms);

            movedRows = vcbench::highlightFiveOfEight(nonSelected, rowsOf(nonSelected) - centers / 2);
            vcbench::settle();
            const double moveSeconds = secondsOf([&] {
                vcbench::press(*control, "cmdAddAll");
                vcbench::paintNow(window);
            });
            const int selectedAfterMove = rowsOf(selected);

            const int answeredBefore = answerer.answered;
            const double commitSeconds = secondsOf([&] {
                vcbench::press(*control, "cmdCommit");
                vcbench::paintNow(window);
            });
            for (const auto &[phase, ms] : page.phasesSince(4))
                serverPhases["commit: " + phase].push_back(ms);
            if (answerer.answered != answeredBefore + 1 || rowsOf(selected) != selectedAfterMove
                || movedRows != static_cast<int>(moved.size()) || failures != 0)
                throw std::runtime_error("the commit did not go through as a clerk's would");
            forgetMoved(*database);

            // The floors, in the same round.
            const double queries = secondsOf([&] { database->runQueries(kVendorId); });
            const double parse = secondsOf([&] {
                for (const std::string &reply : replies) {
                    pugi::xml_document document;
                    document.load_buffer(reply.data(), reply.size());
                }
            });
            double inserts = 0.0;
            for (int way = 0; way < database->insertWays(); ++way) {
                const double seconds = secondsOf([&] { database->insert(kVendorId, moved, way); });
                forgetMoved(*database);
                inserts = way == 0 ? seconds : std::min(inserts, seconds);
            }

            floorParts["database queries"].push_back(queries * 1e3);
            floorParts["pugixml parse"].push_back(parse * 1e3);
            floorParts["database inserts"].push_back(inserts * 1e3);
            if (round == 0) {
                firstLoad = loadSeconds; // the server page's first queries run cold
                if (rounds > 1)
                    continue;
            }
            load.seconds.push_back(loadSeconds);
            load.floorSeconds.push_back(queries + parse);
            move.seconds.push_back(moveSeconds);
            commit.seconds.push_back(commitSeconds);
            commit.floorSeconds.push_back(inserts + queries + parse);
        }

        QJsonObject report {{QStringLiteral("database"), parser.isSet(postgresOption) ? "postgresql" : "sqlite"},
            {QStringLiteral("rows"), rowsOf(nonSelected) + rowsOf(selected)}, {QStringLiteral("moved"), movedRows},
            {QStringLiteral("rounds"), static_cast<int>(load.seconds.size())},
            {QStringLiteral("first_load_ms"), firstLoad * 1e3}};
        std::printf("%s, %d rows, %d moved; median of %zu rounds (ms)\n",
            parser.isSet(postgresOption) ? "PostgreSQL" : "SQLite", rowsOf(nonSelected) + rowsOf(selected), movedRows,
            load.seconds.size());
        std::printf("  first load (cold)  %7.1f\n", firstLoad * 1e3);
        for (const Step *step : {&load, &move, &commit}) {
            const double ms = median(step->seconds) * 1e3;
            const double floorMs = median(step->floorSeconds) * 1e3;
            std::printf("  %-18s %7.1f", step->name, ms);
            if (floorMs > 0)
                std::printf("   floor %6.1f   ratio %.2f", floorMs, ms / floorMs);
            std::printf("\n");
            report.insert(QString::fromLatin1(step->name).remove(QLatin1Char('"')),
                QJsonObject {{QStringLiteral("ms"), ms}, {QStringLiteral("floor_ms"), floorMs}});
        }
        QJsonObject floors;
        for (const auto &[name, values] : floorParts) {
            std::printf("  floor  %-24s %7.1f\n", name.c_str(), median(values));
            floors.insert(QString::fromStdString(name), median(values));
        }
        report.insert(QStringLiteral("floor_parts_ms"), floors);
        QJsonObject phases;
        for (const auto &[name, values] : serverPhases) {
            std::printf("  server %-24s %7.1f   (most %.1f)\n", name.c_str(), median(values),
                *std::max_element(values.begin(), values.end()));
            phases.insert(QString::fromStdString(name), median(values));
        }
        report.insert(QStringLiteral("server_phases_ms"), phases);

        if (parser.isSet(outOption)) {
            QFile out(parser.value(outOption));
            const QByteArray json = QJsonDocument(report).toJson();
            if (!out.open(QIODevice::WriteOnly) || out.write(json) != json.size())
                return 1;
        }
        return 0;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "vendorcenter_bench_end_to_end: %s\n", error.what());
        return 1;
    }
}
