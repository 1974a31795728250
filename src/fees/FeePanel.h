#pragma once

#include <QObject>

namespace vendorcenter {

struct ControlSurface;

// The handling-fee panel under the selected list: "Update" enters editing,
// "Save" checks the number and writes it into the current selected row.
class FeePanel : public QObject
{
    Q_OBJECT

public:
    FeePanel(ControlSurface &ui, QObject *parent = nullptr);

    // Clears and disables the panel and ends an edit in progress.
    void reset();

private:
    ControlSurface &ui_;
};

} // namespace vendorcenter
