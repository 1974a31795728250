#include "FakeServerPage.h"

#include <QTcpSocket>
#include <QTimer>

FakeServerPage::FakeServerPage()
{
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = server_.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer = QByteArray()]() mutable {
                buffer += socket->readAll();
                const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
                if (headerEnd < 0)
                    return;
                Request request;
                const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
                const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
                request.method = requestLine.value(0);
                request.target = requestLine.value(1);
                for (const QByteArray &line : lines.mid(1)) {
                    const qsizetype colon = line.indexOf(':');
                    if (colon > 0)
                        request.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
                }
                const qsizetype length = request.header("Content-Length").toLongLong();
                if (buffer.size() < headerEnd + 4 + length)
                    return; // the body is still arriving
                request.body = buffer.mid(headerEnd + 4, length);
                buffer.clear();
                answer(socket, request);
            });
        }
    });
}

void FakeServerPage::answer(QTcpSocket *socket, const Request &request)
{
    requests_.append(request);
    if (hook_)
        hook_(request);
    const Reply reply =
        request.method == "POST" ? postReply_ : replies_.value(request.target, {404, "no such page", "text/plain"});
    if (reply.behaviour == Behaviour::NeverAnswer)
        return;
    if (reply.delayMs > 0)
        QTimer::singleShot(reply.delayMs, socket, [this, socket, reply] { send(socket, reply); });
    else
        send(socket, reply);
}

void FakeServerPage::send(QTcpSocket *socket, const Reply &reply)
{
    const qsizetype announced =
        reply.behaviour == Behaviour::ShortBody ? reply.body.size() * 2 + 10 : reply.body.size();
    socket->write("HTTP/1.1 " + QByteArray::number(reply.status) + " Status\r\nContent-Type: " + reply.contentType
        + "\r\nContent-Length: " + QByteArray::number(announced) + "\r\nConnection: close\r\n" + reply.headers
        + "\r\n");
    if (reply.behaviour == Behaviour::ResetMidway) {
        socket->write(reply.body.left(reply.body.size() / 2));
        socket->flush();
        socket->abort();
        return;
    }
    socket->write(reply.body);
    socket->disconnectFromHost();
}

static QByteArray xml(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

QByteArray FakeServerPage::countsXml(const QString &dutyDefault, const QString &nonSelected, const QString &selected)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<VendorCenter><Counts><Vendor><DutyDefault>" + xml(dutyDefault)
        + "</DutyDefault><NonSelectedCount>" + xml(nonSelected) + "</NonSelectedCount><SelectedCount>" + xml(selected)
        + "</SelectedCount></Vendor></Counts></VendorCenter>\n";
}

QByteArray FakeServerPage::activeXml(const std::vector<ActiveCenter> &centers)
{
    QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<VendorCenter><Vendor/><Centers>\n";
    for (const ActiveCenter &c : centers)
        text += "<Center><CenterID>" + xml(c.id) + "</CenterID><CenterName>" + xml(c.name) + "</CenterName><CountryID>"
            + xml(c.countryId) + "</CountryID><Active>1</Active><City/><DateUpdated>" + xml(c.dateUpdated)
            + "</DateUpdated></Center>\n";
    return text + "</Centers></VendorCenter>\n";
}

QByteArray FakeServerPage::selectedXml(const std::vector<SelectedCenter> &centers)
{
    QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<VendorCenter><Vendor/><SelectedCount/><Centers>\n";
    for (const SelectedCenter &c : centers)
        text += "<Center><CenterID>" + xml(c.id) + "</CenterID><CenterName>" + xml(c.name)
            + "</CenterName><CenterHandlingFee>" + xml(c.fee) + "</CenterHandlingFee><DutyBrokerageFee>" + xml(c.duty)
            + "</DutyBrokerageFee><RecordLastUpdated/></Center>\n";
    return text + "</Centers></VendorCenter>\n";
}

void FakeServerPage::serveVendor(qint32 vendorId, int dutyDefault, const std::vector<ActiveCenter> &active,
    const std::vector<SelectedCenter> &selected, const QByteArray &version)
{
    const QByteArray query = "&VendorID=" + QByteArray::number(vendorId);
    setReply("/VendorCenter.asp?count=1" + query,
        {200,
            countsXml(QString::number(dutyDefault), QString::number(active.size()), QString::number(selected.size()))});
    setReply("/VendorCenter.asp?active=1" + query, {200, activeXml(active)});
    setReply("/VendorCenter.asp?selected=1" + query,
        {200, selectedXml(selected), "text/xml; charset=utf-8", Behaviour::Answer,
            version.isEmpty() ? QByteArray() : "ETag: " + version + "\r\n"});
}
