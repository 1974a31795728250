#include "net/InternetTransfer.h"

#include "net/ServerRequest.h"

#include "core/Failure.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace vendorcenter {

namespace {

// The transfer component's own error numbers, as its hosts know them.
constexpr int kStillExecuting = 35764;
constexpr int kProtocolNotSupported = 35751;
constexpr int kUrlMalformed = 35752;

// The reply is an HTTP answer, even when its status is an error: the server
// said something, and what it said is the reply text.
bool serverAnswered(const QNetworkReply *reply, int httpStatus)
{
    if (httpStatus <= 0)
        return false;
    const QNetworkReply::NetworkError error = reply->error();
    return error == QNetworkReply::NoError
        || (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
        || error == QNetworkReply::ProtocolInvalidOperationError
        || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
}

void addHeaderLines(QNetworkRequest &request, const QString &headers)
{
    const QStringList lines = headers.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        request.setRawHeader(line.left(colon).trimmed().toLatin1(), line.mid(colon + 1).trimmed().toLatin1());
    }
}

} // namespace

InternetTransfer::InternetTransfer(QObject *parent) : QObject(parent), network_(new QNetworkAccessManager(this))
{
    setObjectName(QStringLiteral("Inet1"));
}

InternetTransfer::~InternetTransfer()
{
    // A request still running must not report to a component that is going away.
    if (running_) {
        running_->disconnect(this);
        running_->abort();
    }
}

void InternetTransfer::Execute(
    const QString &url, const QString &operation, const QByteArray &data, const QString &headers)
{
    if (running_)
        throw Failure(kStillExecuting, QStringLiteral("Still executing last request"));
    const QByteArray verb = operation.trimmed().toUpper().toLatin1();
    if (verb != "GET" && verb != "POST")
        throw Failure(Failure::InvalidProcedureCall, QStringLiteral("Invalid procedure call or argument"));
    QUrl target(url, QUrl::StrictMode);
    if (!target.isValid() || target.host().isEmpty())
        throw Failure(kUrlMalformed, QStringLiteral("URL is malformed"));
    const QString scheme = target.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        throw Failure(kProtocolNotSupported, QStringLiteral("Protocol not supported for this method"));

    QNetworkRequest request = serverRequest(target, timeoutMs_);
    addHeaderLines(request, headers);

    replyText_.clear();
    handedOut_ = 0;
    httpStatus_ = 0;
    outcome_ = None;
    running_ = verb == "POST" ? network_->post(request, data) : network_->get(request);
    QNetworkReply *reply = running_;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finish(reply); });
    abortWhenLargerThan(reply, kMaxReplyBytes);
}

bool InternetTransfer::StillExecuting() const
{
    return running_ != nullptr;
}

QString InternetTransfer::GetChunk(int size, int)
{
    if (size <= 0 || handedOut_ >= replyText_.size())
        return {};
    const QString piece = replyText_.mid(handedOut_, size);
    handedOut_ += piece.size();
    return piece;
}

void InternetTransfer::finish(QNetworkReply *reply)
{
    if (reply != running_)
        return;
    httpStatus_ = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool answered = serverAnswered(reply, httpStatus_);
    if (answered)
        replyText_ = QString::fromUtf8(reply->readAll());
    else
        httpStatus_ = 0;
    outcome_ = answered ? ResponseCompleted : Error;
    running_ = nullptr;
    reply->deleteLater();
    emit StateChanged(outcome_);
}

} // namespace vendorcenter
