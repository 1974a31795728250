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
    // them, or when there was nothing to send.
    bool save();
    void commit();

private:
    ControlSurface &ui_;
    ControlState &state_;
    InternetTransfer &inet_;
    QWidget *control_;
    std::function<void()> reload_;
};

} // namespace vendorcenter
