#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace vendorcenter {

struct ControlSurface;
struct ControlState;
class InternetTransfer;

// The save: the rows' change marks become SQL statements, posted as one form
// to the server page; and the commit button, which saves and then reloads.
class SaveFlow : public QObject
{
    Q_OBJECT

public:
    SaveFlow(ControlSurface &ui, ControlState &state, InternetTransfer &inet, QWidget *control,
             std::function<void()> reload);

    // Returns true when the pending changes reached the server and it accepted
    // them, or when there was nothing to send. Every failure is shown to the
    // user here; nothing is thrown.
    bool save();
    // Saves, and reloads both lists only when the save went through; after a
    // failed save the marks stay and the commit button can be pressed again.
    void commit();

private:
    bool postPendingChanges();

    ControlSurface &ui_;
    ControlState &state_;
    InternetTransfer &inet_;
    QWidget *control_;
    std::function<void()> reload_;
};

} // namespace vendorcenter
