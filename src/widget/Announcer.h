#pragma once

#include "widget/ButtonStates.h"

#include <QObject>
#include <QString>

class QWidget;

namespace vendorcenter {

class CenterListView;

// Says what a sighted user sees change at a glance (a finished load, a
// move, a failed save, a save that met someone else's) to a screen reader. Qt has no
// announcement event here, so each text becomes the accessible description
// of the control's frame: the description change is what the screen reader
// hears. announced() passes the same text on, for a host's status line
// (the object is the control's child named "announcer").
class Announcer : public QObject
{
    Q_OBJECT

public:
    Announcer(QWidget *frame, CenterListView *nonSelected, CenterListView *selected, QObject *parent);

    void loadFinished();
    // `count` rows moved to `to`.
    void moved(Side to, int count);
    void saveFailed();
    void conflictMet();
    // What the user is told when someone else saved the vendor's lists since they were loaded.
    static QString conflictText();

signals:
    void announced(const QString &text);

private:
    void announce(const QString &text);

    QWidget *frame_;
    CenterListView *nonSelected_;
    CenterListView *selected_;
};

} // namespace vendorcenter
