#include "server/XmlFetcher.h"

#include "server/ServerRequest.h"

#include <QByteArrayView>
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

// The replies are four levels deep. The readers gather an element's text by
// recursion, so a reply nested without end would run the stack out.
constexpr int kMaxNesting = 256;

bool nestedTooDeep(pugi::xml_document &document)
{
    struct DepthWalker : pugi::xml_tree_walker
    {
        bool tooDeep = false;
        bool for_each(pugi::xml_node &) override
        {
            tooDeep = depth() > kMaxNesting;
            return !tooDeep;
        }
    } walker;
    document.traverse(walker);
    return walker.tooDeep;
}

} // namespace

XmlFetcher::XmlFetcher() : network_(std::make_unique<QNetworkAccessManager>()) {}

XmlFetcher::~XmlFetcher() = default;

pugi::xml_node XmlFetcher::load(const QString &url, pugi::xml_document &document)
{
    document.reset();
    QNetworkReply *reply = network_->get(serverRequest(QUrl(url), timeoutMs_));

    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    abortWhenLargerThan(reply, kMaxReplyBytes);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    const bool ok = reply->error() == QNetworkReply::NoError;
    const QByteArray body = ok ? reply->readAll() : QByteArray();
    reply->deleteLater();
    if (!ok)
        return {};
    return parseReply(body, document);
}

pugi::xml_node parseReply(const QByteArray &body, pugi::xml_document &document)
{
    const pugi::xml_parse_result parsed = document.load_buffer(body.constData(), static_cast<std::size_t>(body.size()),
                                                               kParseOptions);
    // The parser takes UTF-8 on trust; bytes that are not UTF-8 make the
    // document ill-formed, rather than names full of replacement characters.
    const bool encodingBroken = parsed.encoding == pugi::encoding_utf8 && !QByteArrayView(body).isValidUtf8();
    if (!parsed || encodingBroken || nestedTooDeep(document)) {
        document.reset();
        return {};
    }
    return document.document_element();
}

} // namespace vendorcenter
