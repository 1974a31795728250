#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace vendorcenter {

class CenterListView;
class CenterMoves;

// Says what a sighted user sees change at a glance (a finished load, a
// move, a failed save, a conflict) to a screen reader. Qt has no
// announcement event here, so each text becomes the accessible description
// of the control's frame: the description change is what the screen reader
// hears. announced() passes the same text on, for a host's status line
// (the object is the control's child named "announcer").
class Announcer : public QObject
{
    Q_OBJECT

public:
    Announcer(
        QWidget *frame, CenterMoves &moves, CenterListView *nonSelected, CenterListView *selected, QObject *parent);

    void loadFinished();
    void saveFailed();
    // For the save that finds the rows changed by someone else meanwhile.
    void conflictFound();

signals:
    void announced(const QString &text);

private:
    void moveFinished();
    void announce(const QString &text);

    QWidget *frame_;
    CenterListView *nonSelected_;
    CenterListView *selected_;
    int selectedBeforeMove_ = 0;
};

} // namespace vendorcenter
