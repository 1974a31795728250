#pragma once

#include "widget/ButtonStates.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace vendorcenter {

class CenterListView;
class ChangeJournal;

// An edit of the journal told by the centers it touched rather than by
// positions, so that it can be done again on lists loaded anew.
struct ReplayedEdit
{
    enum class Kind { Move, Fee };
    Kind kind = Kind::Move;
    Side to = Side::Selected; // where a move took its centers
    bool several = false; // the highlighted rows (">>", "<<"), not the current one
    QStringList ids; // a move's centers in list order; a fee's one center
    QString fee; // the fee a fee edit saved
};

// Undoes every done step of the journal, reading from the rows which centers
// each one touched. Returns the edits first one first; the lists are left as
// they were loaded.
std::vector<ReplayedEdit> takeEditsBack(ChangeJournal &journal, CenterListView *nonSelected, CenterListView *selected);

// Where the centers of `ids` stand in the list, ascending, and the ids the
// list does not hold, in the order given.
struct FoundCenters
{
    std::vector<int> positions;
    QStringList missing;
};
FoundCenters findCenters(const CenterListView *list, const QStringList &ids);

// Why an edit no longer applies to a center that its list lacks, as one line
// of the message that lists the edits left out. `inTarget` says whether the
// center already stands where the edit was to put it.
QString skippedLine(const ReplayedEdit &edit, const QString &id, bool inTarget);

// The message over the lines: at most `kShownLines` of them, then how many more.
QString skippedMessage(const QStringList &lines);
constexpr int kShownSkippedLines = 40;

} // namespace vendorcenter
