#pragma once

#include "core/CenterRow.h"
#include "widget/ButtonStates.h"

#include <QObject>
#include <QString>

namespace vendorcenter {

class CenterListView;

// The row a move into the selected list creates (">" and ">>"): id, name,
// country and fee as they were, the duty text by the add rule, `stamp` as
// "Date Updated", and the sort key.
CenterRow rowMovedIn(const CenterRow &source, const QString &stamp);

// The row a move out of the selected list creates ("<" and "<<"): as above
// with the remove rule, and "Date Updated" carried along.
CenterRow rowMovedOut(const CenterRow &source);

// ">", "<", ">>" and "<<": moving centers between the two lists. Each move
// that goes through says so; what follows it outside the lists (labels,
// buttons, the fee panel) is the control's.
class CenterMoves : public QObject
{
    Q_OBJECT

public:
    CenterMoves(CenterListView *nonSelected, CenterListView *selected, QObject *parent = nullptr);

    void add(); // ">"
    void remove(); // "<"
    void addAll(); // ">>"
    void removeAll(); // "<<"

signals:
    // The current row moved to `to`.
    void movedOne(Side to);
    // The highlighted rows moved to `to` (none may have been highlighted).
    void movedHighlighted(Side to);
    // Around every move, so each can be undone as one step.
    void editStarting();
    void editFinished(const QString &stepText);

private:
    template<typename Move>
    void asOneStep(const QString &stepText, Move move);
    void addCurrent();
    void removeCurrent();
    void addHighlighted();
    void removeHighlighted();

    CenterListView *nonSelected_;
    CenterListView *selected_;
};

} // namespace vendorcenter
