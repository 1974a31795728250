#pragma once

#include <QObject>

class QDropEvent;
class QKeyEvent;
class QWidget;

namespace vendorcenter {

struct ControlSurface;
class CenterListView;
class CenterMoves;

// The keyboard and drag and drop on the two lists, each gesture doing what
// the button it stands for does (and so one undo step with the same marks):
//   Return/Enter   the current row to the other list, as a double click
//   Delete         in the selected list, as the pop-up "Remove"
//   Ctrl+Right     the highlighted rows of the non-selected list, as ">" or ">>"
//   Ctrl+Left      the highlighted rows of the selected list, as "<" or "<<"
//   a drop         the dragged (highlighted) rows, on the other list only
// Ctrl+F puts the focus in the find box that takes text.
class ListGestures : public QObject
{
    Q_OBJECT

public:
    ListGestures(ControlSurface &ui, CenterMoves &moves, QWidget *control);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool keyPressed(CenterListView *list, const QKeyEvent *key);
    bool dragEvent(CenterListView *list, QDropEvent *event);
    // ">"/">>" or "<"/"<<" for the highlighted rows of `source`.
    void moveHighlighted(CenterListView *source);
    void focusFindBox();

    ControlSurface &ui_;
    CenterMoves &moves_;
};

} // namespace vendorcenter
