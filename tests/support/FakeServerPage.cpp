#include "FakeServerPage.h"

#include <QTcpSocket>

namespace {

QByteArray escapeXml(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

QByteArray reasonFor(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 413: return "Payload Too Large";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

} // namespace

QByteArray FakeServerPage::Request::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

FakeServerPage::FakeServerPage(QObject *parent) : QObject(parent)
{
    connect(&server_, &QTcpServer::newConnection, this, &FakeServerPage::onNewConnection);
    server_.listen(QHostAddress::LocalHost, 0);
}

QString FakeServerPage::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort());
}

void FakeServerPage::setReply(const QByteArray &target, Reply reply)
{
    replies_.insert(target, std::move(reply));
}

QList<QByteArray> FakeServerPage::requestTargets() const
{
    QList<QByteArray> targets;
    for (const Request &request : requests_)
        targets << request.target;
    return targets;
}

void FakeServerPage::onNewConnection()
{
    while (QTcpSocket *socket = server_.nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            const qsizetype headerEnd = buffer->indexOf("\r\n\r\n");
            if (headerEnd < 0)
                return;
            Request request;
            const QList<QByteArray> lines = buffer->left(headerEnd).split('\n');
            const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
            request.method = requestLine.value(0);
            request.target = requestLine.value(1);
            qsizetype contentLength = 0;
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines[i].indexOf(':');
                if (colon < 0)
                    continue;
                const QByteArray name = lines[i].left(colon).trimmed();
                const QByteArray value = lines[i].mid(colon + 1).trimmed();
                request.headers.append({name, value});
                if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
                    contentLength = value.toLongLong();
            }
            if (buffer->size() < headerEnd + 4 + contentLength)
                return; // the body is still arriving
            request.body = buffer->mid(headerEnd + 4, contentLength);
            buffer->clear();
            requests_.append(request);

            const Reply reply = request.method == "POST" ? postReply_
                                                         : replies_.value(request.target,
                                                                          Reply{404, "no such page", "text/plain"});
            if (reply.behaviour == Behaviour::NeverAnswer)
                return;
            QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonFor(reply.status) + "\r\n";
            head += "Content-Type: " + reply.contentType + "\r\n";
            const qsizetype announced =
                reply.behaviour == Behaviour::ShortBody ? reply.body.size() * 2 + 10 : reply.body.size();
            head += "Content-Length: " + QByteArray::number(announced) + "\r\nConnection: close\r\n\r\n";
            socket->write(head);
            if (reply.behaviour == Behaviour::ResetMidway) {
                socket->write(reply.body.left(reply.body.size() / 2));
                socket->flush();
                socket->abort();
                return;
            }
            socket->write(reply.body);
            socket->disconnectFromHost();
        });
    }
}

QByteArray FakeServerPage::countsXml(const QString &dutyDefault, const QString &nonSelected, const QString &selected)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<VendorCenter>\n  <Counts>\n    <Vendor>\n      <DutyDefault>"
           + escapeXml(dutyDefault) + "</DutyDefault>\n      <NonSelectedCount>" + escapeXml(nonSelected)
           + "</NonSelectedCount>\n      <SelectedCount>" + escapeXml(selected)
           + "</SelectedCount>\n    </Vendor>\n  </Counts>\n</VendorCenter>\n";
}

QByteArray FakeServerPage::activeXml(const std::vector<ActiveCenter> &centers)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<VendorCenter>\n  <Vendor/>\n  <Centers>\n";
    for (const ActiveCenter &c : centers) {
        xml += "    <Center><CenterID>" + escapeXml(c.id) + "</CenterID><CenterName>" + escapeXml(c.name)
               + "</CenterName><CountryID>" + escapeXml(c.countryId) + "</CountryID><Active>1</Active><City/>"
               + "<DateUpdated>" + escapeXml(c.dateUpdated) + "</DateUpdated></Center>\n";
    }
    return xml + "  </Centers>\n</VendorCenter>\n";
}

QByteArray FakeServerPage::selectedXml(const std::vector<SelectedCenter> &centers)
{
    QByteArray xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<VendorCenter>\n  <Vendor/>\n  <SelectedCount/>\n  <Centers>\n";
    for (const SelectedCenter &c : centers) {
        xml += "    <Center><CenterID>" + escapeXml(c.id) + "</CenterID><CenterName>" + escapeXml(c.name)
               + "</CenterName><CenterHandlingFee>" + escapeXml(c.fee) + "</CenterHandlingFee><DutyBrokerageFee>"
               + escapeXml(c.duty) + "</DutyBrokerageFee><RecordLastUpdated/></Center>\n";
    }
    return xml + "  </Centers>\n</VendorCenter>\n";
}

void FakeServerPage::serveVendor(qint32 vendorId, int dutyDefault, const std::vector<ActiveCenter> &active,
                                 const std::vector<SelectedCenter> &selected)
{
    const QByteArray id = QByteArray::number(vendorId);
    setReply("/VendorCenter.asp?count=1&VendorID=" + id,
             {200, countsXml(QString::number(dutyDefault), QString::number(active.size()),
                             QString::number(selected.size()))});
    setReply("/VendorCenter.asp?active=1&VendorID=" + id, {200, activeXml(active)});
    setReply("/VendorCenter.asp?selected=1&VendorID=" + id, {200, selectedXml(selected)});
}
