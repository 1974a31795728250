#pragma once

#include "widget/CenterListView.h"
#include "widget/CenterMoves.h"
#include "widget/ControlLook.h"
#include "widget/FeePanel.h"

#include <QObject>
#include <QUndoStack>

#include <functional>
#include <memory>
#include <variant>

namespace vendorcenter {

// A list sorted again by a header click between two edits.
struct SortedList
{
    Side side = Side::NonSelected;
    ListReorder reorder;
};
using SortsBetweenSteps = std::vector<std::shared_ptr<const SortedList>>;

// One edit as the journal keeps it: what it changed in the rows, and how the
// control around them looked before and after it.
struct EditStep
{
    std::variant<MoveDelta, FeeDelta> delta;
    ControlLook before;
    ControlLook after;
    // The lists sorted again since the edit before: the rows stood so when
    // this edit began.
    SortsBetweenSteps sortsBefore;
};

// The edits since the last load, one undo step each. A step costs what its
// edit changed, never a copy of the lists; putting a step back, and a sort
// back, is the control's (`putBack`, `putSort`).
//
// A step's rows are found by position, so each step is put back on the rows
// in the order it left them: a sort between two edits is kept, taken back
// before the edit before it is undone, and done again before the edit after
// it is redone, just as the lists stood when each edit was made.
class ChangeJournal : public QObject
{
    Q_OBJECT

public:
    enum class Direction { Undo, Redo };
    using PutBack = std::function<void(const EditStep &step, Direction direction)>;
    using PutSort = std::function<void(const SortedList &sort, Direction direction)>;

    ChangeJournal(PutBack putBack, PutSort putSort);
    ~ChangeJournal() override;

    QUndoStack *undoStack() { return &stack_; }

    // Keeps an edit that has just been done as one step.
    void record(const QString &text, EditStep step);
    // A header click sorted a list again.
    void listSorted(Side side, ListReorder reorder);
    // The lists were emptied for a load: no step applies to them any more.
    void clear();

    // The step `index` steps from the bottom of the stack (0 the first edit).
    const EditStep &stepAt(int index) const;

    // While held, an undo or redo asked for (by a key, or a host's menu
    // through the stack) changes nothing, and releasing puts the stack back
    // where the rows are: a commit in flight sends the rows as they stand.
    void hold();
    void release();

signals:
    // A step was recorded, undone or redone.
    void stepped();

private:
    friend class JournalStep;
    void undoStep(const EditStep &step);
    void redoStep(const EditStep &step);
    void putSorts(const SortsBetweenSteps &sorts, Direction direction);

    PutBack putBack_;
    PutSort putSort_;
    QUndoStack stack_;
    // The sorts since the rows stood as the step last done or undone left them.
    SortsBetweenSteps sortsSince_;
    bool held_ = false;
    int indexWhenHeld_ = 0;
};

} // namespace vendorcenter
