#pragma once

#include "core/CenterRow.h"

#include <QObject>
#include <QString>

namespace vendorcenter {

struct ControlSurface;
class FeePanel;

// The row a move into the selected list creates (">" and ">>"): id, name,
// country and fee as they were, the duty text by the add rule, `stamp` as
// "Date Updated", and the sort key.
CenterRow rowMovedIn(const CenterRow &source, const QString &stamp);

// The row a move out of the selected list creates ("<" and "<<"): as above
// with the remove rule, and "Date Updated" carried along.
CenterRow rowMovedOut(const CenterRow &source);

// The list labels after a move.
QString selectedCountCaption(int rows);    // "Selected Centers (n):"
QString nonSelectedCountCaption(int rows); // "Non Selected Active Centers(n):"

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

signals:
    // Around every move, so each can be undone as one step.
    void editStarting();
    void editFinished(const QString &stepText);

private:
    template<typename Move>
    void asOneStep(const QString &stepText, Move move);
    void addCurrent();
    void removeCurrent();
    void addHighlighted();
    void removeHighlighted();
    void showListCounts();

    ControlSurface &ui_;
    FeePanel &fees_;
};

} // namespace vendorcenter
