#include "widget/PendingRowsModel.h"

#include <QFont>
#include <QMimeData>

namespace vendorcenter {

namespace {

constexpr char kRowsMimeType[] = "application/x-vendorcenter-rows";

QByteArray identityOf(const CenterListModel *model)
{
    return QByteArray::number(reinterpret_cast<quintptr>(model), 16);
}

} // namespace

Qt::ItemFlags PendingRowsModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = CenterListModel::flags(index);
    // A flat list: the view need not ask each row for children when it lays them out.
    if (index.isValid())
        flags |= Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
    return flags;
}

QStringList PendingRowsModel::mimeTypes() const
{
    return {QLatin1String(kRowsMimeType)};
}

QMimeData *PendingRowsModel::mimeData(const QModelIndexList &indexes) const
{
    if (indexes.isEmpty())
        return nullptr;
    auto *data = new QMimeData;
    data->setData(QLatin1String(kRowsMimeType), identityOf(this));
    return data;
}

bool PendingRowsModel::isDragFrom(const QMimeData *data, const CenterListModel *model)
{
    return data && data->data(QLatin1String(kRowsMimeType)) == identityOf(model);
}

QVariant PendingRowsModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::FontRole || index.column() != ColId || !index.isValid() || index.row() >= rowCount())
        return CenterListModel::data(index, role);
    // Only the styles are set; the view's own font fills in the rest.
    QFont font;
    switch (changeAt(index.row())) {
    case pending::Change::None:
        return {};
    case pending::Change::Add:
        font.setBold(true);
        break;
    case pending::Change::FeeChange:
        font.setItalic(true);
        break;
    case pending::Change::Remove:
        font.setStrikeOut(true);
        break;
    }
    return font;
}

} // namespace vendorcenter
