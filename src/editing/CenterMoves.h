#pragma once

#include <QObject>

namespace vendorcenter {

struct ControlSurface;
class FeePanel;

// ">", "<", ">>" and "<<": moving centers between the two lists.
class CenterMoves : public QObject
{
    Q_OBJECT

public:
    CenterMoves(ControlSurface &ui, FeePanel &fees, QObject *parent = nullptr);

    void add();       // ">"
    void remove();    // "<"
    void addAll();    // ">>"
    void removeAll(); // "<<"

private:
    ControlSurface &ui_;
    FeePanel &fees_;
};

} // namespace vendorcenter
