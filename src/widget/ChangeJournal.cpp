#include "widget/ChangeJournal.h"

#include <utility>

namespace vendorcenter {

namespace {

class JournalStep : public QUndoCommand
{
public:
    JournalStep(const QString &text, EditStep step, const ChangeJournal::PutBack &putBack)
        : QUndoCommand(text), step_(std::move(step)), putBack_(putBack)
    { }

    void undo() override { putBack_(step_, ChangeJournal::Direction::Undo); }

    void redo() override
    {
        // The edit itself has already done the first redo.
        if (std::exchange(done_, false))
            return;
        putBack_(step_, ChangeJournal::Direction::Redo);
    }

private:
    EditStep step_;
    const ChangeJournal::PutBack &putBack_;
    bool done_ = true;
};

} // namespace

ChangeJournal::ChangeJournal(PutBack putBack)
    : putBack_([this, putBack = std::move(putBack)](const EditStep &step, Direction direction) {
          putBack(step, direction);
          emit stepped();
      })
{ }

ChangeJournal::~ChangeJournal() = default;

void ChangeJournal::record(const QString &text, EditStep step)
{
    stack_.push(new JournalStep(text, std::move(step), putBack_));
    emit stepped();
}

void ChangeJournal::clear()
{
    stack_.clear();
}

} // namespace vendorcenter
