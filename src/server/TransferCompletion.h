#pragma once

#include <QObject>

class QWidget;

namespace vendorcenter {

class InternetTransfer;

// Shows the server's reply to a post, or reports a failed request.
class TransferCompletion : public QObject
{
    Q_OBJECT

public:
    TransferCompletion(InternetTransfer &inet, QWidget *control);

    void onStateChanged(qint16 state);

private:
    InternetTransfer &inet_;
    QWidget *control_;
};

} // namespace vendorcenter
