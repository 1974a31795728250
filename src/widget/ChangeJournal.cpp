#include "widget/ChangeJournal.h"

#include <utility>

namespace vendorcenter {

class JournalStep : public QUndoCommand
{
public:
    JournalStep(const QString &text, EditStep step, ChangeJournal &journal)
        : QUndoCommand(text), step_(std::move(step)), journal_(journal)
    { }

    void undo() override { journal_.undoStep(step_); }
    const EditStep &step() const { return step_; }

    void redo() override
    {
        // The edit itself has already done the first redo.
        if (std::exchange(done_, false))
            return;
        journal_.redoStep(step_);
    }

private:
    EditStep step_;
    ChangeJournal &journal_;
    bool done_ = true;
};

ChangeJournal::ChangeJournal(PutBack putBack, PutSort putSort)
    : putBack_(std::move(putBack)), putSort_(std::move(putSort))
{ }

ChangeJournal::~ChangeJournal() = default;

void ChangeJournal::record(const QString &text, EditStep step)
{
    step.sortsBefore = std::exchange(sortsSince_, {});
    stack_.push(new JournalStep(text, std::move(step), *this));
    emit stepped();
}

void ChangeJournal::listSorted(Side side, ListReorder reorder)
{
    // Before the first edit no step depends on the order.
    if (stack_.count() > 0)
        sortsSince_.push_back(std::make_shared<const SortedList>(SortedList {side, std::move(reorder)}));
}

void ChangeJournal::clear()
{
    stack_.clear();
    sortsSince_.clear();
}

const EditStep &ChangeJournal::stepAt(int index) const
{
    return static_cast<const JournalStep *>(stack_.command(index))->step();
}

void ChangeJournal::hold()
{
    held_ = true;
    indexWhenHeld_ = stack_.index();
}

void ChangeJournal::release()
{
    // The steps between do nothing while held.
    stack_.setIndex(indexWhenHeld_);
    held_ = false;
}

void ChangeJournal::putSorts(const SortsBetweenSteps &sorts, Direction direction)
{
    if (direction == Direction::Undo) {
        for (auto sort = sorts.rbegin(); sort != sorts.rend(); ++sort)
            putSort_(**sort, Direction::Undo);
    } else {
        for (const auto &sort : sorts)
            putSort_(*sort, Direction::Redo);
    }
}

void ChangeJournal::undoStep(const EditStep &step)
{
    if (held_)
        return;
    // Back to the order the step left, then before the step; the rows then
    // stand as they did when it began, sorts before it included.
    putSorts(sortsSince_, Direction::Undo);
    putBack_(step, Direction::Undo);
    sortsSince_ = step.sortsBefore;
    emit stepped();
}

void ChangeJournal::redoStep(const EditStep &step)
{
    if (held_)
        return;
    if (sortsSince_ != step.sortsBefore) {
        putSorts(sortsSince_, Direction::Undo);
        putSorts(step.sortsBefore, Direction::Redo);
    }
    putBack_(step, Direction::Redo);
    sortsSince_.clear();
    emit stepped();
}

} // namespace vendorcenter
