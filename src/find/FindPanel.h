#pragma once

#include <QObject>

namespace vendorcenter {

struct ControlSurface;
class FeePanel;

// The find panel: searches either list by id or by name.
class FindPanel : public QObject
{
    Q_OBJECT

public:
    FindPanel(ControlSurface &ui, FeePanel &fees, QObject *parent = nullptr);

private:
    ControlSurface &ui_;
    FeePanel &fees_;
};

} // namespace vendorcenter
