#include "widget/ControlLook.h"

#include "widget/CenterListView.h"
#include "widget/ControlSurface.h"
#include "widget/FeePanel.h"
#include "widget/TextBoxLook.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace vendorcenter {

PositionRuns runsOf(const std::vector<int> &positionsAscending)
{
    PositionRuns runs;
    for (const int position : positionsAscending) {
        if (!runs.empty() && runs.back().second + 1 == position)
            runs.back().second = position;
        else
            runs.emplace_back(position, position);
    }
    return runs;
}

ListLook lookOf(const CenterListView *list)
{
    return {list->multiSelect(), runsOf(list->highlightedPositions()), list->currentPosition()};
}

void highlightExactly(CenterListView *list, const PositionRuns &runs)
{
    QAbstractItemModel *model = list->model();
    const int lastColumn = model->columnCount() - 1;
    QItemSelection selection;
    selection.reserve(static_cast<qsizetype>(runs.size()));
    // Appended, not selected: the runs never overlap, and select() would
    // merge each one into all the runs before it.
    for (const auto &[first, last] : runs)
        selection.append(QItemSelectionRange(model->index(first, 0), model->index(last, lastColumn)));
    // Without the Rows flag, which merges range by range too: each run spans its rows whole already.
    list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void putLook(CenterListView *list, const ListLook &look, const PositionRuns &movedRows)
{
    list->setMultiSelect(look.multiSelect);
    highlightExactly(list, look.movedRowsHighlighted ? movedRows : look.highlighted);
    if (look.current && *look.current < list->count())
        list->selectionModel()->setCurrentIndex(list->model()->index(*look.current, 0), QItemSelectionModel::NoUpdate);
}

ControlLook captureLook(const ControlSurface &ui, const ButtonStates &buttons, const FeePanel &fees, QWidget *control)
{
    ControlLook look;
    look.centers = lookOf(ui.lstCenters);
    look.selectedCenters = lookOf(ui.lstSelectedCenters);
    look.allVendorsCaption = ui.lblAllVendors->text();
    look.selVendorsCaption = ui.lblSelVendors->text();
    look.buttons = buttons;
    look.feeEditing = fees.isEditing();
    look.feeText = ui.txtCntHandFee->text();
    look.feeWritable = isTextBoxWritable(ui.txtCntHandFee);
    look.dutyChecked = ui.chkDuty->isChecked();
    look.listToSearch = ui.optList[1]->isChecked() ? 1 : 0;
    look.focus = control->focusWidget();
    return look;
}

} // namespace vendorcenter
