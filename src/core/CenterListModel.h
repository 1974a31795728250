#pragma once

#include "core/CenterRow.h"
#include "core/PendingChanges.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <vector>

namespace vendorcenter {

// QString::compare(a, b, Qt::CaseInsensitive) as an order (<0, 0, >0), with a
// quick path for ASCII texts such as ids and sort keys.
int compareIgnoringCase(QStringView a, QStringView b);

// The first eight characters of `text` folded as compareIgnoringCase folds
// them, packed so that a different number means the same order; nothing when
// one of them is not ASCII (or is U+0000).
std::optional<std::uint64_t> foldedAsciiPrefix(QStringView text);

// The rows of one center list, kept sorted by one column and direction.
// Bulk changes (a load, a move of many rows) cost one signal each, so a list
// of tens of thousands of rows stays cheap to fill, sort and thin out.
class CenterListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit CenterListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void setHeaders(const QStringList &headers);

    const CenterRow &row(int position) const { return rows_.at(static_cast<std::size_t>(position)); }
    const std::vector<CenterRow> &rows() const { return rows_; }
    void setColumnText(int position, int column, const QString &text);

    // Inserts one row where the sort puts it (after equal keys); returns its position.
    int insertSorted(CenterRow row);
    // Appends rows as one block, unsorted; returns the block's first position.
    // The caller sorts once afterwards (after selecting the block, if it wants).
    int appendBlock(std::vector<CenterRow> rows);
    // Puts rows back at the positions they are to have once inserted
    // (ascending and distinct), the rows between keeping their order.
    void insertAtPositions(std::vector<CenterRow> rows, const std::vector<int> &positions);
    void removeAt(int position);
    // Positions ascending and distinct; returns the rows taken out, in their order.
    std::vector<CenterRow> removePositions(const std::vector<int> &positions);
    void clear();

    int sortColumn() const { return sortColumn_; }
    Qt::SortOrder sortOrder() const { return sortOrder_; }
    // Both sort the rows (stably) and return where each row went: the new
    // position of the row that stood at i, or nothing when no row moved.
    std::vector<int> setSort(int column, Qt::SortOrder order);
    std::vector<int> resort();

    // Moves every row to its new position (nothing: none moves) and takes the sort given.
    void reorder(const std::vector<int> &newPositionOf, int sortColumn, Qt::SortOrder order);

    // Puts back rows as they stood, in their order, with the sort they had.
    void restoreRows(std::vector<CenterRow> rows, int sortColumn, Qt::SortOrder order);

    // Which list the rows stand in decides what their marks mean; said
    // before the first row comes.
    void setHoldsSelectedCenters(bool selected) { holdsSelected_ = selected; }
    pending::Change changeAt(int position) const;
    // What a commit does with these rows, kept up to date by every change of
    // them, so that an edit of one row costs one row.
    const pending::Summary &pendingSummary() const { return pending_; }
    // Keeps the fees as they are now, so a changed fee can say what it was.
    void rememberFeesAsLoaded();
    QString feeAsLoaded(const QString &id) const;

private:
    bool lessThan(const CenterRow &a, const CenterRow &b) const;
    void permuteRows(const std::vector<int> &newPositionOf);
    void countPending(const CenterRow &row, int times)
    {
        pending_.count(pending::changeOf(row.duty(), holdsSelected_), times);
    }
    void countPending(const std::vector<CenterRow> &rows, int times);

    std::vector<CenterRow> rows_;
    QStringList headers_;
    std::vector<CenterRow> rowsAsLoaded_;
    bool holdsSelected_ = false;
    pending::Summary pending_;
    int sortColumn_ = ColId;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

// First position whose name contains `text`, letter case ignored, searching
// from the first row; an empty text matches the first row.
std::optional<int> firstRowWithNameContaining(const CenterListModel &rows, const QString &text);

} // namespace vendorcenter
