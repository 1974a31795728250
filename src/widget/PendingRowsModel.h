#pragma once

#include "core/CenterListModel.h"

namespace vendorcenter {

// The rows of a list as the views draw them: the id of a row that a commit
// will add, change or remove is set in its own font style (bold, italic,
// struck out), so the kind reads without colour, in any theme.
class PendingRowsModel : public CenterListModel
{
    Q_OBJECT

public:
    using CenterListModel::CenterListModel;

    QVariant data(const QModelIndex &index, int role) const override;

    // Rows are dragged as a whole: the drop moves the highlighted rows of the
    // list they came from, so the drag only says which list that is.
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    static bool isDragFrom(const QMimeData *data, const CenterListModel *model);
};

} // namespace vendorcenter
