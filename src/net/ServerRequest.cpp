#include "net/ServerRequest.h"

#include <QNetworkReply>

namespace vendorcenter {

QNetworkRequest serverRequest(QUrl target, int timeoutMs)
{
    QNetworkRequest request;
    if (!target.userName().isEmpty() || !target.password().isEmpty()) {
        const QByteArray credentials =
            (target.userName(QUrl::FullyDecoded) + QLatin1Char(':') + target.password(QUrl::FullyDecoded)).toUtf8();
        request.setRawHeader("Authorization", "Basic " + credentials.toBase64());
        target.setUserInfo(QString());
    }
    request.setUrl(target);
    request.setTransferTimeout(timeoutMs);
    return request;
}

void abortWhenLargerThan(QNetworkReply *reply, qint64 maxBytes)
{
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply, maxBytes](qint64 received, qint64) {
        if (received > maxBytes)
            reply->abort();
    });
}

} // namespace vendorcenter
