#include "server/XmlFetcher.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace vendorcenter {

namespace {

// A reply larger than this is not a center list; it is dropped unread.
constexpr qint64 kMaxReplyBytes = 64LL * 1024 * 1024;

constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_comments | pugi::parse_pi;

} // namespace

XmlFetcher::XmlFetcher() : network_(std::make_unique<QNetworkAccessManager>()) {}

XmlFetcher::~XmlFetcher() = default;

pugi::xml_node XmlFetcher::load(const QString &url, pugi::xml_document &document)
{
    document.reset();
    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(timeoutMs_);
    QNetworkReply *reply = network_->get(request);

    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxReplyBytes)
            reply->abort();
    });
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    const bool ok = reply->error() == QNetworkReply::NoError;
    const QByteArray body = ok ? reply->readAll() : QByteArray();
    reply->deleteLater();
    if (!ok)
        return {};
    const pugi::xml_parse_result parsed = document.load_buffer(body.constData(), static_cast<std::size_t>(body.size()),
                                                               kParseOptions);
    if (!parsed)
        return {};
    return document.document_element();
}

} // namespace vendorcenter
