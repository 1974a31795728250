#pragma once

#include "core/CenterRow.h"
#include "core/PendingChanges.h"
#include "widget/ButtonStates.h"

#include <QObject>
#include <QPointer>
#include <QUndoStack>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace vendorcenter {

struct ControlSurface;
class CenterListView;

// The edits since the last load, one undo step each. A step keeps the state
// of the control before and after the edit; the rows of a list are kept only
// when the edit changed them, and unchanged rows are shared between steps
// (their texts are implicitly shared anyway), so a step costs one copy of the
// row table of each list it changed.
class ChangeJournal : public QObject
{
    Q_OBJECT

public:
    // `buttons` are the control's button states, which a step keeps and puts
    // back; `showButtons` shows them on the widgets.
    ChangeJournal(ControlSurface &ui, ButtonStates &buttons, std::function<void()> showButtons, QWidget *control);
    ~ChangeJournal() override;

    QUndoStack *undoStack() { return &stack_; }

    // Every edit runs between these two; an edit that changed nothing leaves no step.
    void editStarting();
    void editFinished(const QString &stepText);

    // Both lists were emptied for a load: no step applies to them any more.
    void listsCleared();
    // ...and filled again from the server: nothing is pending.
    void listsLoaded();

    bool hasPendingChanges() const { return summary_.any(); }

    // The rows of a list with their sort, as one step keeps them.
    struct ListRows
    {
        std::vector<CenterRow> rows;
        int sortColumn = ColId;
        Qt::SortOrder sortOrder = Qt::AscendingOrder;
    };
    // The highlight of a list.
    struct ListLook
    {
        bool multiSelect = false;
        std::vector<int> highlighted;
        std::optional<int> current;
    };
    struct State
    {
        std::shared_ptr<const ListRows> centers;
        std::shared_ptr<const ListRows> selectedCenters;
        ListLook centersLook;
        ListLook selectedLook;
        QString allVendorsCaption;
        QString selVendorsCaption;
        ButtonStates buttons;
        QString feeButtonCaption;
        QString feeText;
        bool feeWritable = false;
        bool dutyChecked = false;
        int listToSearch = 0;
        QPointer<QWidget> focus;
    };

    // Undo and redo of one step.
    void restoreBefore(const State &before, const State &after);
    void restoreAfter(const State &before, const State &after);

signals:
    void pendingChangesChanged();

private:
    struct CachedRows
    {
        quint64 revision = 0;
        std::shared_ptr<const ListRows> rows;
    };

    State capture();
    std::shared_ptr<const ListRows> rowsOf(CenterListView *list, CachedRows &cache);
    void putRows(CenterListView *list, const std::shared_ptr<const ListRows> &rows, CachedRows &cache);
    void putSurroundings(const State &state);
    void refreshSummary();

    ControlSurface &ui_;
    ButtonStates &buttons_;
    std::function<void()> showButtons_;
    QWidget *control_;
    QUndoStack stack_;
    std::optional<State> before_;
    int depth_ = 0;
    CachedRows centersCache_;
    CachedRows selectedCache_;
    pending::Summary summary_;
};

} // namespace vendorcenter
