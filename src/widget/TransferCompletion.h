#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace vendorcenter {

class InternetTransfer;

// Shows the server's reply to a post, or reports a failed request.
class TransferCompletion : public QObject
{
    Q_OBJECT

public:
    static constexpr int kChunkSize = 1024;

    TransferCompletion(InternetTransfer &inet, QWidget *control);

    void onStateChanged(qint16 state);

private:
    QString readWholeReply();

    InternetTransfer &inet_;
    QWidget *control_;
};

// True when the text holds something besides blanks (code 32); line breaks
// and tabs count as something.
bool hasMoreThanBlanks(const QString &text);

} // namespace vendorcenter
