#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

namespace vendorcenter {

// The control's transfer component ("Inet1"): starts one request at a time,
// reports its end through StateChanged (11 failed, 12 complete) and hands the
// reply out in pieces.
class InternetTransfer : public QObject
{
    Q_OBJECT

public:
    enum State : qint16 { None = 0, Error = 11, ResponseCompleted = 12 };
    static constexpr int kDefaultTimeoutMs = 60'000;
    // A reply larger than this is no answer to a save; the request fails instead.
    static constexpr qint64 kMaxReplyBytes = 16LL * 1024 * 1024;

    explicit InternetTransfer(QObject *parent = nullptr);
    ~InternetTransfer() override;

    // Starts the request and returns at once. `operation` is "GET" or "POST"
    // (any letter case); `headers` holds "Name: value" lines. Throws Failure
    // when a request is still running, the operation is unknown or the URL is
    // not an absolute http or https address.
    void Execute(const QString &url, const QString &operation, const QByteArray &data, const QString &headers);
    bool StillExecuting() const;

    // The next piece of the reply of at most `size` characters; an empty piece
    // once everything has been handed out. `dataType` 0 is text.
    QString GetChunk(int size, int dataType = 0);

    // How the last request ended: None while running or before any, else Error or ResponseCompleted.
    State outcome() const { return outcome_; }
    // The HTTP status of the last completed request (0 when none arrived).
    int httpStatus() const { return httpStatus_; }
    void setTimeoutMs(int ms) { timeoutMs_ = ms; }

signals:
    void StateChanged(qint16 state);

private:
    void finish(QNetworkReply *reply);

    QNetworkAccessManager *network_;
    QNetworkReply *running_ = nullptr;
    QString replyText_;
    qsizetype handedOut_ = 0;
    int httpStatus_ = 0;
    State outcome_ = None;
    int timeoutMs_ = kDefaultTimeoutMs;
};

} // namespace vendorcenter
