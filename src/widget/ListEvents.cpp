#include "widget/ListEvents.h"

#include "widget/CenterListView.h"
#include "widget/ControlSurface.h"
#include "core/Failure.h"
#include "widget/CenterMoves.h"
#include "widget/FeePanel.h"

#include <QAction>
#include <QCheckBox>
#include <QCursor>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace vendorcenter {

ListSort sortAfterColumnClick(int section, ListSort current)
{
    const int wanted = section == ColId ? ColSortKey : section;
    if (current.key == wanted)
        return {wanted, current.order == 0 ? 1 : 0};
    return {wanted, current.order};
}

ListEvents::ListEvents(ControlSurface &ui, FeePanel &fees, CenterMoves &moves, QObject *parent)
    : QObject(parent), ui_(ui), fees_(fees), moves_(moves)
{
    for (CenterListView *list : {ui_.lstCenters, ui_.lstSelectedCenters})
        connect(list, &CenterListView::columnClicked, this, [this, list](int section) { sortByColumn(list, section); });
    connect(ui_.lstCenters, &CenterListView::listClicked, this, &ListEvents::centersClicked);
    connect(ui_.lstSelectedCenters, &CenterListView::listClicked, this, &ListEvents::selectedCentersClicked);
    connect(ui_.lstCenters, &CenterListView::rowDoubleClicked, &moves_, &CenterMoves::add);
    connect(ui_.lstSelectedCenters, &CenterListView::rowDoubleClicked, &moves_, &CenterMoves::remove);
    connect(ui_.lstSelectedCenters, &CenterListView::mouseReleased, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) { selectedMouseReleased(button); });
    connect(ui_.mnuRemoveItems, &QAction::triggered, &moves_, &CenterMoves::remove);
}

void ListEvents::sortByColumn(CenterListView *list, int section)
{
    try {
        const ListSort next = sortAfterColumnClick(section, {list->sortKey(), list->sortOrder()});
        if (next.key != list->sortKey())
            list->setSortKey(next.key);
        else
            list->setSortOrder(next.order);
    } catch (const Failure &) {
    }
}

void ListEvents::centersClicked()
{
    CenterListView *centers = ui_.lstCenters;
    if (centers->count() == 0) {
        ui_.cmdAdd->setEnabled(false);
        ui_.cmdAddAll->setEnabled(false);
        ui_.cmdDelete->setEnabled(false);
        ui_.cmdRemoveAll->setEnabled(false);
        return;
    }
    fees_.reset();
    ui_.cmdDelete->setEnabled(false);
    ui_.cmdRemoveAll->setEnabled(false);
    centers->setMultiSelect(true);
    ui_.lstSelectedCenters->setMultiSelect(false);
    ui_.lstSelectedCenters->clearHighlights();
    const bool several = centers->highlightedCount(2) >= 2;
    ui_.cmdAddAll->setEnabled(several);
    ui_.cmdAdd->setEnabled(!several);
}

void ListEvents::selectedCentersClicked()
{
    try {
        showSelectedCenter();
    } catch (const Failure &) {
    }
}

void ListEvents::showSelectedCenter()
{
    CenterListView *selected = ui_.lstSelectedCenters;
    if (selected->count() == 0) {
        ui_.cmdAdd->setEnabled(false);
        ui_.cmdAddAll->setEnabled(false);
        ui_.cmdDelete->setEnabled(false);
        ui_.cmdRemoveAll->setEnabled(false);
        return;
    }
    fees_.leaveEditing();
    // With no current row there is nothing to show, and the buttons and
    // highlights stay as they were.
    const std::optional<int> current = selected->currentPosition();
    if (!current)
        return;
    fees_.showRow(selected->row(*current));

    selected->setMultiSelect(true);
    ui_.lstCenters->setMultiSelect(false);
    ui_.lstCenters->clearHighlights();
    ui_.cmdAdd->setEnabled(false);
    ui_.cmdAddAll->setEnabled(false);
    if (selected->highlightedCount(2) >= 2) {
        ui_.cmdRemoveAll->setEnabled(true);
        ui_.cmdDelete->setEnabled(false);
        ui_.cmdcenterHandFee->setEnabled(false);
        fees_.clearFields();
    } else {
        ui_.cmdRemoveAll->setEnabled(false);
        ui_.cmdDelete->setEnabled(true);
        ui_.cmdcenterHandFee->setEnabled(true);
    }
}

void ListEvents::selectedMouseReleased(Qt::MouseButton button)
{
    try {
        CenterListView *selected = ui_.lstSelectedCenters;
        if (selected->count() == 0)
            return;
        const std::optional<int> current = selected->currentPosition();
        if (!current || selected->text(*current).isEmpty())
            return;
        if (button == Qt::RightButton)
            ui_.mnuRemove->popup(QCursor::pos());
    } catch (const Failure &) {
    }
}

} // namespace vendorcenter
