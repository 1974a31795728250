// Peak memory of a host form holding the control with the largest lists,
// against the same form whose control loaded a vendor without centers. Each
// runs in a process of its own (this program again, as a child), so neither
// inherits the other's heap; the server page runs in a third process.
//
//   vendorcenter_bench_memory [--rows N] [--out FILE]   compare, print JSON
//   vendorcenter_bench_memory --smoke                  the same at 1,000 rows

#include "BenchSizes.h"

#include "ServerPageFixture.h"
#include "storage/SqliteStorage.h"

#include <vendorcenter/EventLog.h>
#include <vendorcenter/Vendor_Center.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMainWindow>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QUndoStack>

#include <cstdio>
#include <malloc.h>
#include <string>

using namespace vendorcenter;

namespace {

constexpr int kVendorWithLists = 12;
constexpr int kVendorWithoutCenters = 999; // unknown to the server: both lists come back empty

// "VmHWM" or "VmRSS" of this process, in KiB.
long statusKib(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

double mib(qint64 kib)
{
    return static_cast<double>(kib) / 1024.0;
}

// Highlights the rows of `list` whose position gives true, as a user's clicks would.
template<typename Picked>
void highlightRows(QAbstractItemView *list, Picked picked)
{
    QAbstractItemModel *model = list->model();
    QItemSelection rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        if (picked(row))
            rows.append(QItemSelectionRange(model->index(row, 0), model->index(row, model->columnCount() - 1)));
    }
    list->selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
}

void press(Vendor_Center *control, const char *button)
{
    auto *pushButton = control->findChild<QPushButton *>(QLatin1String(button));
    pushButton->setEnabled(true); // as the click on the list that offers it would
    pushButton->click();
}

// A working day on the loaded lists, with the resident size after each part:
// 1,000 single ">" moves, then 100 ">>"/"<<" round trips of 10,000 rows. Every
// move stays in the undo journal.
QJsonObject workOnLists(Vendor_Center *control)
{
    auto *centers = control->findChild<QAbstractItemView *>(QStringLiteral("lstCenters"));
    const auto settle = [] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    };
    const long before = statusKib("VmRSS");
    const std::size_t heapBefore = mallinfo2().uordblks;
    for (int move = 0; move < 1000 && centers->model()->rowCount() > 0; ++move) {
        const QModelIndex row = centers->model()->index(move % centers->model()->rowCount(), 0);
        centers->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
        press(control, "cmdAdd");
    }
    settle();
    const long afterSingleMoves = statusKib("VmRSS");
    const std::size_t heapAfterSingleMoves = mallinfo2().uordblks;
    // Two of every three rows, up to 10,000: scattered blocks, as Ctrl+clicks leave them.
    int picked = 0;
    highlightRows(centers, [&picked](int row) {
        if (row % 3 == 2 || picked == 10'000)
            return false;
        ++picked;
        return true;
    });
    for (int trip = 0; trip < 100; ++trip) {
        press(control, "cmdAddAll");
        press(control, "cmdRemoveAll"); // the rows moved in are still highlighted
    }
    settle();
    const long afterRoundTrips = statusKib("VmRSS");
    const std::size_t heapAfterRoundTrips = mallinfo2().uordblks;
    const auto heapMib = [](std::size_t from, std::size_t to) {
        return (static_cast<double>(to) - static_cast<double>(from)) / (1024.0 * 1024.0);
    };
    return {
        {QStringLiteral("single_moves"), 1000},
        {QStringLiteral("round_trip_rows"), picked},
        {QStringLiteral("steps"), control->undoStack()->count()},
        {QStringLiteral("single_moves_mib"), mib(afterSingleMoves - before)},
        {QStringLiteral("round_trips_mib"), mib(afterRoundTrips - afterSingleMoves)},
        {QStringLiteral("single_moves_heap_mib"), heapMib(heapBefore, heapAfterSingleMoves)},
        {QStringLiteral("round_trips_heap_mib"), heapMib(heapAfterSingleMoves, heapAfterRoundTrips)},
    };
}

// The child: a form with the control, shown, loaded and painted.
int hostOneLoad(const QString &serverBase, qint32 vendorId, bool work)
{
    int failures = 0;
    setEventLogSink([&failures](const QString &) { ++failures; });
    QMainWindow window;
    auto *control = new Vendor_Center(&window);
    control->setFixedSize(control->sizeHint());
    window.setCentralWidget(control);
    window.show();
    QCoreApplication::processEvents();

    control->LetDataFromDatabase(vendorId, serverBase);
    window.repaint();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();

    const auto rowsIn = [control](const char *list) {
        return control->findChild<QAbstractItemView *>(QLatin1String(list))->model()->rowCount();
    };
    QJsonObject result {
        {QStringLiteral("rows"), rowsIn("lstCenters") + rowsIn("lstSelectedCenters")},
        {QStringLiteral("vmhwm_kib"), static_cast<qint64>(statusKib("VmHWM"))},
        {QStringLiteral("vmrss_kib"), static_cast<qint64>(statusKib("VmRSS"))},
        {QStringLiteral("failed_loads"), failures},
    };
    if (work)
        result.insert(QStringLiteral("journal"), workOnLists(control));
    std::printf("%s\n", QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    return failures == 0 ? 0 : 1;
}

// The demo database plus `centers` active centers, every second one selected for vendor 12.
void addCenters(const std::string &path, int centers)
{
    server::SqliteStorage::open(path);
    server::testing::executeSql(path,
        "WITH RECURSIVE n(i) AS (SELECT 1000 UNION ALL SELECT i + 1 FROM n WHERE i < "
            + std::to_string(1000 + centers - 1)
            + ") INSERT INTO Centers SELECT i, 'Distribution Center & Co <' || i || '>', 1 + i % 3, 'City', 1,"
              " '2026-05-12 14:03:11' FROM n;"
              "INSERT INTO VendorCenterCrossReference SELECT 12, CenterID, 0.08, CenterID % 2,"
              " '2026-05-12 14:03:11' FROM Centers WHERE CenterID >= 1000 AND CenterID % 2 = 0;");
}

QString startServerPage(QProcess &server, const QString &databasePath)
{
    server.setProgram(QStringLiteral(VENDORCENTER_SERVER_BINARY));
    server.setArguments(
        {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--database"), databasePath});
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start();
    if (!server.waitForStarted(10'000))
        return {};
    // Bounded: at most 50 reads of up to 200 ms each.
    static const QRegularExpression listening(QStringLiteral("^listening on (\\S+)"));
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (!server.canReadLine() && !server.waitForReadyRead(200))
            continue;
        while (server.canReadLine()) {
            const QRegularExpressionMatch match = listening.match(QString::fromUtf8(server.readLine()));
            if (match.hasMatch())
                return match.captured(1);
        }
    }
    return {};
}

QJsonObject runHost(const QString &serverBase, qint32 vendorId, bool work = false)
{
    QProcess host;
    host.setProgram(QCoreApplication::applicationFilePath());
    QStringList arguments {QStringLiteral("--host"), serverBase, QStringLiteral("--vendor"), QString::number(vendorId)};
    if (work)
        arguments << QStringLiteral("--work");
    host.setArguments(arguments);
    host.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    host.start();
    if (!host.waitForFinished(120'000) || host.exitCode() != 0)
        return {};
    const QList<QByteArray> lines = host.readAllStandardOutput().trimmed().split('\n');
    return QJsonDocument::fromJson(lines.value(lines.size() - 1)).object();
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
    const QCommandLineOption hostOption(
        QStringLiteral("host"), QStringLiteral("Child: load from this server base."), QStringLiteral("URL"));
    const QCommandLineOption vendorOption(
        QStringLiteral("vendor"), QStringLiteral("Child: vendor to load."), QStringLiteral("ID"));
    const QCommandLineOption rowsOption(QStringLiteral("rows"), QStringLiteral("Rows in both lists together."),
        QStringLiteral("N"), QStringLiteral("32000"));
    const QCommandLineOption outOption(
        QStringLiteral("out"), QStringLiteral("Also write the JSON here."), QStringLiteral("FILE"));
    const QCommandLineOption workOption(
        QStringLiteral("work"), QStringLiteral("Child: then move rows as a working day would."));
    parser.addOptions({hostOption, vendorOption, rowsOption, outOption, workOption});
    parser.process(app);

    if (parser.isSet(hostOption))
        return hostOneLoad(parser.value(hostOption), parser.value(vendorOption).toInt(), parser.isSet(workOption));

    const int rows = smoke ? 1000 : parser.value(rowsOption).toInt();
    server::testing::TemporaryDirectory directory;
    const std::string databasePath = directory.file("memory.sqlite");
    addCenters(databasePath, rows);

    QProcess server;
    const QString serverBase = startServerPage(server, QString::fromStdString(databasePath));
    if (serverBase.isEmpty()) {
        std::fprintf(stderr, "the server page did not start\n");
        return 1;
    }
    const QJsonObject empty = runHost(serverBase, kVendorWithoutCenters);
    const QJsonObject loaded = runHost(serverBase, kVendorWithLists);
    const QJsonObject worked = runHost(serverBase, kVendorWithLists, /*work*/ true);
    server.terminate();
    server.waitForFinished(5'000);
    if (empty.isEmpty() || loaded.isEmpty() || worked.isEmpty()) {
        std::fprintf(stderr, "a host process failed\n");
        return 1;
    }

    const qint64 hwmAbove =
        loaded.value(QStringLiteral("vmhwm_kib")).toInteger() - empty.value(QStringLiteral("vmhwm_kib")).toInteger();
    const qint64 rssAbove =
        loaded.value(QStringLiteral("vmrss_kib")).toInteger() - empty.value(QStringLiteral("vmrss_kib")).toInteger();
    const QJsonObject report {
        {QStringLiteral("empty"), empty},
        {QStringLiteral("loaded"), loaded},
        {QStringLiteral("peak_above_empty_mib"), mib(hwmAbove)},
        {QStringLiteral("resident_above_empty_mib"), mib(rssAbove)},
        {QStringLiteral("journal"), worked.value(QStringLiteral("journal"))},
    };
    const QByteArray json = QJsonDocument(report).toJson(QJsonDocument::Indented);
    std::printf("%s", json.constData());
    if (parser.isSet(outOption)) {
        QFile out(parser.value(outOption));
        if (!out.open(QIODevice::WriteOnly) || out.write(json) != json.size())
            return 1;
    }
    return 0;
}
