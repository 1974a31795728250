#include "widget/CenterMoves.h"

#include "core/Failure.h"
#include "core/Marks.h"
#include "widget/CenterListView.h"

#include <QDateTime>
#include <QSet>

#include <optional>
#include <vector>

namespace vendorcenter {

namespace {

// The copy keeps the source's sort key: every row's key was made from its id
// when the row was read, and the id does not change on a move.
CenterRow copiedRow(const CenterRow &source, const std::optional<QString> &duty, const QString &dateUpdated)
{
    CenterRow row;
    row.id = source.id;
    row.subItem(ColName) = source.name();
    row.subItem(ColCountryId) = source.countryId();
    row.subItem(ColHandlingFee) = source.handlingFee();
    row.subItem(ColDuty) = duty.value_or(QString());
    row.subItem(ColDateUpdated) = dateUpdated;
    row.subItem(ColSortKey) = source.sortKey();
    return row;
}

// Highlights the moved row in its new list and brings it into view.
void showMovedRow(CenterListView *list, const QString &id)
{
    const std::optional<int> found = list->findItem(id);
    if (!found)
        return;
    list->highlight(*found);
    list->setFocus();
    if (const std::optional<int> current = list->currentPosition())
        list->ensureVisible(*current);
}

// A list that allows one highlighted row hands the highlight on to the row
// after one that leaves; after a move the source shows nothing highlighted,
// as the buttons and the fee panel expect.
void leaveNothingHighlighted(CenterListView *source)
{
    if (!source->multiSelect())
        source->clearHighlights();
}

void focusAndShowCurrent(CenterListView *list)
{
    list->setFocus();
    // With nothing moved into an empty list there is no current row to show.
    if (const std::optional<int> current = list->currentPosition())
        list->ensureVisible(*current);
}

// Moves the highlighted rows of `source`, in list order, into `target`, where
// they arrive highlighted with multi-select on. With `skipIdsInTarget` a row
// whose id already stands in the target stays where it is. One block insert,
// one sort and one removal, whatever the number of rows.
template<typename MakeRow>
void moveHighlightedRows(CenterListView *source, CenterListView *target, bool skipIdsInTarget, MakeRow makeRow)
{
    const std::vector<int> highlighted = source->highlightedPositions();
    QSet<QString> idsInTarget;
    if (skipIdsInTarget) {
        idsInTarget.reserve(target->count() + static_cast<qsizetype>(highlighted.size()));
        for (int position = 0; position < target->count(); ++position)
            idsInTarget.insert(target->text(position));
    }

    std::vector<CenterRow> created;
    std::vector<int> leaving;
    created.reserve(highlighted.size());
    leaving.reserve(highlighted.size());
    for (const int position : highlighted) {
        const CenterRow &row = source->row(position);
        if (skipIdsInTarget) {
            if (idsInTarget.contains(row.id))
                continue;
            idsInTarget.insert(row.id);
        }
        created.push_back(makeRow(row));
        leaving.push_back(position);
    }

    if (!created.empty()) {
        // The first new row, highlighted while multi-select is still off,
        // takes the highlight from whatever the target showed before.
        target->clearHighlights();
        target->setMultiSelect(true);
        target->addRows(std::move(created), /*highlight*/ true);
    }
    source->removePositions(leaving);
}

} // namespace

CenterRow rowMovedIn(const CenterRow &source, const QString &stamp)
{
    return copiedRow(source, marks::dutyOnAdd(source.duty()), stamp);
}

CenterRow rowMovedOut(const CenterRow &source)
{
    return copiedRow(source, marks::dutyOnRemove(source.duty()), source.dateUpdated());
}

CenterMoves::CenterMoves(CenterListView *nonSelected, CenterListView *selected, QObject *parent)
    : QObject(parent), nonSelected_(nonSelected), selected_(selected)
{ }

namespace {

// A failing step ends a move quietly; what was done before it stays done.
template<typename Move>
void endingQuietlyOnFailure(Move move)
{
    try {
        move();
    } catch (const Failure &) { }
}

} // namespace

template<typename Move>
void CenterMoves::asOneStep(const QString &stepText, Move move)
{
    emit editStarting();
    endingQuietlyOnFailure(move);
    emit editFinished(stepText);
}

void CenterMoves::add()
{
    asOneStep(tr("Select center"), [this] { addCurrent(); });
}

void CenterMoves::remove()
{
    asOneStep(tr("Deselect center"), [this] { removeCurrent(); });
}

void CenterMoves::addAll()
{
    asOneStep(tr("Select centers"), [this] { addHighlighted(); });
}

void CenterMoves::removeAll()
{
    asOneStep(tr("Deselect centers"), [this] { removeHighlighted(); });
}

void CenterMoves::addCurrent()
{
    CenterListView *source = nonSelected_;
    CenterListView *target = selected_;
    if (source->count() == 0)
        return;
    const std::optional<int> current = source->currentPosition();
    if (!current)
        return;
    const CenterRow &sourceRow = source->row(*current);
    const QString id = sourceRow.id;
    if (id.isEmpty())
        return;
    for (int position = 0; position < target->count(); ++position) {
        if (target->text(position) == id)
            return; // already selected
    }
    CenterRow created = rowMovedIn(sourceRow, marks::stampDateTime(QDateTime::currentDateTime()));

    // Exactly the current row leaves, whatever else is highlighted.
    source->removeAt(*current);
    leaveNothingHighlighted(source);
    target->setMultiSelect(false);
    target->addRow(std::move(created));
    showMovedRow(target, id);
    emit movedOne(Side::Selected);
}

void CenterMoves::removeCurrent()
{
    CenterListView *source = selected_;
    CenterListView *target = nonSelected_;
    if (source->count() == 0)
        return;
    const std::optional<int> current = source->currentPosition();
    if (!current)
        return;
    const CenterRow &sourceRow = source->row(*current);
    const QString id = sourceRow.id;
    if (id.isEmpty())
        return;
    CenterRow created = rowMovedOut(sourceRow);

    target->setMultiSelect(false);
    target->addRow(std::move(created));
    source->removeAt(*current);
    leaveNothingHighlighted(source);
    showMovedRow(target, id);
    emit movedOne(Side::NonSelected);
}

void CenterMoves::addHighlighted()
{
    CenterListView *source = nonSelected_;
    CenterListView *target = selected_;
    if (source->count() == 0)
        return;
    target->setMultiSelect(false);
    const QString stamp = marks::stampDate(QDate::currentDate());
    moveHighlightedRows(
        source, target, /*skipIdsInTarget*/ true, [&stamp](const CenterRow &row) { return rowMovedIn(row, stamp); });
    focusAndShowCurrent(target);
    target->setSortKey(ColSortKey);
    emit movedHighlighted(Side::Selected);
}

void CenterMoves::removeHighlighted()
{
    CenterListView *source = selected_;
    CenterListView *target = nonSelected_;
    if (source->count() == 0)
        return;
    target->setMultiSelect(false);
    moveHighlightedRows(
        source, target, /*skipIdsInTarget*/ false, [](const CenterRow &row) { return rowMovedOut(row); });
    focusAndShowCurrent(target);
    target->setSortKey(ColSortKey);
    emit movedHighlighted(Side::NonSelected);
}

} // namespace vendorcenter
