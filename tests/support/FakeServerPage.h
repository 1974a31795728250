#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>

#include <vector>

// A stand-in for the server page on 127.0.0.1: answers requests with canned
// replies chosen by their path and query, and records every request it gets.
// It runs on the test's own thread, so it answers while the control waits in
// its own event loop.
class FakeServerPage : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QByteArray method;
        QByteArray target; // path and query, as sent
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        QByteArray header(const QByteArray &name) const;
    };

    enum class Behaviour {
        Answer,           // a normal reply
        NeverAnswer,      // accept, read, and stay silent
        ResetMidway,      // send half the body, then abort the connection
        ShortBody,        // announce a longer body than is sent, then close
    };

    struct Reply
    {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "text/xml; charset=utf-8";
        Behaviour behaviour = Behaviour::Answer;
    };

    explicit FakeServerPage(QObject *parent = nullptr);

    // "http://127.0.0.1:<port>"
    QString baseUrl() const;

    // The reply for requests whose target (path and query) equals `target`.
    void setReply(const QByteArray &target, Reply reply);
    // The reply for every POST.
    void setPostReply(Reply reply) { postReply_ = std::move(reply); }

    const QList<Request> &requests() const { return requests_; }
    QList<QByteArray> requestTargets() const;
    void clearRequests() { requests_.clear(); }

    // --- canned XML in the layouts the control reads ---
    struct ActiveCenter
    {
        QString id, name, countryId, dateUpdated;
    };
    struct SelectedCenter
    {
        QString id, name, fee, duty;
    };
    static QByteArray countsXml(const QString &dutyDefault, const QString &nonSelected, const QString &selected);
    static QByteArray activeXml(const std::vector<ActiveCenter> &centers);
    static QByteArray selectedXml(const std::vector<SelectedCenter> &centers);

    // Serves the three load queries of one vendor, with counts that match the rows.
    void serveVendor(qint32 vendorId, int dutyDefault, const std::vector<ActiveCenter> &active,
                     const std::vector<SelectedCenter> &selected);

private:
    void onNewConnection();

    QTcpServer server_;
    QHash<QByteArray, Reply> replies_;
    Reply postReply_{200, "OK", "text/plain; charset=utf-8", Behaviour::Answer};
    QList<Request> requests_;
};
