#include "widget/CenterMoves.h"

#include "core/Failure.h"
#include "core/Marks.h"
#include "widget/CenterListView.h"

#include <QDateTime>
#include <QSet>

#include <algorithm>

#include <optional>
#include <vector>

namespace vendorcenter {

namespace {

// A moved row keeps its id, name, country, fee and sort key (made from the id
// when the row was read; the id does not change on a move).
//
// The row a move into the selected list creates (">" and ">>"): the duty text
// by the add rule and `stamp` as "Date Updated".
CenterRow rowMovedIn(CenterRow row, const QString &stamp)
{
    row.subItem(ColDuty) = marks::dutyOnAdd(row.duty()).value_or(QString());
    row.subItem(ColDateUpdated) = stamp;
    return row;
}

// The row a move out of the selected list creates ("<" and "<<"): the duty
// text by the remove rule, "Date Updated" carried along.
CenterRow rowMovedOut(CenterRow row)
{
    row.subItem(ColDuty) = marks::dutyOnRemove(row.duty()).value_or(QString());
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

} // namespace

CenterMoves::CenterMoves(CenterListView *nonSelected, CenterListView *selected, QObject *parent)
    : QObject(parent), nonSelected_(nonSelected), selected_(selected)
{ }

CenterListView *CenterMoves::listOn(Side side) const
{
    return side == Side::Selected ? selected_ : nonSelected_;
}

MoveDelta CenterMoves::apply(const MoveIntent &intent)
{
    MoveDelta delta;
    delta.to = intent.to;
    delta.several = intent.several;
    try {
        if (intent.several)
            moveHighlighted(intent.to, delta);
        else if (intent.to == Side::Selected)
            addCurrent(delta);
        else
            removeCurrent(delta);
    } catch (const Failure &) { }
    return delta;
}

void CenterMoves::addCurrent(MoveDelta &delta)
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
    delta.stamp = marks::stampDateTime(QDateTime::currentDateTime());
    CodedTexts::Writer(delta.duties).append(sourceRow.duty());
    CodedTexts::Writer(delta.dates).append(sourceRow.dateUpdated());
    CenterRow created = rowMovedIn(sourceRow, delta.stamp);

    // Exactly the current row leaves, whatever else is highlighted.
    source->removeAt(*current);
    delta.sourcePositions = {*current};
    leaveNothingHighlighted(source);
    target->setMultiSelect(false);
    delta.targetPositions = {target->addRow(std::move(created))};
    showMovedRow(target, id);
    emit movedOne(Side::Selected);
}

void CenterMoves::removeCurrent(MoveDelta &delta)
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
    CodedTexts::Writer(delta.duties).append(sourceRow.duty());
    CenterRow created = rowMovedOut(sourceRow);

    target->setMultiSelect(false);
    delta.targetPositions = {target->addRow(std::move(created))};
    source->removeAt(*current);
    delta.sourcePositions = {*current};
    leaveNothingHighlighted(source);
    showMovedRow(target, id);
    emit movedOne(Side::NonSelected);
}

// Moves the highlighted rows of the other list, in list order, to `to`,
// where they arrive highlighted with multi-select on. A row whose id already
// stands in the selected list stays where it is. One block insert, one sort
// and one removal, whatever the number of rows; the target then sorts by the
// hidden sort key.
void CenterMoves::moveHighlighted(Side to, MoveDelta &delta)
{
    const bool intoSelected = to == Side::Selected;
    CenterListView *source = listOn(intoSelected ? Side::NonSelected : Side::Selected);
    CenterListView *target = listOn(to);
    if (source->count() == 0)
        return;
    target->setMultiSelect(false);
    if (target->sortKey() != ColSortKey) {
        const CenterListModel *rows = target->centerModel();
        delta.targetBefore = MoveDelta::TargetOrder {rows->rows(), rows->sortColumn(), rows->sortOrder()};
    }
    if (intoSelected)
        delta.stamp = marks::stampDate(QDate::currentDate());

    const std::vector<int> highlighted = source->highlightedPositions();
    // Views, not copies: a copy of each id would touch every id's text twice more.
    QSet<QStringView> idsInTarget;
    if (intoSelected) {
        idsInTarget.reserve(target->count() + static_cast<qsizetype>(highlighted.size()));
        for (int position = 0; position < target->count(); ++position)
            idsInTarget.insert(target->row(position).id);
    }
    CodedTexts::Writer duties(delta.duties);
    CodedTexts::Writer dates(delta.dates);
    std::vector<int> leaving;
    leaving.reserve(highlighted.size());
    for (const int position : highlighted) {
        const CenterRow &row = source->row(position);
        if (intoSelected) {
            if (idsInTarget.contains(row.id))
                continue;
            idsInTarget.insert(row.id);
            dates.append(row.dateUpdated());
        }
        duties.append(row.duty());
        leaving.push_back(position);
    }

    // The rows leave first and move over whole: no text of theirs is copied.
    std::vector<CenterRow> created = source->removePositions(leaving);
    for (CenterRow &row : created)
        row = intoSelected ? rowMovedIn(std::move(row), delta.stamp) : rowMovedOut(std::move(row));
    if (!created.empty()) {
        // The first new row, highlighted while multi-select is still off,
        // takes the highlight from whatever the target showed before.
        target->clearHighlights();
        target->setMultiSelect(true);
        delta.targetPositions = target->addRows(std::move(created), /*highlight*/ true);
    }
    delta.sourcePositions = std::move(leaving);
    focusAndShowCurrent(target);
    const std::vector<int> newPositionOf = target->setSortKey(ColSortKey);
    if (!newPositionOf.empty()) {
        for (int &position : delta.targetPositions)
            position = newPositionOf[static_cast<std::size_t>(position)];
    }
    emit movedHighlighted(to);
}

void CenterMoves::undo(const MoveDelta &delta)
{
    const bool intoSelected = delta.to == Side::Selected;
    CenterListView *source = listOn(intoSelected ? Side::NonSelected : Side::Selected);
    CenterListView *target = listOn(delta.to);

    // The rows as they stood before, from their copies in the target.
    std::vector<CenterRow> back;
    back.reserve(delta.targetPositions.size());
    for (std::size_t i = 0; i < delta.targetPositions.size(); ++i) {
        CenterRow row = target->row(delta.targetPositions[i]);
        row.subItem(ColDuty) = delta.duties[i];
        if (intoSelected)
            row.subItem(ColDateUpdated) = delta.dates[i];
        back.push_back(std::move(row));
    }

    if (delta.targetBefore) {
        target->restoreRows(delta.targetBefore->rows, delta.targetBefore->column, delta.targetBefore->order);
    } else {
        std::vector<int> arrived = delta.targetPositions;
        std::sort(arrived.begin(), arrived.end());
        target->removePositions(arrived);
    }
    source->insertAtPositions(std::move(back), delta.sourcePositions);
}

void CenterMoves::redo(const MoveDelta &delta)
{
    const bool intoSelected = delta.to == Side::Selected;
    CenterListView *source = listOn(intoSelected ? Side::NonSelected : Side::Selected);
    CenterListView *target = listOn(delta.to);

    std::vector<CenterRow> leaving = source->removePositions(delta.sourcePositions);
    std::vector<std::pair<int, CenterRow>> arriving;
    arriving.reserve(leaving.size());
    for (std::size_t i = 0; i < leaving.size(); ++i) {
        CenterRow &row = leaving[i];
        arriving.emplace_back(delta.targetPositions[i],
            intoSelected ? rowMovedIn(std::move(row), delta.stamp) : rowMovedOut(std::move(row)));
    }
    // The rows already there take the new sort first, as they did in the move.
    if (delta.targetBefore)
        target->setSortKey(ColSortKey);

    std::sort(arriving.begin(), arriving.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<int> positions;
    std::vector<CenterRow> rows;
    positions.reserve(arriving.size());
    rows.reserve(arriving.size());
    for (auto &[position, row] : arriving) {
        positions.push_back(position);
        rows.push_back(std::move(row));
    }
    target->insertAtPositions(std::move(rows), positions);
}

} // namespace vendorcenter
