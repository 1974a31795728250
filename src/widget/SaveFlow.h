#pragma once

class QWidget;

namespace vendorcenter {

struct ControlState;
class CenterListView;
class InternetTransfer;

// The save: the rows' change marks become SQL statements, posted as one form
// to the server page.
class SaveFlow
{
public:
    SaveFlow(const ControlState &state, InternetTransfer &transfer, CenterListView *nonSelected,
        CenterListView *selected, QWidget *control);

    // Returns true when the pending changes reached the server and it accepted
    // them, or when there was nothing to send. Every failure is shown to the
    // user here; nothing is thrown.
    bool save();

private:
    bool postPendingChanges();

    const ControlState &state_;
    InternetTransfer &transfer_;
    CenterListView *nonSelected_;
    CenterListView *selected_;
    QWidget *control_;
};

} // namespace vendorcenter
