#pragma once

#include "core/CenterListModel.h"

#include <QTreeView>

#include <optional>
#include <vector>

namespace vendorcenter {

// A change of a list's sort: where every row went, and the sort before and after.
struct ListReorder
{
    std::vector<int> newPositionOf; // empty: no row moved
    int columnBefore = ColId;
    Qt::SortOrder orderBefore = Qt::AscendingOrder;
    int columnAfter = ColId;
    Qt::SortOrder orderAfter = Qt::AscendingOrder;
};

// A center list in report view: the list operations the control works with
// (rows by 0-based position, sub-items 1..6, highlight, current row,
// multi-select, sort key and order, whole-word find), on Qt's model/view.
//
// The events are reported the way the handlers expect them: `listClicked` after
// the view's own selection handling of a left click anywhere in the viewport,
// `mouseReleased` for every button release, `columnClicked` for a header click.
// The gestures that move rows are reported where they happen, as requests:
//   a double click on a row, Return/Enter   rowActivated (Return clicks first)
//   Ctrl + the arrow towards the partner     highlightedMoveRequested
//   Delete, where the list allows it         deleteRequested
//   a drop of rows dragged from the partner  rowsDropped
class CenterListView : public QTreeView
{
    Q_OBJECT

public:
    explicit CenterListView(QWidget *parent = nullptr);

    CenterListModel *centerModel() const { return model_; }

    // Appends a column header (display order); width 0 hides the column.
    void addColumn(const QString &header, int widthPixels);

    int count() const { return model_->rowCount(); }
    const CenterRow &row(int position) const;
    QString text(int position) const { return row(position).id; }
    QString subItem(int position, int n) const { return row(position).subItem(n); }
    void setSubItem(int position, int n, const QString &text);

    // Adds one row where the list's order puts it; returns its position.
    int addRow(CenterRow row);
    // Adds many rows with one sort at the end; with `highlight` they end up
    // highlighted and the last of them current. Returns where each of them
    // stands, in the order given.
    std::vector<int> addRows(std::vector<CenterRow> rows, bool highlight = false);
    // Puts rows back at the positions they are to have (ascending).
    void insertAtPositions(std::vector<CenterRow> rows, const std::vector<int> &positionsAscending);
    // Puts back rows as they stood, with the sort they had.
    void restoreRows(std::vector<CenterRow> rows, int sortColumn, Qt::SortOrder order);
    void removeAt(int position);
    // Returns the rows taken out, in their order.
    std::vector<CenterRow> removePositions(const std::vector<int> &positionsAscending);
    void clearRows();

    // Highlights the row and makes it current. With multi-select off, it is
    // then the only highlighted row.
    void highlight(int position);
    std::vector<int> highlightedPositions() const;
    // Counts highlighted rows, stopping early at `stopAt`.
    int highlightedCount(int stopAt) const;
    void clearHighlights();

    std::optional<int> currentPosition() const;
    void setCurrentPosition(int position);

    bool multiSelect() const;
    void setMultiSelect(bool on);

    // The sort column (0 the id, n sub-item n) and direction (0 ascending, 1 descending).
    int sortKey() const { return model_->sortColumn(); }
    int sortOrder() const { return model_->sortOrder() == Qt::AscendingOrder ? 0 : 1; }
    // Returns where each row went (nothing when no row moved).
    std::vector<int> setSortKey(int column);
    std::vector<int> setSortOrder(int order);
    // A new key sorts as setSortKey does, the same key with `order` as
    // setSortOrder does; says what that changed.
    ListReorder sortBy(int column, int order);
    // Takes a sort change back, or does it again.
    void putReorder(const ListReorder &reorder, bool forward);

    // First row whose id equals the text as a whole (letter case ignored).
    std::optional<int> findItem(const QString &text) const;
    void ensureVisible(int position);

    // The other list of the control: the one rows are dragged from and moved
    // to, `towardsPartner` the arrow key that points at it, and whether Delete
    // moves the current row there.
    void setPartner(const CenterListView *partner, Qt::Key towardsPartner, bool deleteMovesRow);

signals:
    void listClicked();
    void rowActivated();
    void highlightedMoveRequested();
    void deleteRequested();
    void rowsDropped();
    void mouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);
    void columnClicked(int section);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void showSortIndicator();
    QModelIndex firstCell(int position) const { return model_->index(position, 0); }

    // Takes a drag or a drop only when it carries the partner's rows.
    bool acceptPartnerRows(QDropEvent *event);

    CenterListModel *model_;
    bool swallowNextRelease_ = false;
    const CenterListView *partner_ = nullptr;
    Qt::Key towardsPartner_ = Qt::Key_unknown;
    bool deleteMovesRow_ = false;
};

} // namespace vendorcenter
