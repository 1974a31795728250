#pragma once

#include "core/CenterRow.h"
#include "core/CodedTexts.h"
#include "widget/ButtonStates.h"

#include <QObject>
#include <QString>

#include <optional>
#include <vector>

namespace vendorcenter {

class CenterListView;

// A move the user asked for: the current row (">", "<") or the highlighted
// rows (">>", "<<") of one list to the other.
struct MoveIntent
{
    Side to = Side::Selected;
    bool several = false;
};

// What one move changed, and no more: enough to take it back and to do it
// again. The moved rows themselves stay in the lists; only what the move
// rewrote in them (duty text, "Date Updated") is kept here.
struct MoveDelta
{
    Side to = Side::Selected;
    bool several = false; // the highlighted rows (">>", "<<"), not the current one
    QString stamp; // the "Date Updated" a move into the selected list wrote
    std::vector<int> sourcePositions; // where the moved rows stood, ascending
    std::vector<int> targetPositions; // where each of them stands afterwards
    CodedTexts duties; // their duty texts before the move
    CodedTexts dates; // their "Date Updated" before a move into the selected list
    // A move that sorted its target by another column keeps the target's
    // rows as they stood: the whole order changed.
    struct TargetOrder
    {
        std::vector<CenterRow> rows;
        int column = ColId;
        Qt::SortOrder order = Qt::AscendingOrder;
    };
    std::optional<TargetOrder> targetBefore;

    bool changedNothing() const { return sourcePositions.empty() && !targetBefore; }
};

// ">", "<", ">>" and "<<": moving centers between the two lists. Each move
// that goes through says so; what follows it outside the lists (labels,
// buttons, the fee panel) is the control's.
class CenterMoves : public QObject
{
    Q_OBJECT

public:
    CenterMoves(CenterListView *nonSelected, CenterListView *selected, QObject *parent = nullptr);

    // Does the move; a failing step ends it quietly, and what was done before it stays done.
    MoveDelta apply(const MoveIntent &intent);
    // Take a move back and do it again, exactly, from what it changed.
    void undo(const MoveDelta &delta);
    void redo(const MoveDelta &delta);

signals:
    // The current row moved to `to`.
    void movedOne(Side to);
    // The highlighted rows moved to `to` (none may have been highlighted).
    void movedHighlighted(Side to);

private:
    CenterListView *listOn(Side side) const;
    void addCurrent(MoveDelta &delta);
    void removeCurrent(MoveDelta &delta);
    void moveHighlighted(Side to, MoveDelta &delta);

    CenterListView *nonSelected_;
    CenterListView *selected_;
};

} // namespace vendorcenter
