#include "widget/TransferCompletion.h"

#include "net/InternetTransfer.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace vendorcenter {

namespace {

// The control's texts share one translation context.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Vendor_Center)
};

} // namespace

bool hasMoreThanBlanks(const QString &text)
{
    for (const QChar c : text) {
        if (c != QLatin1Char(' '))
            return true;
    }
    return false;
}

TransferCompletion::TransferCompletion(InternetTransfer &inet, QWidget *control) : inet_(inet), control_(control)
{
    connect(&inet_, &InternetTransfer::StateChanged, this, &TransferCompletion::onStateChanged);
}

QString TransferCompletion::readWholeReply()
{
    QString reply;
    QString piece = inet_.GetChunk(kChunkSize, 0);
    QCoreApplication::processEvents();
    do {
        reply += piece;
        piece = inet_.GetChunk(kChunkSize, 0);
        QCoreApplication::processEvents();
    } while (!piece.isEmpty());
    return reply;
}

void TransferCompletion::onStateChanged(qint16 state)
{
    if (state == InternetTransfer::Error) {
        QMessageBox box(
            QMessageBox::NoIcon, QString(), Texts::tr("Error During saving to Database"), QMessageBox::Ok, control_);
        box.exec();
    } else if (state == InternetTransfer::ResponseCompleted) {
        const QString reply = readWholeReply();
        if (!hasMoreThanBlanks(reply))
            return;
        QMessageBox box(
            QMessageBox::Information, Texts::tr("Vendor Center Cross Reference"), reply, QMessageBox::Ok, control_);
        // The server's words, shown as they came: never read as markup.
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
}

} // namespace vendorcenter
