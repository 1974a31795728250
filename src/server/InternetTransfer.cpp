#include "server/InternetTransfer.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace vendorcenter {

InternetTransfer::InternetTransfer(QObject *parent) : QObject(parent), network_(new QNetworkAccessManager(this))
{
    setObjectName(QStringLiteral("Inet1"));
}

InternetTransfer::~InternetTransfer() = default;

void InternetTransfer::Execute(const QString &, const QString &, const QByteArray &, const QString &) {}

bool InternetTransfer::StillExecuting() const
{
    return running_ != nullptr;
}

QString InternetTransfer::GetChunk(int, int)
{
    return {};
}

void InternetTransfer::finish(QNetworkReply *) {}

} // namespace vendorcenter
