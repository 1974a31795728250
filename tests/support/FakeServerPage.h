#pragma once

#include <QHash>
#include <QObject>
#include <QTcpServer>

#include <functional>
#include <vector>

class QTcpSocket;

// A stand-in for the server page on 127.0.0.1: answers with canned replies
// chosen by path and query, and records every request. It runs on the test's
// own thread, so it answers while the control waits in its own event loop.
class FakeServerPage : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QByteArray method;
        QByteArray target; // path and query, as sent
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
        QByteArray header(const QByteArray &name) const { return headers.value(name.toLower()); }
    };
    enum class Behaviour {
        Answer,
        NeverAnswer, // accept, read, and stay silent
        ResetMidway, // send half the body, then abort the connection
        ShortBody, // announce a longer body than is sent, then close
    };
    struct Reply
    {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "text/xml; charset=utf-8";
        Behaviour behaviour = Behaviour::Answer;
        QByteArray headers {}; // more header lines, each ending in "\r\n"
        int delayMs = 0; // the answer leaves this much later
    };
    struct ActiveCenter
    {
        QString id, name, countryId, dateUpdated;
    };
    struct SelectedCenter
    {
        QString id, name, fee, duty;
    };

    FakeServerPage();

    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()); }
    void setReply(const QByteArray &target, Reply reply) { replies_.insert(target, std::move(reply)); }
    void setPostReply(Reply reply) { postReply_ = std::move(reply); }
    // Refuses every further connection, as a page that went away.
    void stop() { server_.close(); }
    // Called as each request arrives, before it is answered.
    void onRequest(std::function<void(const Request &)> hook) { hook_ = std::move(hook); }

    const QList<Request> &requests() const { return requests_; }
    // Each request as "METHOD target", in the order they arrived.
    QList<QByteArray> sent() const
    {
        QList<QByteArray> sent;
        for (const Request &request : requests_)
            sent << request.method + ' ' + request.target;
        return sent;
    }
    void clearRequests() { requests_.clear(); }

    // Canned XML in the layouts the control reads.
    static QByteArray countsXml(const QString &dutyDefault, const QString &nonSelected, const QString &selected);
    static QByteArray activeXml(const std::vector<ActiveCenter> &centers);
    static QByteArray selectedXml(const std::vector<SelectedCenter> &centers);
    // Serves the three load queries of one vendor, with counts that match the rows.
    // A `version` goes out as the selected reply's ETag.
    void serveVendor(qint32 vendorId, int dutyDefault, const std::vector<ActiveCenter> &active,
        const std::vector<SelectedCenter> &selected, const QByteArray &version = {});

private:
    void answer(QTcpSocket *socket, const Request &request);
    void send(QTcpSocket *socket, const Reply &reply);

    QTcpServer server_;
    QHash<QByteArray, Reply> replies_;
    Reply postReply_ {200, "OK", "text/plain; charset=utf-8"};
    QList<Request> requests_;
    std::function<void(const Request &)> hook_;
};
