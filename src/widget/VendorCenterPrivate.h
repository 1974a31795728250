#pragma once

#include "core/ControlState.h"
#include "core/PendingChanges.h"
#include "widget/ButtonStates.h"
#include "widget/ChangeJournal.h"
#include "widget/ControlSurface.h"
#include "widget/EditReplay.h"
#include "widget/SaveFlow.h"

#include <vendorcenter/Vendor_Center.h>

#include <memory>

namespace vendorcenter {

class XmlFetcher;
class InternetTransfer;
class SaveFlow;
class FeePanel;
class CenterMoves;
class ListEvents;
class FindPanel;
class Announcer;

// The control's inner part: its widgets, its state, and the panels, which it
// wires together. What one panel's step means for the rest of the control
// (labels, buttons, the other panels) is decided here.
class VendorCenterPrivate
{
public:
    explicit VendorCenterPrivate(Vendor_Center *control);
    ~VendorCenterPrivate();

    // Returns whether all three queries were read.
    bool letDataFromDatabase(qint32 vendorId, const QString &serverName);
    // "Commit to Database": the save, then the lists loaded again. Returns
    // whether the server took the changes.
    bool commit();
    // The save alone; a conflict the user answers with a reload is taken care of here.
    void saveToDatabase();
    void setTransferTimeoutMs(int ms);
    // Empties the fee panel, ends an edit in progress and takes "Update" away.
    void resetFeePanel();

    Vendor_Center *q;
    ControlSurface ui;
    ControlState state;
    ButtonStates buttons;
    std::unique_ptr<XmlFetcher> fetcher;
    InternetTransfer *transfer = nullptr; // owned by the control (a child QObject named "Inet1")
    std::unique_ptr<FeePanel> fees;
    std::unique_ptr<CenterMoves> moves;
    std::unique_ptr<ListEvents> listEvents;
    std::unique_ptr<FindPanel> find;
    std::unique_ptr<SaveFlow> save;
    std::unique_ptr<ChangeJournal> journal;
    pending::Summary pendingSummary; // what a commit would send now
    Announcer *announcer = nullptr; // owned by the control (a child QObject named "announcer")

private:
    void startUp();
    void wirePanels();
    // Shows `buttons` on the widgets: the one place that enables or disables them.
    void showButtonStates();

    // The user's edits, each applied by one function and kept as one undo step.
    void move(const MoveIntent &intent);
    void moveHighlightedOf(CenterListView *source);
    void saveFee(const FeeIntent &intent);
    // Undo and redo of a step.
    void putBack(const EditStep &step, ChangeJournal::Direction direction);
    void pointAtRestoredRows(CenterListView *list, const std::vector<int> &positions);
    void refreshPendingSummary();

    // The save with the control taking no edits meanwhile.
    SaveFlow::Outcome saveHoldingEdits();
    // After a conflict: the lists loaded again and the edits done again on them.
    void reloadKeepingEdits();
    // Does the edits again, each as the user did it; returns a line for each
    // center an edit no longer applies to.
    QStringList replay(const std::vector<ReplayedEdit> &edits);

    void resetFeePanelIfInUse();
    void showListCounts();
    void afterMovedOne(Side to);
    void afterMovedHighlighted(Side to);
    void afterSelectedRowClicked(int position, bool several);
    void afterFeeSaved();
    void afterListLoaded(Side side);

    bool saving_ = false;
};

// The widths, in the list's own units, of the two visible columns: the id
// gets a fifth and the name four fifths. Throws Failure 6 when the width does
// not fit the 16-bit arithmetic (wider than 8191 units).
struct VisibleColumnWidths
{
    double id;
    double name;
};
VisibleColumnWidths visibleColumnWidths(double listWidth);

// "Version Number: 2.0.9"
QString versionCaption();

} // namespace vendorcenter
