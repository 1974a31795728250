#include "widget/ChangeJournal.h"

#include "widget/CenterListView.h"
#include "widget/ControlSurface.h"
#include "widget/TextBoxLook.h"

#include <QCheckBox>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

#include <utility>

namespace vendorcenter {

namespace {

class EditStep : public QUndoCommand
{
public:
    EditStep(ChangeJournal &journal, ChangeJournal::State before, ChangeJournal::State after, const QString &text)
        : QUndoCommand(text), journal_(journal), before_(std::move(before)), after_(std::move(after))
    { }

    void undo() override { journal_.restoreBefore(before_, after_); }

    void redo() override
    {
        // The edit itself has already done the first redo.
        if (std::exchange(done_, false))
            return;
        journal_.restoreAfter(before_, after_);
    }

private:
    ChangeJournal &journal_;
    ChangeJournal::State before_;
    ChangeJournal::State after_;
    bool done_ = true;
};

ChangeJournal::ListLook lookOf(const CenterListView *list)
{
    return {list->multiSelect(), list->highlightedPositions(), list->currentPosition()};
}

// Highlights exactly `positions` (ascending), one selection range per run of neighbours.
void highlightExactly(CenterListView *list, const std::vector<int> &positions)
{
    QAbstractItemModel *model = list->model();
    const int lastColumn = model->columnCount() - 1;
    QItemSelection selection;
    for (std::size_t first = 0; first < positions.size();) {
        std::size_t last = first;
        while (last + 1 < positions.size() && positions[last + 1] == positions[last] + 1)
            ++last;
        // Appended, not selected: the runs never overlap, and select() would
        // merge each one into all the runs before it.
        selection.append(
            QItemSelectionRange(model->index(positions[first], 0), model->index(positions[last], lastColumn)));
        first = last + 1;
    }
    // Without the Rows flag, which merges range by range too: each run spans its rows whole already.
    list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void putLook(CenterListView *list, const ChangeJournal::ListLook &look)
{
    list->setMultiSelect(look.multiSelect);
    highlightExactly(list, look.highlighted);
    if (look.current && *look.current < list->count())
        list->selectionModel()->setCurrentIndex(list->model()->index(*look.current, 0), QItemSelectionModel::NoUpdate);
}

// Positions in `before` of the rows that `after` no longer holds as they
// were: the rows a move took out (the rest keep their order), or the rows an
// edit changed in place.
std::vector<int> rowsTakenOrChanged(const std::vector<CenterRow> &before, const std::vector<CenterRow> &after)
{
    std::vector<int> positions;
    if (before.size() == after.size()) {
        for (std::size_t i = 0; i < before.size(); ++i) {
            if (before[i] != after[i])
                positions.push_back(static_cast<int>(i));
        }
    } else if (before.size() > after.size()) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < before.size(); ++i) {
            if (kept < after.size() && before[i] == after[kept])
                ++kept;
            else
                positions.push_back(static_cast<int>(i));
        }
    }
    return positions;
}

// Line edits take Ctrl+Z for their own text; in this control it undoes the last edit.
class UndoKeysOverLineEdits : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ShortcutOverride) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)
                || key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y))
                return true; // not accepted: the control's shortcut takes the key
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

ChangeJournal::ChangeJournal(
    ControlSurface &ui, ButtonStates &buttons, std::function<void()> showButtons, QWidget *control)
    : ui_(ui), buttons_(buttons), showButtons_(std::move(showButtons)), control_(control)
{
    ui_.lstSelectedCenters->centerModel()->setHoldsSelectedCenters(true);

    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    if (!redoKeys.contains(QKeySequence(Qt::CTRL | Qt::Key_Y)))
        redoKeys << QKeySequence(Qt::CTRL | Qt::Key_Y);
    for (const QKeySequence &key : QKeySequence::keyBindings(QKeySequence::Undo))
        new QShortcut(
            key, control, this, [this] { stack_.undo(); }, Qt::WidgetWithChildrenShortcut);
    for (const QKeySequence &key : std::as_const(redoKeys))
        new QShortcut(
            key, control, this, [this] { stack_.redo(); }, Qt::WidgetWithChildrenShortcut);
    auto *undoKeys = new UndoKeysOverLineEdits(this);
    for (QLineEdit *box : {ui_.txtCntHandFee, ui_.txtVendorID, ui_.txtVendorName})
        box->installEventFilter(undoKeys);
}

ChangeJournal::~ChangeJournal() = default;

std::shared_ptr<const ChangeJournal::ListRows> ChangeJournal::rowsOf(CenterListView *list, CachedRows &cache)
{
    const CenterListModel *model = list->centerModel();
    if (cache.rows && cache.revision == model->revision() && cache.rows->sortColumn == model->sortColumn()
        && cache.rows->sortOrder == model->sortOrder())
        return cache.rows;
    cache.rows = std::make_shared<const ListRows>(ListRows {model->rows(), model->sortColumn(), model->sortOrder()});
    cache.revision = model->revision();
    return cache.rows;
}

void ChangeJournal::putRows(CenterListView *list, const std::shared_ptr<const ListRows> &rows, CachedRows &cache)
{
    CenterListModel *model = list->centerModel();
    model->restoreRows(rows->rows, rows->sortColumn, rows->sortOrder);
    // The hidden sort-key column stands for the visible "ID" column.
    list->header()->setSortIndicator(rows->sortColumn == ColSortKey ? ColId : rows->sortColumn, rows->sortOrder);
    cache = {model->revision(), rows};
}

ChangeJournal::State ChangeJournal::capture()
{
    State state;
    state.centers = rowsOf(ui_.lstCenters, centersCache_);
    state.selectedCenters = rowsOf(ui_.lstSelectedCenters, selectedCache_);
    state.centersLook = lookOf(ui_.lstCenters);
    state.selectedLook = lookOf(ui_.lstSelectedCenters);
    state.allVendorsCaption = ui_.lblAllVendors->text();
    state.selVendorsCaption = ui_.lblSelVendors->text();
    state.buttons = buttons_;
    state.feeButtonCaption = ui_.cmdcenterHandFee->text();
    state.feeText = ui_.txtCntHandFee->text();
    state.feeWritable = isTextBoxWritable(ui_.txtCntHandFee);
    state.dutyChecked = ui_.chkDuty->isChecked();
    state.listToSearch = ui_.optList[1]->isChecked() ? 1 : 0;
    state.focus = control_->focusWidget();
    return state;
}

void ChangeJournal::editStarting()
{
    if (depth_++ == 0)
        before_ = capture();
}

void ChangeJournal::editFinished(const QString &stepText)
{
    if (depth_ == 0 || --depth_ > 0 || !before_)
        return;
    State before = std::move(*before_);
    before_.reset();
    State after = capture();
    const bool changed = before.centers != after.centers || before.selectedCenters != after.selectedCenters
        || before.allVendorsCaption != after.allVendorsCaption || before.selVendorsCaption != after.selVendorsCaption
        || before.buttons.commit != after.buttons.commit;
    if (!changed)
        return;
    stack_.push(new EditStep(*this, std::move(before), std::move(after), stepText));
    refreshSummary();
}

void ChangeJournal::listsCleared()
{
    stack_.clear();
    before_.reset();
    depth_ = 0;
    centersCache_ = {};
    selectedCache_ = {};
}

void ChangeJournal::listsLoaded()
{
    listsCleared();
    ui_.lstSelectedCenters->centerModel()->rememberFeesAsLoaded();
    // Rows come from the server without marks: nothing is pending after a load.
    summary_ = {};
    ui_.cmdCommit->setToolTip(QString());
    emit pendingChangesChanged();
}

void ChangeJournal::putSurroundings(const State &state)
{
    ui_.lblAllVendors->setText(state.allVendorsCaption);
    ui_.lblSelVendors->setText(state.selVendorsCaption);
    ui_.optList[state.listToSearch]->setChecked(true);
    buttons_.listsRestored(state.buttons);
    showButtons_();
}

void ChangeJournal::restoreBefore(const State &before, const State &after)
{
    if (before.centers != after.centers)
        putRows(ui_.lstCenters, before.centers, centersCache_);
    if (before.selectedCenters != after.selectedCenters)
        putRows(ui_.lstSelectedCenters, before.selectedCenters, selectedCache_);
    putSurroundings(before);

    // The rows the edit took away (or changed) come back highlighted, and the
    // buttons and the fee panel are left as a click on them leaves them.
    const std::pair<CenterListView *, std::pair<const ListRows *, const ListRows *>> lists[] = {
        {ui_.lstCenters, {before.centers.get(), after.centers.get()}},
        {ui_.lstSelectedCenters, {before.selectedCenters.get(), after.selectedCenters.get()}}};
    for (const auto &[list, rows] : lists) {
        if (rows.first == rows.second)
            continue;
        const std::vector<int> restored = rowsTakenOrChanged(rows.first->rows, rows.second->rows);
        if (restored.empty())
            continue;
        CenterListView *other = list == ui_.lstCenters ? ui_.lstSelectedCenters : ui_.lstCenters;
        other->clearHighlights();
        list->setMultiSelect(restored.size() > 1);
        highlightExactly(list, restored);
        list->selectionModel()->setCurrentIndex(
            list->model()->index(restored.front(), 0), QItemSelectionModel::NoUpdate);
        list->ensureVisible(restored.front());
        list->setFocus();
        emit list->listClicked();
        refreshSummary();
        return;
    }
    // Nothing to point at: the state before the edit as it was.
    ui_.lstCenters->clearHighlights();
    ui_.lstSelectedCenters->clearHighlights();
    putLook(ui_.lstCenters, before.centersLook);
    putLook(ui_.lstSelectedCenters, before.selectedLook);
    buttons_.editButtonsRestored(before.buttons);
    showButtons_();
    refreshSummary();
}

void ChangeJournal::restoreAfter(const State &before, const State &after)
{
    if (before.centers != after.centers)
        putRows(ui_.lstCenters, after.centers, centersCache_);
    if (before.selectedCenters != after.selectedCenters)
        putRows(ui_.lstSelectedCenters, after.selectedCenters, selectedCache_);
    putSurroundings(after);
    putLook(ui_.lstCenters, after.centersLook);
    putLook(ui_.lstSelectedCenters, after.selectedLook);
    buttons_.editButtonsRestored(after.buttons);
    showButtons_();
    ui_.cmdcenterHandFee->setText(after.feeButtonCaption);
    ui_.txtCntHandFee->setText(after.feeText);
    setTextBoxWritable(ui_.txtCntHandFee, after.feeWritable);
    ui_.chkDuty->setChecked(after.dutyChecked);
    if (after.focus)
        after.focus->setFocus();
    refreshSummary();
}

void ChangeJournal::refreshSummary()
{
    summary_ = pending::summarize(ui_.lstSelectedCenters->centerModel()->rows(), ui_.lstCenters->centerModel()->rows());
    ui_.cmdCommit->setToolTip(pending::summaryText(summary_));
    emit pendingChangesChanged();
}

} // namespace vendorcenter
