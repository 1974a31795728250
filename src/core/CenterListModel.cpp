#include "core/CenterListModel.h"

#include <QStringMatcher>

#include <algorithm>
#include <numeric>

namespace vendorcenter {

int compareIgnoringCase(QStringView a, QStringView b)
{
    // ASCII folds to its lower case; anything else takes Qt's full folding,
    // from the start, so the order is exactly QString::compare's.
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x >= 0x80 || y >= 0x80)
            return a.compare(b, Qt::CaseInsensitive);
        if (x >= u'A' && x <= u'Z')
            x += u'a' - u'A';
        if (y >= u'A' && y <= u'Z')
            y += u'a' - u'A';
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::optional<std::uint64_t> foldedAsciiPrefix(QStringView text)
{
    // Eight characters, lower-cased, first one highest; a shorter text is
    // padded with zero, which sorts before every character it may hold.
    std::uint64_t prefix = 0;
    for (qsizetype i = 0; i < 8; ++i) {
        char16_t c = 0;
        if (i < text.size()) {
            c = text[i].unicode();
            if (c == 0 || c >= 0x80)
                return std::nullopt;
            if (c >= u'A' && c <= u'Z')
                c += u'a' - u'A';
        }
        prefix = prefix << 8 | c;
    }
    return prefix;
}

CenterListModel::CenterListModel(QObject *parent) : QAbstractTableModel(parent) { }

int CenterListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CenterListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant CenterListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= CenterColumnCount)
        return {};
    const CenterRow &row = rows_[static_cast<std::size_t>(index.row())];
    // The id of a marked row says what a commit will do with it.
    if (index.column() == ColId && (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole)) {
        const pending::Change change = changeAt(index.row());
        if (change != pending::Change::None)
            return pending::description(row, change, feeAsLoaded(row.id));
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::AccessibleTextRole)
        return {};
    return row.column(index.column());
}

void CenterListModel::countPending(const std::vector<CenterRow> &rows, int times)
{
    for (const CenterRow &row : rows)
        countPending(row, times);
}

pending::Change CenterListModel::changeAt(int position) const
{
    return pending::changeOf(rows_.at(static_cast<std::size_t>(position)).duty(), holdsSelected_);
}

void CenterListModel::rememberFeesAsLoaded()
{
    // A copy of the rows costs a reference per text; the fees are looked up
    // only for a tooltip, so a walk then is cheaper than an index at every load.
    rowsAsLoaded_ = holdsSelected_ ? rows_ : std::vector<CenterRow>();
}

QString CenterListModel::feeAsLoaded(const QString &id) const
{
    const auto found =
        std::find_if(rowsAsLoaded_.begin(), rowsAsLoaded_.end(), [&id](const CenterRow &row) { return row.id == id; });
    return found == rowsAsLoaded_.end() ? QString() : found->handlingFee();
}

void CenterListModel::restoreRows(std::vector<CenterRow> rows, int sortColumn, Qt::SortOrder order)
{
    beginResetModel();
    rows_ = std::move(rows);
    pending_ = {};
    countPending(rows_, 1);
    sortColumn_ = sortColumn;
    sortOrder_ = order;
    endResetModel();
}

QVariant CenterListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < headers_.size())
        return headers_.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void CenterListModel::setHeaders(const QStringList &headers)
{
    beginResetModel();
    headers_ = headers;
    endResetModel();
}

void CenterListModel::setColumnText(int position, int column, const QString &text)
{
    CenterRow &target = rows_.at(static_cast<std::size_t>(position));
    countPending(target, -1);
    if (column == ColId)
        target.id = text;
    else
        target.subItem(column) = text;
    countPending(target, 1);
    const QModelIndex changed = index(position, column);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
    if (column == ColDuty) {
        // The mark decides how the id looks and what it tells.
        const QModelIndex id = index(position, ColId);
        emit dataChanged(id, id);
    }
}

bool CenterListModel::lessThan(const CenterRow &a, const CenterRow &b) const
{
    const int order = compareIgnoringCase(a.column(sortColumn_), b.column(sortColumn_));
    return sortOrder_ == Qt::AscendingOrder ? order < 0 : order > 0;
}

int CenterListModel::insertSorted(CenterRow row)
{
    const auto at = std::upper_bound(
        rows_.begin(), rows_.end(), row, [this](const CenterRow &a, const CenterRow &b) { return lessThan(a, b); });
    const int position = static_cast<int>(at - rows_.begin());
    beginInsertRows({}, position, position);
    countPending(row, 1);
    rows_.insert(at, std::move(row));
    endInsertRows();
    return position;
}

int CenterListModel::appendBlock(std::vector<CenterRow> rows)
{
    const int first = rowCount();
    if (rows.empty())
        return first;
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    countPending(rows, 1);
    rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    endInsertRows();
    return first;
}

void CenterListModel::insertAtPositions(std::vector<CenterRow> rows, const std::vector<int> &positions)
{
    if (rows.empty())
        return;
    countPending(rows, 1);
    const bool contiguous = positions.back() - positions.front() + 1 == static_cast<int>(positions.size());
    if (contiguous) {
        beginInsertRows({}, positions.front(), positions.back());
        rows_.insert(rows_.begin() + positions.front(), std::make_move_iterator(rows.begin()),
            std::make_move_iterator(rows.end()));
        endInsertRows();
        return;
    }
    // Scattered rows go in one merging pass and one reset, as a scattered removal does.
    beginResetModel();
    std::vector<CenterRow> merged;
    merged.reserve(rows_.size() + rows.size());
    std::size_t kept = 0;
    std::size_t inserted = 0;
    while (merged.size() < rows_.size() + rows.size()) {
        const bool nextIsInserted =
            inserted < rows.size() && (positions[inserted] <= static_cast<int>(merged.size()) || kept == rows_.size());
        if (nextIsInserted)
            merged.push_back(std::move(rows[inserted++]));
        else
            merged.push_back(std::move(rows_[kept++]));
    }
    rows_ = std::move(merged);
    endResetModel();
}

void CenterListModel::removeAt(int position)
{
    beginRemoveRows({}, position, position);
    countPending(rows_.at(static_cast<std::size_t>(position)), -1);
    rows_.erase(rows_.begin() + position);
    endRemoveRows();
}

std::vector<CenterRow> CenterListModel::removePositions(const std::vector<int> &positions)
{
    if (positions.empty())
        return {};
    for (const int position : positions)
        countPending(rows_.at(static_cast<std::size_t>(position)), -1);
    std::vector<CenterRow> removed;
    removed.reserve(positions.size());
    const bool contiguous = positions.back() - positions.front() + 1 == static_cast<int>(positions.size());
    if (contiguous) {
        const auto first = rows_.begin() + positions.front();
        const auto end = rows_.begin() + positions.back() + 1;
        beginRemoveRows({}, positions.front(), positions.back());
        removed.assign(std::make_move_iterator(first), std::make_move_iterator(end));
        rows_.erase(first, end);
        endRemoveRows();
        return removed;
    }
    // Scattered rows go in one compaction pass; one reset is cheaper for the
    // views than a removal signal per block.
    beginResetModel();
    std::vector<CenterRow> kept;
    kept.reserve(rows_.size() - positions.size());
    auto next = positions.begin();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const bool leaves = next != positions.end() && *next == static_cast<int>(i);
        if (leaves)
            ++next;
        (leaves ? removed : kept).push_back(std::move(rows_[i]));
    }
    rows_ = std::move(kept);
    endResetModel();
    return removed;
}

void CenterListModel::clear()
{
    if (rows_.empty())
        return;
    beginResetModel();
    rows_.clear();
    pending_ = {};
    endResetModel();
}

std::vector<int> CenterListModel::setSort(int column, Qt::SortOrder order)
{
    sortColumn_ = column;
    sortOrder_ = order;
    return resort();
}

std::vector<int> CenterListModel::resort()
{
    if (rows_.size() < 2)
        return {};
    // The keys side by side, so comparisons do not chase each row's strings,
    // each with its first characters folded into one number where they are
    // plain ASCII: most comparisons are then decided by one integer compare,
    // in the order compareIgnoringCase gives.
    struct Keyed
    {
        std::uint64_t prefix;
        bool packed;
        QStringView key;
        int position;
    };
    std::vector<Keyed> order;
    order.reserve(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const QStringView key = rows_[i].column(sortColumn_);
        const std::optional<std::uint64_t> prefix = foldedAsciiPrefix(key);
        order.push_back({prefix.value_or(0), prefix.has_value(), key, static_cast<int>(i)});
    }
    const bool ascending = sortOrder_ == Qt::AscendingOrder;
    const auto inOrder = [ascending](const Keyed &a, const Keyed &b) {
        int compared = 0;
        if (a.packed && b.packed && a.prefix != b.prefix)
            compared = a.prefix < b.prefix ? -1 : 1;
        else
            compared = compareIgnoringCase(a.key, b.key);
        return ascending ? compared < 0 : compared > 0;
    };
    // Rows already in order (the sort key set again right after a load or a
    // move sorted by it) cost one pass instead of a sort, and rows in order
    // with a block in order appended (a move) one merge.
    const auto firstOutOfOrder = std::is_sorted_until(order.begin(), order.end(), inOrder);
    if (firstOutOfOrder == order.end())
        return {};
    if (std::is_sorted(firstOutOfOrder, order.end(), inOrder))
        std::inplace_merge(order.begin(), firstOutOfOrder, order.end(), inOrder);
    else
        std::stable_sort(order.begin(), order.end(), inOrder);

    std::vector<int> newPositionOf(rows_.size());
    for (std::size_t to = 0; to < order.size(); ++to)
        newPositionOf[static_cast<std::size_t>(order[to].position)] = static_cast<int>(to);
    permuteRows(newPositionOf);
    return newPositionOf;
}

void CenterListModel::reorder(const std::vector<int> &newPositionOf, int sortColumn, Qt::SortOrder order)
{
    sortColumn_ = sortColumn;
    sortOrder_ = order;
    if (!newPositionOf.empty())
        permuteRows(newPositionOf);
}

void CenterListModel::permuteRows(const std::vector<int> &newPositionOf)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<CenterRow> moved(rows_.size());
    for (std::size_t from = 0; from < rows_.size(); ++from)
        moved[static_cast<std::size_t>(newPositionOf[from])] = std::move(rows_[from]);
    rows_ = std::move(moved);

    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &old : before)
        after.append(index(newPositionOf[static_cast<std::size_t>(old.row())], old.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

std::optional<int> firstRowWithNameContaining(const CenterListModel &rows, const QString &text)
{
    // A plain int position: the list may hold more rows than a 16-bit counter reaches.
    const int count = rows.rowCount();
    const QStringMatcher matcher(text, Qt::CaseInsensitive);
    // The names of a long list lie all over the heap: fetching a few rows
    // ahead keeps the walk from waiting on memory at every row (without it,
    // 32,000 rows take three to five times as long).
    constexpr int kRowsAhead = 16;
    for (int position = 0; position < count; ++position) {
        if (position + kRowsAhead < count)
            __builtin_prefetch(rows.row(position + kRowsAhead).name().constData());
        if (matcher.indexIn(rows.row(position).name()) >= 0)
            return position;
    }
    return std::nullopt;
}

} // namespace vendorcenter
