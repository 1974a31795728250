#pragma once

#include <QString>

class QWidget;

namespace vendorcenter {

struct ControlState;
class CenterListView;
class InternetTransfer;
class Announcer;

// The save: the rows' change marks become SQL statements, posted as one form
// to the server page, whose reply is then shown to the user.
//
// When the last load named the list's version, the post asks the page to
// apply it only onto that version. If someone else saved changes to the
// vendor since, the page applies nothing, and the user decides: load the
// lists again and keep the edits, save over the other changes, or go back to
// the edits.
class SaveFlow
{
public:
    enum class Outcome {
        Accepted, // the server took the changes, or there was nothing to send
        Failed, // shown to the user; the edits stay
        ReloadKeepingEdits, // the user chose to load the lists again and keep the edits
    };

    SaveFlow(const ControlState &state, InternetTransfer &transfer, CenterListView *nonSelected,
        CenterListView *selected, Announcer &announcer, QWidget *control);

    // Every failure is shown to the user here; nothing is thrown.
    Outcome save();

private:
    enum class Answer { Accepted, Failed, Conflict };
    Answer post(const QByteArray &body, bool onlyOntoLoadedVersion);
    void showReply(qint16 state);
    QString readWholeReply();

    const ControlState &state_;
    InternetTransfer &transfer_;
    CenterListView *nonSelected_;
    CenterListView *selected_;
    Announcer &announcer_;
    QWidget *control_;
};

// True when the text holds something besides blanks (code 32); line breaks
// and tabs count as something.
bool hasMoreThanBlanks(const QString &text);

} // namespace vendorcenter
