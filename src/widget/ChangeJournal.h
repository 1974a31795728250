#pragma once

#include "widget/CenterMoves.h"
#include "widget/ControlLook.h"
#include "widget/FeePanel.h"

#include <QObject>
#include <QUndoStack>

#include <functional>
#include <variant>

namespace vendorcenter {

// One edit as the journal keeps it: what it changed in the rows, and how the
// control around them looked before and after it.
struct EditStep
{
    std::variant<MoveDelta, FeeDelta> delta;
    ControlLook before;
    ControlLook after;
};

// The edits since the last load, one undo step each. A step costs what its
// edit changed, never a copy of the lists; putting a step back is the
// control's (`putBack`).
class ChangeJournal : public QObject
{
    Q_OBJECT

public:
    enum class Direction { Undo, Redo };
    using PutBack = std::function<void(const EditStep &step, Direction direction)>;

    explicit ChangeJournal(PutBack putBack);
    ~ChangeJournal() override;

    QUndoStack *undoStack() { return &stack_; }

    // Keeps an edit that has just been done as one step.
    void record(const QString &text, EditStep step);
    // The lists were emptied for a load: no step applies to them any more.
    void clear();

signals:
    // A step was recorded, undone or redone.
    void stepped();

private:
    PutBack putBack_;
    QUndoStack stack_;
};

} // namespace vendorcenter
