#include "net/XmlFetcher.h"

#include "net/ServerRequest.h"

#include <QByteArrayView>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <cstring>
#include <new>

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

// A buffer the document can take over, as pugixml's in-place parse wants it.
char *documentBuffer(std::size_t size)
{
    void *bytes = pugi::get_memory_allocation_function()(size);
    if (!bytes)
        throw std::bad_alloc();
    return static_cast<char *>(bytes);
}

// Parses `size` bytes the document takes over, in place: a reply of many
// megabytes is not copied once more for the parser.
pugi::xml_node parseOwnedReply(char *bytes, std::size_t size, pugi::xml_document &document)
{
    // The parser takes UTF-8 on trust; bytes that are not UTF-8 make the
    // document ill-formed, rather than names full of replacement characters.
    // Checked first: the parse rewrites the buffer.
    const bool validUtf8 = QByteArrayView(bytes, static_cast<qsizetype>(size)).isValidUtf8();
    const pugi::xml_parse_result parsed = document.load_buffer_inplace_own(bytes, size, kParseOptions);
    const bool encodingBroken = parsed.encoding == pugi::encoding_utf8 && !validUtf8;
    if (!parsed || encodingBroken || nestedTooDeep(document)) {
        document.reset();
        return {};
    }
    return document.document_element();
}

} // namespace

XmlFetcher::XmlFetcher() : network_(std::make_unique<QNetworkAccessManager>()) { }

XmlFetcher::~XmlFetcher()
{
    dropPrefetched();
}

QNetworkReply *XmlFetcher::get(const QString &url)
{
    QNetworkReply *reply = network_->get(serverRequest(QUrl(url), timeoutMs_));
    abortWhenLargerThan(reply, kMaxReplyBytes);
    return reply;
}

void XmlFetcher::prefetch(const QString &url)
{
    if (!prefetched_.count(url))
        prefetched_[url] = get(url);
}

void XmlFetcher::dropPrefetched()
{
    for (const auto &[url, reply] : prefetched_) {
        reply->abort();
        reply->deleteLater();
    }
    prefetched_.clear();
}

pugi::xml_node XmlFetcher::load(const QString &url, pugi::xml_document &document)
{
    document.reset();
    lastEntityTag_.clear();
    QNetworkReply *reply = nullptr;
    if (const auto ahead = prefetched_.find(url); ahead != prefetched_.end()) {
        reply = ahead->second;
        prefetched_.erase(ahead);
    } else {
        reply = get(url);
    }
    const std::unique_ptr<QNetworkReply, void (*)(QNetworkReply *)> release(
        reply, [](QNetworkReply *finished) { finished->deleteLater(); });

    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    const qint64 size = reply->bytesAvailable();
    if (reply->error() != QNetworkReply::NoError || size <= 0)
        return {};
    char *bytes = documentBuffer(static_cast<std::size_t>(size));
    const qint64 read = reply->read(bytes, size);
    if (read != size) {
        pugi::get_memory_deallocation_function()(bytes);
        return {};
    }
    const pugi::xml_node root = parseOwnedReply(bytes, static_cast<std::size_t>(size), document);
    if (root)
        lastEntityTag_ = reply->rawHeader("ETag");
    return root;
}

pugi::xml_node parseReply(const QByteArray &body, pugi::xml_document &document)
{
    document.reset();
    if (body.isEmpty())
        return {};
    const auto size = static_cast<std::size_t>(body.size());
    char *bytes = documentBuffer(size);
    std::memcpy(bytes, body.constData(), size);
    return parseOwnedReply(bytes, size, document);
}

} // namespace vendorcenter
