#pragma once

#include <QObject>
#include <QPoint>

namespace vendorcenter {

struct ControlSurface;
class CenterListView;
class FeePanel;
class CenterMoves;

// How a list sorts after a click on a header.
struct ListSort
{
    int key;   // 0 the id, n sub-item n
    int order; // 0 ascending, 1 descending
};

// The sort after a click on header `section` (0-based): the visible "ID"
// sorts by the hidden sort-key column, any other header by itself. A second
// click on the same column flips the direction; a new column keeps it.
ListSort sortAfterColumnClick(int section, ListSort current);

// Clicks, double clicks, header clicks and the pop-up menu of the two lists.
class ListEvents : public QObject
{
    Q_OBJECT

public:
    ListEvents(ControlSurface &ui, FeePanel &fees, CenterMoves &moves, QObject *parent = nullptr);

private:
    void sortByColumn(CenterListView *list, int section);
    void centersClicked();
    void selectedCentersClicked();
    void showSelectedCenter();
    void selectedMouseReleased(Qt::MouseButton button);

    ControlSurface &ui_;
    FeePanel &fees_;
    CenterMoves &moves_;
};

} // namespace vendorcenter
