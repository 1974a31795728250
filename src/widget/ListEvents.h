#pragma once

#include "widget/CenterListView.h"

#include <QObject>
#include <QPoint>

class QMenu;

namespace vendorcenter {

// How a list sorts after a click on a header.
struct ListSort
{
    int key; // 0 the id, n sub-item n
    int order; // 0 ascending, 1 descending
};

// The sort after a click on header `section` (0-based): the visible "ID"
// sorts by the hidden sort-key column, any other header by itself. A second
// click on the same column flips the direction; a new column keeps it.
ListSort sortAfterColumnClick(int section, ListSort current);

// Clicks, header clicks and the pop-up menu of the two lists. A click moves
// the highlights between the lists here and is then reported, so that the
// control can offer the buttons that fit it.
class ListEvents : public QObject
{
    Q_OBJECT

public:
    ListEvents(CenterListView *nonSelected, CenterListView *selected, QMenu *removeMenu, QObject *parent = nullptr);

    // What a click on the list does once its highlight is set, for the
    // highlight an undo has just put there.
    void clickedOn(const CenterListView *list);

signals:
    // A click on a list that holds no rows.
    void emptyListClicked();
    // A click on the non-selected list, with one or with several rows highlighted.
    void nonSelectedClicked(bool several);
    // A click on the selected list, before its current row is looked at.
    void selectedClicked();
    // That click showed the current selected row.
    void selectedRowClicked(int position, bool several);
    // A header click sorted the list again.
    void listSorted(const CenterListView *list, const ListReorder &reorder);

private:
    void sortByColumn(CenterListView *list, int section);
    void onNonSelectedClicked();
    void onSelectedClicked();
    void showSelectedCenter();
    void selectedMouseReleased(Qt::MouseButton button);

    CenterListView *nonSelected_;
    CenterListView *selected_;
    QMenu *removeMenu_;
};

} // namespace vendorcenter
