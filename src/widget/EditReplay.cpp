#include "widget/EditReplay.h"

#include <vendorcenter/Vendor_Center.h>

#include "widget/CenterListView.h"
#include "widget/ChangeJournal.h"

#include <QHash>

#include <algorithm>

namespace vendorcenter {

namespace {

// The edit as the rows show it once the step is undone: a move's rows are
// back where they stood, a fee's row holds the fee before.
ReplayedEdit editOf(const EditStep &step, const CenterListView *nonSelected, const CenterListView *selected)
{
    ReplayedEdit edit;
    if (const auto *moved = std::get_if<MoveDelta>(&step.delta)) {
        const CenterListView *source = moved->to == Side::Selected ? nonSelected : selected;
        edit.to = moved->to;
        edit.several = moved->several;
        edit.ids.reserve(static_cast<qsizetype>(moved->sourcePositions.size()));
        for (const int position : moved->sourcePositions)
            edit.ids.push_back(source->text(position));
    } else if (const auto *fee = std::get_if<FeeDelta>(&step.delta)) {
        edit.kind = ReplayedEdit::Kind::Fee;
        edit.ids = {selected->text(fee->position)};
        edit.fee = fee->feeAfter;
    }
    return edit;
}

} // namespace

std::vector<ReplayedEdit> takeEditsBack(ChangeJournal &journal, CenterListView *nonSelected, CenterListView *selected)
{
    QUndoStack *stack = journal.undoStack();
    std::vector<ReplayedEdit> edits(static_cast<std::size_t>(stack->index()));
    for (int index = stack->index() - 1; index >= 0; --index) {
        stack->undo();
        edits[static_cast<std::size_t>(index)] = editOf(journal.stepAt(index), nonSelected, selected);
    }
    return edits;
}

FoundCenters findCenters(const CenterListView *list, const QStringList &ids)
{
    QHash<QString, bool> wanted;
    wanted.reserve(ids.size());
    for (const QString &id : ids)
        wanted.insert(id, false);
    FoundCenters found;
    for (int position = 0; position < list->count() && found.positions.size() < std::size_t(ids.size()); ++position) {
        const auto it = wanted.find(list->text(position));
        if (it != wanted.end() && !it.value()) {
            it.value() = true;
            found.positions.push_back(position);
        }
    }
    for (const QString &id : ids) {
        if (!wanted.value(id))
            found.missing.push_back(id);
    }
    return found;
}

QString skippedLine(const ReplayedEdit &edit, const QString &id, bool inTarget)
{
    if (edit.kind == ReplayedEdit::Kind::Fee)
        return Vendor_Center::tr("Handling fee of center %1: the center is no longer selected").arg(id);
    if (edit.to == Side::Selected) {
        return (inTarget ? Vendor_Center::tr("Center %1: already selected")
                         : Vendor_Center::tr("Center %1: no longer active"))
            .arg(id);
    }
    return Vendor_Center::tr("Center %1: no longer selected").arg(id);
}

QString skippedMessage(const QStringList &lines)
{
    QString text = Vendor_Center::tr("The lists were loaded again and your changes applied onto them. "
                                     "These no longer applied and were left out:");
    const qsizetype shown = std::min<qsizetype>(lines.size(), kShownSkippedLines);
    for (qsizetype line = 0; line < shown; ++line)
        text += QLatin1Char('\n') + lines.at(line);
    if (lines.size() > shown)
        text += QLatin1Char('\n') + Vendor_Center::tr("... and %n more", nullptr, int(lines.size() - shown));
    return text;
}

} // namespace vendorcenter
