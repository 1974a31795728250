// The control's operations whose cost grows with the lists, each beside the
// floor it is judged against, at list sizes up to the largest a load allows.
// Times that need a fresh state per round are measured by hand around the
// operation alone (manual time); the preparation is not counted.

#include "BenchSupport.h"

#include "core/CenterListModel.h"
#include "core/FormEncoding.h"
#include "core/Marks.h"
#include "core/ReplyReaders.h"
#include "core/Statements.h"

#include <vendorcenter/EventLog.h>
#include <vendorcenter/Vendor_Center.h>

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <QAbstractItemView>
#include <QAbstractTableModel>
#include <QApplication>
#include <QEventLoop>
#include <QItemSelection>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>
#include <QTreeWidget>

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <optional>

using namespace vendorcenter;

namespace {

using vcbench::child;
using vcbench::highlightFiveOfEight;
using vcbench::MessageBoxAnswerer;
using vcbench::paintNow;
using vcbench::press;
using vcbench::secondsOf;
using vcbench::settle;

vcbench::LoopbackPage *page = nullptr;
int failedLoads = 0;

int rowCount(const QAbstractItemView *list)
{
    return list->model()->rowCount();
}

// The control on a window of its own, as a host form would show it.
struct ShownControl
{
    Vendor_Center control;
    QAbstractItemView *nonSelected = child<QAbstractItemView>(control, "lstCenters");
    QAbstractItemView *selected = child<QAbstractItemView>(control, "lstSelectedCenters");

    ShownControl()
    {
        control.resize(control.sizeHint());
        control.show();
        settle();
    }

    bool load(qint32 vendorId)
    {
        const int failuresBefore = failedLoads;
        control.LetDataFromDatabase(vendorId, page->baseUrl());
        return failedLoads == failuresBefore;
    }
};

bool loadFailed(benchmark::State &state, ShownControl &shown, qint32 vendorId)
{
    if (shown.load(vendorId))
        return false;
    state.SkipWithError("the load failed");
    return true;
}

void highlightAll(QAbstractItemView *list)
{
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->selectAll();
}

constexpr int movedOutOf(int rows)
{
    return rows / 8 * 5 + std::min(rows % 8, 5);
}

// ---- 1. the load ------------------------------------------------------------------

void timeLoads(benchmark::State &state, qint32 vendorId, int expectedRows)
{
    ShownControl shown;
    for (auto _ : state) {
        bool loaded = false;
        state.SetIterationTime(secondsOf([&] {
            loaded = shown.load(vendorId);
            paintNow(shown.control);
        }));
        if (!loaded) {
            state.SkipWithError("the load failed");
            return;
        }
        settle();
    }
    if (rowCount(shown.nonSelected) + rowCount(shown.selected) != expectedRows)
        state.SkipWithError("the lists do not hold the served rows");
    state.counters["rows"] = expectedRows;
}

void BM_Load(benchmark::State &state, int rows)
{
    timeLoads(state, page->vendorWith(rows / 2, rows - rows / 2), rows);
}

// The same three GETs, one parse of each reply and one reset of a minimal
// model over the same rows, shown in a plain tree view and painted once.
struct FloorRow
{
    std::array<QString, 4> fields;
};

class MinimalModel : public QAbstractTableModel
{
public:
    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        return rows_[static_cast<std::size_t>(index.row())].fields[static_cast<std::size_t>(index.column())];
    }
    void reset(std::vector<FloorRow> rows)
    {
        beginResetModel();
        rows_ = std::move(rows);
        endResetModel();
    }

private:
    std::vector<FloorRow> rows_;
};

QByteArray getSynchronously(QNetworkAccessManager &network, const QString &url)
{
    QNetworkReply *reply = network.get(QNetworkRequest(QUrl(url)));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    const QByteArray body = reply->readAll();
    reply->deleteLater();
    return body;
}

void readRows(const QByteArray &xml, int rowsPosition, std::vector<FloorRow> &rows)
{
    pugi::xml_document document;
    document.load_buffer(xml.constData(), static_cast<std::size_t>(xml.size()),
        pugi::parse_default | pugi::parse_comments | pugi::parse_pi);
    pugi::xml_node holder = document.document_element().first_child();
    for (int i = 0; i < rowsPosition; ++i)
        holder = holder.next_sibling();
    for (pugi::xml_node row = holder.first_child(); row; row = row.next_sibling()) {
        FloorRow &floorRow = rows.emplace_back();
        std::size_t f = 0;
        for (pugi::xml_node field = row.first_child(); field && f < floorRow.fields.size();
             field = field.next_sibling(), ++f)
            floorRow.fields[f] = QString::fromUtf8(field.first_child().value());
    }
}

void BM_LoadFloor(benchmark::State &state, int rows)
{
    const qint32 vendorId = page->vendorWith(rows / 2, rows - rows / 2);
    const QString id = QString::number(vendorId);
    const QString base = page->baseUrl() + QStringLiteral("/VendorCenter.asp?");
    QNetworkAccessManager network;
    MinimalModel model;
    QTreeView view;
    vcbench::showPlainTreeView(view, model);
    for (auto _ : state) {
        state.SetIterationTime(secondsOf([&] {
            pugi::xml_document counts;
            const QByteArray countReply = getSynchronously(network, base + QStringLiteral("count=1&VendorID=") + id);
            counts.load_buffer(countReply.constData(), static_cast<std::size_t>(countReply.size()));
            std::vector<FloorRow> loaded;
            readRows(getSynchronously(network, base + QStringLiteral("active=1&VendorID=") + id), 1, loaded);
            readRows(getSynchronously(network, base + QStringLiteral("selected=1&VendorID=") + id), 2, loaded);
            model.reset(std::move(loaded));
            paintNow(view);
        }));
        settle();
    }
    if (model.rowCount() != rows)
        state.SkipWithError("the floor did not read the served rows");
    state.counters["rows"] = rows;
}

// ---- 2. ">>" and "<<" --------------------------------------------------------------

// ">>" of five rows in eight of a list of `rows`; "<<" brings them back
// unmarked, so every round starts from the same lists.
void BM_MoveAllIn(benchmark::State &state, int rows)
{
    ShownControl shown;
    if (loadFailed(state, shown, page->vendorWith(rows, 0)))
        return;
    int moved = 0;
    for (auto _ : state) {
        moved = highlightFiveOfEight(shown.nonSelected);
        state.SetIterationTime(secondsOf([&] {
            press(shown.control, "cmdAddAll");
            paintNow(shown.control);
        }));
        if (rowCount(shown.selected) != moved) {
            state.SkipWithError("\">>\" did not move the highlighted rows");
            return;
        }
        press(shown.control, "cmdRemoveAll");
        settle();
    }
    state.counters["moved"] = moved;
}

void BM_MoveAllOut(benchmark::State &state, int rows)
{
    ShownControl shown;
    if (loadFailed(state, shown, page->vendorWith(rows, 0)))
        return;
    int moved = 0;
    for (auto _ : state) {
        moved = highlightFiveOfEight(shown.nonSelected);
        press(shown.control, "cmdAddAll");
        settle();
        state.SetIterationTime(secondsOf([&] {
            press(shown.control, "cmdRemoveAll");
            paintNow(shown.control);
        }));
        if (rowCount(shown.selected) != 0 || rowCount(shown.nonSelected) != rows) {
            state.SkipWithError("\"<<\" did not bring the rows back");
            return;
        }
        settle();
    }
    state.counters["moved"] = moved;
}

// The floor of a move: loading as many rows as it moves.
void BM_MoveFloorLoad(benchmark::State &state, int rows)
{
    const int moved = movedOutOf(rows);
    timeLoads(state, page->vendorWith(moved, 0), moved);
}

// ---- 3. find -----------------------------------------------------------------------

void BM_FindByNameNoMatch(benchmark::State &state, int rows)
{
    ShownControl shown;
    if (loadFailed(state, shown, page->vendorWith(rows, 0)))
        return;
    child<QRadioButton>(shown.control, "optList(0)")->click();
    child<QRadioButton>(shown.control, "optFind(0)")->click();
    child<QLineEdit>(shown.control, "txtVendorName")->setText(QLatin1String(vcbench::kNameThatMatchesNothing));
    auto *find = child<QPushButton>(shown.control, "cmdFind");
    MessageBoxAnswerer answerer;
    for (auto _ : state) {
        state.SetIterationTime(secondsOf([&] { find->click(); }));
        settle();
    }
    if (answerer.answered != static_cast<int>(state.iterations()))
        state.SkipWithError("every search should end in \"Not found\"");
}

// The rows a load of `rows` generated centers puts into the non-selected list.
std::vector<CenterRow> loadedRows(int rows)
{
    const QByteArray xml = FakeServerPage::activeXml(vcbench::activeCenters(rows, 1, 2));
    pugi::xml_document document;
    document.load_buffer(xml.constData(), static_cast<std::size_t>(xml.size()));
    std::vector<CenterRow> loaded;
    replies::readActiveRows(document.document_element(), 1, loaded, {});
    return loaded;
}

// The walk over the names alone, without the "Not found" box: the search the
// find panel runs, over the rows a load of the same centers holds.
void BM_FindByNameNoMatchWalk(benchmark::State &state, int rows)
{
    CenterListModel model;
    model.appendBlock(loadedRows(rows));
    model.setSort(ColSortKey, Qt::AscendingOrder);
    const QString text = QLatin1String(vcbench::kNameThatMatchesNothing);
    for (auto _ : state)
        benchmark::DoNotOptimize(firstRowWithNameContaining(model, text));
    if (firstRowWithNameContaining(model, text))
        state.SkipWithError("a name matched");
}

void BM_FindByIdLastRow(benchmark::State &state, int rows)
{
    ShownControl shown;
    if (loadFailed(state, shown, page->vendorWith(rows, 0)))
        return;
    QAbstractItemView *list = shown.nonSelected;
    const int last = rowCount(list) - 1;
    child<QRadioButton>(shown.control, "optList(0)")->click();
    child<QRadioButton>(shown.control, "optFind(1)")->click();
    child<QLineEdit>(shown.control, "txtVendorID")->setText(list->model()->index(last, 0).data().toString());
    auto *find = child<QPushButton>(shown.control, "cmdFind");
    for (auto _ : state) {
        list->clearSelection();
        state.SetIterationTime(secondsOf([&] { find->click(); }));
        settle();
    }
    if (list->currentIndex().row() != last || !list->selectionModel()->isRowSelected(last, {}))
        state.SkipWithError("the last row was not found");
}

// A plain loop of QString::contains over the same names held in a vector.
void BM_FindFloor(benchmark::State &state, int rows)
{
    std::vector<QString> names;
    names.reserve(static_cast<std::size_t>(rows));
    for (const FakeServerPage::ActiveCenter &center : vcbench::activeCenters(rows, 1, 2))
        names.push_back(center.name);
    const QString text = QLatin1String(vcbench::kNameThatMatchesNothing);
    for (auto _ : state) {
        std::optional<std::size_t> found;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i].contains(text, Qt::CaseInsensitive)) {
                found = i;
                break;
            }
        }
        benchmark::DoNotOptimize(found);
    }
}

// ---- 4. the save -------------------------------------------------------------------

// A control whose selected list holds `rows` rows marked "N", ready to save.
bool prepareMarkedRows(benchmark::State &state, ShownControl &shown, int rows)
{
    if (loadFailed(state, shown, page->vendorWith(rows, 0)))
        return false;
    highlightAll(shown.nonSelected);
    press(shown.control, "cmdAddAll");
    settle();
    if (rowCount(shown.selected) != rows) {
        state.SkipWithError("\">>\" did not mark the rows");
        return false;
    }
    return true;
}

void BM_Save(benchmark::State &state, int rows)
{
    ShownControl shown;
    if (!prepareMarkedRows(state, shown, rows))
        return;
    MessageBoxAnswerer answerer;
    const std::uint64_t bytesBefore = page->postedBytes();
    for (auto _ : state) {
        state.SetIterationTime(secondsOf([&] { shown.control.SaveToDatabase(); }));
        settle();
    }
    const std::uint64_t posted = page->postedBytes() - bytesBefore;
    if (answerer.answered != 0)
        state.SkipWithError("the save reported a failure");
    else if (rows > 0 && posted == 0)
        state.SkipWithError("nothing reached the server");
    state.counters["body_bytes"] = static_cast<double>(posted) / static_cast<double>(state.iterations());
}

// The rows ">>" leaves in the selected list when it takes every loaded row:
// each marked "N".
std::vector<CenterRow> markedRows(int rows)
{
    std::vector<CenterRow> marked = loadedRows(rows);
    for (CenterRow &row : marked)
        row.subItem(ColDuty) = marks::dutyOnAdd(row.duty()).value_or(QString());
    return marked;
}

// The save's own work without the post: statements built from the marks and
// encoded into the body, as the save does before it hands the body over.
void BM_SaveBody(benchmark::State &state, int rows)
{
    const std::vector<CenterRow> selected = markedRows(rows);
    const std::vector<CenterRow> nonSelected;
    const qint32 vendorId = page->vendorWith(rows, 0);
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray body =
            statements::saveBody(vendorId, statements::CenterRows(selected), statements::CenterRows(nonSelected));
        bytes = body.size();
        benchmark::DoNotOptimize(body.constData());
    }
    state.counters["body_bytes"] = static_cast<double>(bytes);
}

// The floor of the save: encoding the same statement bytes.
void BM_SaveFloor(benchmark::State &state, int rows)
{
    const std::vector<CenterRow> selected = markedRows(rows);
    const std::vector<CenterRow> nonSelected;
    const QString text = statements::saveStatements(
        page->vendorWith(rows, 0), statements::CenterRows(selected), statements::CenterRows(nonSelected))
                             .join(QString());
    for (auto _ : state)
        benchmark::DoNotOptimize(urlEncode(text));
    state.counters["text_bytes"] = static_cast<double>(text.size());
}

// ---- 5. urlEncode ------------------------------------------------------------------

QString statementText(qsizetype length)
{
    const QString statements =
        QStringLiteral("INSERT INTO VendorCenterCrossReference (VendorID,CenterID,CenterHandlingFee,DutyBrokerageFee,"
                       "RecordLastUpdated) VALUES (12,7,0.08,1,GETDATE() ) "
                       "UPDATE VendorCenterCrossReference SET CenterHandlingFee= 0.05, DutyBrokerageFee= 0, "
                       "RecordLastUpdated = GETDATE()  WHERE CenterID = 9 AND vendorID = 12"
                       "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(3,5)");
    QString text;
    text.reserve(length);
    while (text.size() < length)
        text += statements;
    text.truncate(length);
    return text;
}

void BM_UrlEncode1MiB(benchmark::State &state)
{
    constexpr qsizetype kLength = 1 << 20;
    const QString text = statementText(kLength);
    for (auto _ : state)
        benchmark::DoNotOptimize(urlEncode(text));
    state.SetBytesProcessed(state.iterations() * kLength);
}

// ---- 8. for the record: a QTreeWidget filled item by item, sorting on ---------

void BM_TreeWidgetItemByItem(benchmark::State &state, int rows)
{
    std::vector<std::array<QString, 7>> texts;
    texts.reserve(static_cast<std::size_t>(rows));
    for (const auto &center : vcbench::activeCenters(rows / 2, 1, 2))
        texts.push_back({center.id, center.name, center.countryId, QStringLiteral("8.00"), QStringLiteral("0"),
            center.dateUpdated, center.id.rightJustified(4, QLatin1Char('0'))});
    for (const auto &center : vcbench::selectedCenters(rows - rows / 2, 2, 2))
        texts.push_back({center.id, center.name, QString(), QStringLiteral("8.0"), QStringLiteral("1"), QString(),
            center.id.rightJustified(4, QLatin1Char('0'))});

    QTreeWidget widget;
    widget.setColumnCount(7);
    widget.setRootIsDecorated(false);
    widget.setSortingEnabled(true);
    widget.sortByColumn(6, Qt::AscendingOrder);
    widget.resize(265, 230);
    widget.show();
    settle();
    for (auto _ : state) {
        widget.clear();
        settle();
        state.SetIterationTime(secondsOf([&] {
            for (const auto &row : texts) {
                auto *item = new QTreeWidgetItem(&widget, QStringList {row[0]});
                for (int column = 1; column < 7; ++column)
                    item->setText(column, row[static_cast<std::size_t>(column)]);
            }
            paintNow(widget);
        }));
    }
    if (widget.topLevelItemCount() != rows)
        state.SkipWithError("the tree does not hold the rows");
}

// ------------------------------------------------------------------------------------

void registerSized(const char *name, void (*run)(benchmark::State &, int), const std::vector<int> &sizes, bool smoke)
{
    for (const int rows : sizes) {
        auto *bench = benchmark::RegisterBenchmark((std::string(name) + "/" + std::to_string(rows)).c_str(),
            [run, rows](benchmark::State &state) { run(state, rows); });
        bench->UseManualTime()->Unit(benchmark::kMillisecond);
        if (smoke)
            bench->Iterations(1);
    }
}

void registerPlain(const char *name, void (*run)(benchmark::State &, int), const std::vector<int> &sizes, bool smoke)
{
    for (const int rows : sizes) {
        auto *bench = benchmark::RegisterBenchmark((std::string(name) + "/" + std::to_string(rows)).c_str(),
            [run, rows](benchmark::State &state) { run(state, rows); });
        bench->Unit(benchmark::kMicrosecond);
        if (smoke)
            bench->Iterations(1);
    }
}

std::vector<int> withTenThousand(std::vector<int> sizes, bool smoke)
{
    if (!smoke) {
        sizes.push_back(10000);
        std::sort(sizes.begin(), sizes.end());
    }
    return sizes;
}

} // namespace

int main(int argc, char **argv)
{
    const bool smoke = vcbench::takeSmokeFlag(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    setEventLogSink([](const QString &) { ++failedLoads; });
    vcbench::LoopbackPage loopback;
    page = &loopback;

    const std::vector<int> sizes = vcbench::listSizes(smoke);
    // A move at 16,000 rows moves 10,000, the size of the targets.
    std::vector<int> moveSizes = sizes;
    // The last row of an empty list does not exist: the fixed cost of the id
    // search is taken on a list of one row.
    std::vector<int> idSizes = sizes;
    if (!smoke)
        idSizes.front() = 1;

    registerSized("BM_Load", BM_Load, sizes, smoke);
    registerSized("BM_LoadFloor", BM_LoadFloor, sizes, smoke);
    registerSized("BM_FindByNameNoMatch", BM_FindByNameNoMatch, sizes, smoke);
    registerPlain("BM_FindByNameNoMatchWalk", BM_FindByNameNoMatchWalk, sizes, smoke);
    registerSized("BM_FindByIdLastRow", BM_FindByIdLastRow, idSizes, smoke);
    registerPlain("BM_FindFloor", BM_FindFloor, sizes, smoke);
    {
        auto *bench = benchmark::RegisterBenchmark("BM_UrlEncode1MiB", BM_UrlEncode1MiB);
        bench->Unit(benchmark::kMicrosecond);
        if (smoke)
            bench->Iterations(1);
    }
    registerSized("BM_Save", BM_Save, withTenThousand(sizes, smoke), smoke);
    registerPlain("BM_SaveBody", BM_SaveBody, withTenThousand(sizes, smoke), smoke);
    registerPlain("BM_SaveFloor", BM_SaveFloor, withTenThousand(sizes, smoke), smoke);
    registerSized("BM_MoveAllIn", BM_MoveAllIn, moveSizes, smoke);
    registerSized("BM_MoveAllOut", BM_MoveAllOut, moveSizes, smoke);
    registerSized("BM_MoveFloorLoad", BM_MoveFloorLoad, moveSizes, smoke);
    registerSized("BM_TreeWidgetItemByItem", BM_TreeWidgetItemByItem, sizes, smoke);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    page = nullptr;
    return 0;
}
