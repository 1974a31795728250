#include "widget/ListGestures.h"

#include "widget/CenterListView.h"
#include "widget/CenterMoves.h"
#include "widget/ControlSurface.h"
#include "widget/PendingRowsModel.h"
#include "widget/TextBoxLook.h"

#include <QAction>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QShortcut>

namespace vendorcenter {

ListGestures::ListGestures(ControlSurface &ui, CenterMoves &moves, QWidget *control) : ui_(ui), moves_(moves)
{
    for (CenterListView *list : {ui_.lstCenters, ui_.lstSelectedCenters}) {
        list->installEventFilter(this);
        list->viewport()->installEventFilter(this);
        list->setDragEnabled(true);
        list->setAcceptDrops(true);
        list->setDragDropMode(QAbstractItemView::DragDrop);
        list->setDefaultDropAction(Qt::CopyAction);
    }
    new QShortcut(
        QKeySequence::Find, control, this, [this] { focusFindBox(); }, Qt::WidgetWithChildrenShortcut);
}

bool ListGestures::eventFilter(QObject *watched, QEvent *event)
{
    for (CenterListView *list : {ui_.lstCenters, ui_.lstSelectedCenters}) {
        if (watched == list && event->type() == QEvent::KeyPress)
            return keyPressed(list, static_cast<QKeyEvent *>(event)) || QObject::eventFilter(watched, event);
        if (watched == list->viewport()
            && (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove
                || event->type() == QEvent::Drop))
            return dragEvent(list, static_cast<QDropEvent *>(event));
    }
    return QObject::eventFilter(watched, event);
}

bool ListGestures::keyPressed(CenterListView *list, const QKeyEvent *key)
{
    const bool intoSelected = list == ui_.lstCenters;
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
        // A double click: the click on the row first, then the move.
        emit list->listClicked();
        intoSelected ? moves_.add() : moves_.remove();
        return true;
    }
    if (key->key() == Qt::Key_Delete && modifiers == Qt::NoModifier && !intoSelected) {
        ui_.mnuRemoveItems->trigger();
        return true;
    }
    const Qt::Key towardsOther = intoSelected ? Qt::Key_Right : Qt::Key_Left;
    if (key->key() == towardsOther && modifiers == Qt::ControlModifier) {
        moveHighlighted(list);
        return true;
    }
    return false;
}

bool ListGestures::dragEvent(CenterListView *list, QDropEvent *event)
{
    CenterListView *other = list == ui_.lstCenters ? ui_.lstSelectedCenters : ui_.lstCenters;
    // Only rows dragged from the other list of this control are taken.
    if (!PendingRowsModel::isDragFrom(event->mimeData(), other->centerModel())) {
        event->ignore();
        return true;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (event->type() == QEvent::Drop)
        moveHighlighted(other);
    return true;
}

void ListGestures::moveHighlighted(CenterListView *source)
{
    const bool intoSelected = source == ui_.lstCenters;
    const std::vector<int> highlighted = source->highlightedPositions();
    if (highlighted.size() == 1) {
        // ">" and "<" move the current row: the highlighted one.
        source->setCurrentPosition(highlighted.front());
        intoSelected ? moves_.add() : moves_.remove();
    } else if (highlighted.size() > 1) {
        intoSelected ? moves_.addAll() : moves_.removeAll();
    }
}

void ListGestures::focusFindBox()
{
    for (QLineEdit *box : {ui_.txtVendorID, ui_.txtVendorName}) {
        if (box->isEnabled() && isTextBoxWritable(box)) {
            box->setFocus(Qt::ShortcutFocusReason);
            box->selectAll();
            return;
        }
    }
}

} // namespace vendorcenter
