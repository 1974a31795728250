#pragma once

#include <QMessageBox>
#include <QTimer>

// Answers every message box that opens while it lives, as a user pressing OK
// would, and remembers what each one said.
class MessageBoxWatcher : public QObject
{
    Q_OBJECT

public:
    struct Seen
    {
        QString text;
        QString title;
        QMessageBox::Icon icon;
    };

    MessageBoxWatcher();
    const QList<Seen> &seen() const { return seen_; }
    QStringList texts() const;

private:
    QTimer timer_;
    QList<Seen> seen_;
};
