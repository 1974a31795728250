#include "widget/CenterListView.h"

#include "widget/PendingRowsModel.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>

namespace vendorcenter {

CenterListView::CenterListView(QWidget *parent) : QTreeView(parent), model_(new PendingRowsModel(this))
{
    setModel(model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true); // keeps layout O(1) per row for very long lists
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false); // the control decides when and how the list sorts
    // The two visible columns fill the list exactly; long names show whole in their tooltip.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    connect(header(), &QHeaderView::sectionClicked, this, &CenterListView::columnClicked);
    showSortIndicator();
}

void CenterListView::addColumn(const QString &header, int widthPixels)
{
    QStringList headers;
    for (int c = 0; c < model_->columnCount(); ++c)
        headers << model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    headers << header;
    const QList<int> widths = [this] {
        QList<int> w;
        for (int c = 0; c < model_->columnCount(); ++c)
            w << (isColumnHidden(c) ? 0 : columnWidth(c));
        return w;
    }();
    model_->setHeaders(headers);
    for (int c = 0; c < widths.size(); ++c) {
        setColumnHidden(c, widths[c] == 0);
        if (widths[c] > 0)
            setColumnWidth(c, widths[c]);
    }
    const int added = static_cast<int>(headers.size()) - 1;
    setColumnHidden(added, widthPixels == 0);
    if (widthPixels > 0)
        setColumnWidth(added, widthPixels);
    showSortIndicator();
}

const CenterRow &CenterListView::row(int position) const
{
    if (position < 0 || position >= count())
        throw Failure::invalidPropertyValue();
    return model_->row(position);
}

void CenterListView::setSubItem(int position, int n, const QString &text)
{
    CenterRow::checkSubItemIndex(n);
    row(position); // range check
    model_->setColumnText(position, n, text);
}

int CenterListView::addRow(CenterRow row)
{
    return model_->insertSorted(std::move(row));
}

std::vector<int> CenterListView::addRows(std::vector<CenterRow> rows, bool highlight)
{
    if (rows.empty())
        return {};
    const int added = static_cast<int>(rows.size());
    const int first = model_->appendBlock(std::move(rows));
    if (highlight) {
        const QItemSelection block(
            model_->index(first, 0), model_->index(first + added - 1, model_->columnCount() - 1));
        selectionModel()->select(block, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selectionModel()->setCurrentIndex(firstCell(first + added - 1), QItemSelectionModel::NoUpdate);
    }
    const std::vector<int> newPositionOf = model_->resort();
    std::vector<int> positions(static_cast<std::size_t>(added));
    for (int i = 0; i < added; ++i)
        positions[static_cast<std::size_t>(i)] =
            newPositionOf.empty() ? first + i : newPositionOf[static_cast<std::size_t>(first + i)];
    return positions;
}

void CenterListView::insertAtPositions(std::vector<CenterRow> rows, const std::vector<int> &positionsAscending)
{
    model_->insertAtPositions(std::move(rows), positionsAscending);
}

void CenterListView::restoreRows(std::vector<CenterRow> rows, int sortColumn, Qt::SortOrder order)
{
    model_->restoreRows(std::move(rows), sortColumn, order);
    showSortIndicator();
}

void CenterListView::removeAt(int position)
{
    row(position);
    model_->removeAt(position);
}

std::vector<CenterRow> CenterListView::removePositions(const std::vector<int> &positionsAscending)
{
    return model_->removePositions(positionsAscending);
}

void CenterListView::clearRows()
{
    model_->clear();
}

void CenterListView::highlight(int position)
{
    row(position);
    const QModelIndex cell = firstCell(position);
    if (multiSelect())
        selectionModel()->setCurrentIndex(cell, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    else
        selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

std::vector<int> CenterListView::highlightedPositions() const
{
    std::vector<int> positions;
    for (const QItemSelectionRange &range : selectionModel()->selection()) {
        for (int r = range.top(); r <= range.bottom(); ++r)
            positions.push_back(r);
    }
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return positions;
}

int CenterListView::highlightedCount(int stopAt) const
{
    return std::min(stopAt, static_cast<int>(highlightedPositions().size()));
}

void CenterListView::clearHighlights()
{
    selectionModel()->clearSelection();
}

std::optional<int> CenterListView::currentPosition() const
{
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return std::nullopt;
    return current.row();
}

void CenterListView::setCurrentPosition(int position)
{
    row(position);
    selectionModel()->setCurrentIndex(firstCell(position), QItemSelectionModel::NoUpdate);
}

bool CenterListView::multiSelect() const
{
    return selectionMode() == QAbstractItemView::ExtendedSelection;
}

void CenterListView::setMultiSelect(bool on)
{
    setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

std::vector<int> CenterListView::setSortKey(int column)
{
    if (column < 0 || column >= CenterColumnCount)
        throw Failure::invalidPropertyValue();
    std::vector<int> newPositionOf = model_->setSort(column, model_->sortOrder());
    showSortIndicator();
    return newPositionOf;
}

std::vector<int> CenterListView::setSortOrder(int order)
{
    if (order != 0 && order != 1)
        throw Failure::invalidPropertyValue();
    std::vector<int> newPositionOf =
        model_->setSort(model_->sortColumn(), order == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    showSortIndicator();
    return newPositionOf;
}

ListReorder CenterListView::sortBy(int column, int order)
{
    ListReorder reorder {{}, model_->sortColumn(), model_->sortOrder(), model_->sortColumn(), model_->sortOrder()};
    reorder.newPositionOf = column != sortKey() ? setSortKey(column) : setSortOrder(order);
    reorder.columnAfter = model_->sortColumn();
    reorder.orderAfter = model_->sortOrder();
    return reorder;
}

void CenterListView::putReorder(const ListReorder &reorder, bool forward)
{
    if (forward) {
        model_->reorder(reorder.newPositionOf, reorder.columnAfter, reorder.orderAfter);
    } else {
        std::vector<int> oldPositionOf(reorder.newPositionOf.size());
        for (std::size_t from = 0; from < reorder.newPositionOf.size(); ++from)
            oldPositionOf[static_cast<std::size_t>(reorder.newPositionOf[from])] = static_cast<int>(from);
        model_->reorder(oldPositionOf, reorder.columnBefore, reorder.orderBefore);
    }
    showSortIndicator();
}

std::optional<int> CenterListView::findItem(const QString &text) const
{
    const int rows = count();
    for (int position = 0; position < rows; ++position) {
        const QString &id = model_->row(position).id;
        // Case folding keeps every text's length, so only ids of the same
        // length can match; the others are passed over without reading them.
        if (id.size() == text.size() && compareIgnoringCase(id, text) == 0)
            return position;
    }
    return std::nullopt;
}

void CenterListView::ensureVisible(int position)
{
    row(position);
    scrollTo(firstCell(position), QAbstractItemView::EnsureVisible);
}

void CenterListView::showSortIndicator()
{
    // The hidden sort-key column stands for the visible "ID" column.
    const int shown = model_->sortColumn() == ColSortKey ? ColId : model_->sortColumn();
    header()->setSortIndicator(shown, model_->sortOrder());
}

void CenterListView::mouseReleaseEvent(QMouseEvent *event)
{
    QTreeView::mouseReleaseEvent(event);
    const bool afterDoubleClick = std::exchange(swallowNextRelease_, false);
    if (event->button() == Qt::LeftButton && !afterDoubleClick)
        emit listClicked();
    emit mouseReleased(event->button(), event->modifiers(), event->position().toPoint());
}

void CenterListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeView::mouseDoubleClickEvent(event);
    swallowNextRelease_ = true;
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        emit rowActivated();
}

void CenterListView::setPartner(const CenterListView *partner, Qt::Key towardsPartner, bool deleteMovesRow)
{
    partner_ = partner;
    towardsPartner_ = towardsPartner;
    deleteMovesRow_ = deleteMovesRow;
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
}

void CenterListView::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
        // As a double click: the click on the row first, then the move.
        emit listClicked();
        emit rowActivated();
    } else if (key == Qt::Key_Delete && modifiers == Qt::NoModifier && deleteMovesRow_) {
        emit deleteRequested();
    } else if (key == towardsPartner_ && modifiers == Qt::ControlModifier) {
        emit highlightedMoveRequested();
    } else {
        QTreeView::keyPressEvent(event);
    }
}

bool CenterListView::acceptPartnerRows(QDropEvent *event)
{
    if (!partner_ || !PendingRowsModel::isDragFrom(event->mimeData(), partner_->centerModel())) {
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

void CenterListView::dragEnterEvent(QDragEnterEvent *event)
{
    acceptPartnerRows(event);
}

void CenterListView::dragMoveEvent(QDragMoveEvent *event)
{
    acceptPartnerRows(event);
}

void CenterListView::dropEvent(QDropEvent *event)
{
    if (acceptPartnerRows(event))
        emit rowsDropped();
}

} // namespace vendorcenter
