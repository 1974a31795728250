// The change journal at the largest lists: ">>" of 10,000 rows out of 32,000,
// its undo and redo, the same rows dropped from one list on the other, and
// the load with the marked-row look. Run with scripts/bench.sh (Release);
// the targets are ratios: undo <= 1.5 x ">>", drop <= 1.5 x ">>", and the
// load here against BM_Load of vendorcenter_bench_control before the journal.

#include "BenchSizes.h"
#include "BenchSupport.h"

#include <vendorcenter/EventLog.h>
#include <vendorcenter/Vendor_Center.h>

#include <QApplication>
#include <QDropEvent>
#include <QLocale>
#include <QMimeData>
#include <QPushButton>
#include <QStringListModel>
#include <QTest>
#include <QTreeView>
#include <QUndoStack>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

using vendorcenter::Vendor_Center;

namespace {

using vcbench::paintNow;
using vcbench::secondsOf;
using vcbench::settle;

vcbench::LoopbackPage *page = nullptr;
int failedLoads = 0;

// The control on a window of its own, reached only through its public surface.
struct ShownControl
{
    Vendor_Center control;
    QTreeView *centers = control.findChild<QTreeView *>(QStringLiteral("lstCenters"));
    QTreeView *selected = control.findChild<QTreeView *>(QStringLiteral("lstSelectedCenters"));

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

    // A click into the list, then five rows of every sixteen highlighted:
    // 10,000 of 32,000, in separate blocks.
    int highlightFiveOfSixteen()
    {
        QTest::mouseClick(centers->viewport(), Qt::LeftButton, {}, QPoint(4, centers->viewport()->height() - 2));
        QAbstractItemModel *model = centers->model();
        const int rows = model->rowCount();
        QItemSelection blocks;
        int highlighted = 0;
        for (int first = 0; first < rows; first += 16) {
            const int last = std::min(first + 4, rows - 1);
            blocks.append(QItemSelectionRange(model->index(first, 0), model->index(last, model->columnCount() - 1)));
            highlighted += last - first + 1;
        }
        centers->selectionModel()->select(blocks, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return highlighted;
    }

    // The highlight was set without a click, so ">>" is enabled here as the click would have.
    void moveAll()
    {
        auto *button = control.findChild<QPushButton *>(QStringLiteral("cmdAddAll"));
        button->setEnabled(true);
        button->click();
    }

    void drop()
    {
        const std::unique_ptr<QMimeData> data(centers->model()->mimeData(centers->selectionModel()->selectedIndexes()));
        const QPoint at = selected->viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(selected->viewport(), &enter);
        QDropEvent dropped(at, Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(selected->viewport(), &dropped);
    }
};

enum class Timed { MoveAll, Undo, Redo, Drop };

// Each round loads the list afresh and highlights 5/16 of it; only the
// operation under test (and the painting that shows its result) is timed.
void timeMove(benchmark::State &state, int rows, Timed timed)
{
    ShownControl shown;
    const qint32 vendorId = page->vendorWith(rows, 0);
    int moved = 0;
    for (auto _ : state) {
        if (!shown.load(vendorId)) {
            state.SkipWithError("the load failed");
            return;
        }
        moved = shown.highlightFiveOfSixteen();
        settle();
        if (timed == Timed::Undo || timed == Timed::Redo) {
            shown.moveAll();
            paintNow(shown.control);
            if (timed == Timed::Redo) {
                shown.control.undoStack()->undo();
                paintNow(shown.control);
            }
        }
        state.SetIterationTime(secondsOf([&] {
            switch (timed) {
            case Timed::MoveAll:
                shown.moveAll();
                break;
            case Timed::Undo:
                shown.control.undoStack()->undo();
                break;
            case Timed::Redo:
                shown.control.undoStack()->redo();
                break;
            case Timed::Drop:
                shown.drop();
                break;
            }
            paintNow(shown.control);
        }));
        settle();
    }
    const int expected = timed == Timed::Undo ? 0 : moved;
    if (shown.selected->model()->rowCount() != expected)
        state.SkipWithError("the rows did not end where the operation puts them");
    state.counters["moved"] = moved;
}

void BM_MoveAllIn(benchmark::State &state, int rows)
{
    timeMove(state, rows, Timed::MoveAll);
}

void BM_UndoMoveAllIn(benchmark::State &state, int rows)
{
    timeMove(state, rows, Timed::Undo);
}

void BM_RedoMoveAllIn(benchmark::State &state, int rows)
{
    timeMove(state, rows, Timed::Redo);
}

void BM_DropIn(benchmark::State &state, int rows)
{
    timeMove(state, rows, Timed::Drop);
}

// One ">" of one row, to its first paint, at the largest list: a step costs
// what it changes, not a copy of the lists.
void BM_MoveOneIn(benchmark::State &state, int rows)
{
    ShownControl shown;
    if (!shown.load(page->vendorWith(rows, 0))) {
        state.SkipWithError("the load failed");
        return;
    }
    auto *add = shown.control.findChild<QPushButton *>(QStringLiteral("cmdAdd"));
    int moved = 0;
    for (auto _ : state) {
        QAbstractItemModel *model = shown.centers->model();
        shown.centers->selectionModel()->setCurrentIndex(
            model->index(moved % model->rowCount(), 0), QItemSelectionModel::ClearAndSelect);
        add->setEnabled(true);
        state.SetIterationTime(secondsOf([&] {
            add->click();
            paintNow(shown.control);
        }));
        ++moved;
    }
    state.counters["steps"] = shown.control.undoStack()->count();
}

// The reference of the single move: a paint of the same control, loaded and
// unchanged, as every case here ends with one.
void BM_RepaintUnchanged(benchmark::State &state, int rows)
{
    ShownControl shown;
    if (!shown.load(page->vendorWith(rows, 0))) {
        state.SkipWithError("the load failed");
        return;
    }
    for (auto _ : state)
        state.SetIterationTime(secondsOf([&] { paintNow(shown.control); }));
}

// Undo of all of 1,000 single moves, to the first paint.
void BM_UndoThousandMoves(benchmark::State &state, int rows)
{
    ShownControl shown;
    const qint32 vendorId = page->vendorWith(rows, 0);
    auto *add = shown.control.findChild<QPushButton *>(QStringLiteral("cmdAdd"));
    const int moves = rows >= 10'000 ? 1000 : 100;
    for (auto _ : state) {
        if (!shown.load(vendorId)) {
            state.SkipWithError("the load failed");
            return;
        }
        QAbstractItemModel *model = shown.centers->model();
        for (int move = 0; move < moves; ++move) {
            shown.centers->selectionModel()->setCurrentIndex(
                model->index(move, 0), QItemSelectionModel::ClearAndSelect);
            add->setEnabled(true);
            add->click();
        }
        settle();
        state.SetIterationTime(secondsOf([&] {
            for (int move = 0; move < moves; ++move)
                shown.control.undoStack()->undo();
            paintNow(shown.control);
        }));
        if (shown.selected->model()->rowCount() != 0)
            state.SkipWithError("the undo left rows in the selected list");
    }
    state.counters["steps"] = moves;
}

// The floor of that undo: a plain QTreeView of as many rows takes 1,000 rows
// back one by one, each made current as an undo points at the row it puts
// back, then paints once. A tree view lays out every row again after each
// insertion before it can show the current one.
void BM_UndoThousandMovesFloor(benchmark::State &state, int rows)
{
    QStringList names;
    for (int row = 0; row < rows; ++row)
        names << QStringLiteral("Center %1").arg(row);
    QStringListModel model;
    QTreeView view;
    vcbench::showPlainTreeView(view, model);
    const int moves = rows >= 10'000 ? 1000 : 100;
    for (auto _ : state) {
        model.setStringList(names.mid(moves));
        settle();
        state.SetIterationTime(secondsOf([&] {
            for (int move = moves - 1; move >= 0; --move) {
                model.insertRows(0, 1);
                model.setData(model.index(0), names.at(move));
                view.setCurrentIndex(model.index(0));
            }
            paintNow(view);
        }));
    }
    state.counters["steps"] = moves;
}

// The load of BM_Load in vendorcenter_bench_control, with the look of the
// marked rows and the fees kept for their tooltips.
void BM_LoadWithPendingLook(benchmark::State &state, int rows)
{
    ShownControl shown;
    const qint32 vendorId = page->vendorWith(rows / 2, rows - rows / 2);
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
    state.counters["rows"] = rows;
}

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

} // namespace

int main(int argc, char **argv)
{
    const bool smoke = vcbench::takeSmokeFlag(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    vendorcenter::setEventLogSink([](const QString &) { ++failedLoads; });
    vcbench::LoopbackPage loopback;
    page = &loopback;

    const std::vector<int> sizes = smoke ? std::vector<int> {1000} : std::vector<int> {32000};
    registerSized("BM_MoveAllIn", BM_MoveAllIn, sizes, smoke);
    registerSized("BM_UndoMoveAllIn", BM_UndoMoveAllIn, sizes, smoke);
    registerSized("BM_RedoMoveAllIn", BM_RedoMoveAllIn, sizes, smoke);
    registerSized("BM_DropIn", BM_DropIn, sizes, smoke);
    registerSized("BM_MoveOneIn", BM_MoveOneIn, sizes, smoke);
    registerSized("BM_RepaintUnchanged", BM_RepaintUnchanged, sizes, smoke);
    registerSized("BM_UndoThousandMoves", BM_UndoThousandMoves, sizes, smoke);
    registerSized("BM_UndoThousandMovesFloor", BM_UndoThousandMovesFloor, sizes, smoke);
    registerSized("BM_LoadWithPendingLook", BM_LoadWithPendingLook, sizes, smoke);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    page = nullptr;
    return 0;
}
