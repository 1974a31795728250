#include "widget/ListEvents.h"

#include "core/Failure.h"
#include "widget/CenterListView.h"

#include <QCursor>
#include <QMenu>

namespace vendorcenter {

ListSort sortAfterColumnClick(int section, ListSort current)
{
    const int wanted = section == ColId ? ColSortKey : section;
    if (current.key == wanted)
        return {wanted, current.order == 0 ? 1 : 0};
    return {wanted, current.order};
}

ListEvents::ListEvents(CenterListView *nonSelected, CenterListView *selected, QMenu *removeMenu, QObject *parent)
    : QObject(parent), nonSelected_(nonSelected), selected_(selected), removeMenu_(removeMenu)
{
    for (CenterListView *list : {nonSelected_, selected_})
        connect(list, &CenterListView::columnClicked, this, [this, list](int section) { sortByColumn(list, section); });
    connect(nonSelected_, &CenterListView::listClicked, this, &ListEvents::onNonSelectedClicked);
    connect(selected_, &CenterListView::listClicked, this, &ListEvents::onSelectedClicked);
    connect(selected_, &CenterListView::mouseReleased, this,
        [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) { selectedMouseReleased(button); });
}

void ListEvents::clickedOn(const CenterListView *list)
{
    if (list == nonSelected_)
        onNonSelectedClicked();
    else
        onSelectedClicked();
}

void ListEvents::sortByColumn(CenterListView *list, int section)
{
    try {
        const ListSort next = sortAfterColumnClick(section, {list->sortKey(), list->sortOrder()});
        emit listSorted(list, list->sortBy(next.key, next.order));
    } catch (const Failure &) { }
}

void ListEvents::onNonSelectedClicked()
{
    if (nonSelected_->count() == 0) {
        emit emptyListClicked();
        return;
    }
    nonSelected_->setMultiSelect(true);
    selected_->setMultiSelect(false);
    selected_->clearHighlights();
    emit nonSelectedClicked(nonSelected_->highlightedCount(2) >= 2);
}

void ListEvents::onSelectedClicked()
{
    try {
        showSelectedCenter();
    } catch (const Failure &) { }
}

void ListEvents::showSelectedCenter()
{
    if (selected_->count() == 0) {
        emit emptyListClicked();
        return;
    }
    emit selectedClicked();
    // With no current row there is nothing to show, and the buttons and
    // highlights stay as they were.
    const std::optional<int> current = selected_->currentPosition();
    if (!current)
        return;
    selected_->setMultiSelect(true);
    nonSelected_->setMultiSelect(false);
    nonSelected_->clearHighlights();
    emit selectedRowClicked(*current, selected_->highlightedCount(2) >= 2);
}

void ListEvents::selectedMouseReleased(Qt::MouseButton button)
{
    try {
        if (selected_->count() == 0)
            return;
        const std::optional<int> current = selected_->currentPosition();
        if (!current || selected_->text(*current).isEmpty())
            return;
        if (button == Qt::RightButton)
            removeMenu_->popup(QCursor::pos());
    } catch (const Failure &) { }
}

} // namespace vendorcenter
