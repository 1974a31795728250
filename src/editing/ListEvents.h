#pragma once

#include <QObject>

namespace vendorcenter {

struct ControlSurface;
class FeePanel;
class CenterMoves;

// Clicks, double clicks, header clicks and the pop-up menu of the two lists.
class ListEvents : public QObject
{
    Q_OBJECT

public:
    ListEvents(ControlSurface &ui, FeePanel &fees, CenterMoves &moves, QObject *parent = nullptr);

private:
    ControlSurface &ui_;
    FeePanel &fees_;
    CenterMoves &moves_;
};

} // namespace vendorcenter
