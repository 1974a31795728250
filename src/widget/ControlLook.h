#pragma once

#include "widget/ButtonStates.h"

#include <QPointer>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

class QWidget;

namespace vendorcenter {

struct ControlSurface;
class CenterListView;
class FeePanel;

// Highlighted positions as runs of neighbours, first and last of each, ascending.
using PositionRuns = std::vector<std::pair<int, int>>;
PositionRuns runsOf(const std::vector<int> &positionsAscending);

// The highlight of a list.
struct ListLook
{
    bool multiSelect = false;
    PositionRuns highlighted;
    std::optional<int> current;
    // The highlight is exactly the rows a move brought in, which the move's
    // delta already holds; `highlighted` is then left empty.
    bool movedRowsHighlighted = false;
};

ListLook lookOf(const CenterListView *list);
// `movedRows` stands in for the highlight a look left to the delta.
void putLook(CenterListView *list, const ListLook &look, const PositionRuns &movedRows = {});
// Highlights exactly the rows of `runs`, one selection range per run.
void highlightExactly(CenterListView *list, const PositionRuns &runs);

// How the control around the rows looks: what an undo or a redo puts back
// besides the rows themselves.
struct ControlLook
{
    ListLook centers;
    ListLook selectedCenters;
    QString allVendorsCaption;
    QString selVendorsCaption;
    ButtonStates buttons;
    bool feeEditing = false;
    QString feeText;
    bool feeWritable = false;
    bool dutyChecked = false;
    int listToSearch = 0;
    QPointer<QWidget> focus;
};

ControlLook captureLook(const ControlSurface &ui, const ButtonStates &buttons, const FeePanel &fees, QWidget *control);

} // namespace vendorcenter
