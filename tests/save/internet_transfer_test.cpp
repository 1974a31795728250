#include "FakeServerPage.h"

#include "core/Failure.h"
#include "net/InternetTransfer.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

using vendorcenter::Failure;
using vendorcenter::InternetTransfer;

namespace {

constexpr int kWaitMs = 10'000;
const QString kFormHeader = QStringLiteral("Content-Type: application/x-www-form-urlencoded");

// A loopback address where nothing listens: the port was free a moment ago.
QString closedPortUrl()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

QStringList allChunks(InternetTransfer &inet)
{
    QStringList pieces;
    for (int i = 0; i < 100; ++i) {
        const QString piece = inet.GetChunk(1024, 0);
        pieces << piece;
        if (piece.isEmpty())
            break;
    }
    return pieces;
}

} // namespace

class InternetTransferTest : public QObject
{
    Q_OBJECT

private slots:
    void replyIsHandedOutInPiecesThenAnEmptyPiece();
    void errorStatusStillCompletesWithItsText();
    void failedRequestsReportState11();
    void postCarriesBodyHeadersAndCredentials();
    void refusesWhatItCannotSend();
};

void InternetTransferTest::replyIsHandedOutInPiecesThenAnEmptyPiece()
{
    FakeServerPage fake;
    QByteArray text;
    for (int i = 0; i < 2'500; ++i)
        text += static_cast<char>('a' + i % 26);
    text.replace(2'000, 2, "\xc3\xa9"); // one two-byte character: 2,499 characters in all
    fake.setReply("/reply", {200, text, "text/plain; charset=utf-8"});

    InternetTransfer inet;
    QSignalSpy states(&inet, &InternetTransfer::StateChanged);
    inet.Execute(fake.baseUrl() + QStringLiteral("/reply"), QStringLiteral("GET"), {}, {});
    QVERIFY(inet.StillExecuting());
    QTRY_VERIFY_WITH_TIMEOUT(!inet.StillExecuting(), kWaitMs);

    QCOMPARE(states.size(), 1);
    QCOMPARE(states.at(0).at(0).value<qint16>(), qint16(12));
    QCOMPARE(inet.httpStatus(), 200);
    const QStringList pieces = allChunks(inet);
    QCOMPARE(pieces.size(), 4);
    QCOMPARE(pieces[0].size(), 1024);
    QCOMPARE(pieces[1].size(), 1024);
    QCOMPARE(pieces[2].size(), 451);
    QVERIFY(pieces[3].isEmpty());
    QCOMPARE(pieces.join(QString()), QString::fromUtf8(text));
    QVERIFY(inet.GetChunk(1024, 0).isEmpty());
}

void InternetTransferTest::errorStatusStillCompletesWithItsText()
{
    FakeServerPage fake;
    InternetTransfer inet;
    QSignalSpy states(&inet, &InternetTransfer::StateChanged);
    for (const int status : {400, 404, 413, 500}) {
        fake.setPostReply({status, "refused: " + QByteArray::number(status), "text/plain"});
        states.clear();
        inet.Execute(fake.baseUrl() + QStringLiteral("/VendorCenter.asp"), QStringLiteral("Post"), "SQL=x&", kFormHeader);
        QTRY_VERIFY_WITH_TIMEOUT(!inet.StillExecuting(), kWaitMs);
        QCOMPARE(states.size(), 1);
        QCOMPARE(states.at(0).at(0).value<qint16>(), qint16(12));
        QCOMPARE(inet.httpStatus(), status);
        QCOMPARE(inet.GetChunk(1024), QStringLiteral("refused: ") + QString::number(status));
    }
}

void InternetTransferTest::failedRequestsReportState11()
{
    FakeServerPage fake;
    InternetTransfer inet;
    inet.setTimeoutMs(300);
    QSignalSpy states(&inet, &InternetTransfer::StateChanged);

    const QList<FakeServerPage::Behaviour> behaviours{FakeServerPage::Behaviour::NeverAnswer,
                                                      FakeServerPage::Behaviour::ResetMidway,
                                                      FakeServerPage::Behaviour::ShortBody};
    for (const FakeServerPage::Behaviour behaviour : behaviours) {
        fake.setPostReply({200, QByteArray(4'000, 'x'), "text/plain", behaviour});
        states.clear();
        inet.Execute(fake.baseUrl() + QStringLiteral("/VendorCenter.asp"), QStringLiteral("POST"), "SQL=x&", kFormHeader);
        QTRY_VERIFY_WITH_TIMEOUT(!inet.StillExecuting(), kWaitMs);
        QCOMPARE(states.size(), 1);
        QCOMPARE(states.at(0).at(0).value<qint16>(), qint16(11));
        QCOMPARE(inet.httpStatus(), 0);
        QVERIFY(inet.GetChunk(1024).isEmpty());
    }

    states.clear();
    inet.Execute(closedPortUrl() + QStringLiteral("/VendorCenter.asp"), QStringLiteral("POST"), "SQL=x&", kFormHeader);
    QTRY_VERIFY_WITH_TIMEOUT(!inet.StillExecuting(), kWaitMs);
    QCOMPARE(states.size(), 1);
    QCOMPARE(states.at(0).at(0).value<qint16>(), qint16(11));
}

void InternetTransferTest::postCarriesBodyHeadersAndCredentials()
{
    FakeServerPage fake;
    InternetTransfer inet;
    const QString withCredentials =
        fake.baseUrl().replace(QStringLiteral("http://"), QStringLiteral("http://clerk:p%40ss%20word@"));
    inet.Execute(withCredentials + QStringLiteral("/VendorCenter.asp"), QStringLiteral("POST"), "SQL=a+b&",
                 QStringLiteral("Content-Type: application/x-www-form-urlencoded\r\nX-Extra: 1"));
    QTRY_VERIFY_WITH_TIMEOUT(!inet.StillExecuting(), kWaitMs);

    QCOMPARE(fake.requests().size(), 1);
    const FakeServerPage::Request &request = fake.requests().first();
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.target, QByteArray("/VendorCenter.asp"));
    QCOMPARE(request.body, QByteArray("SQL=a+b&"));
    QCOMPARE(request.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
    QCOMPARE(request.header("X-Extra"), QByteArray("1"));
    QCOMPARE(request.header("Authorization"), "Basic " + QByteArray("clerk:p@ss word").toBase64());
}

void InternetTransferTest::refusesWhatItCannotSend()
{
    FakeServerPage fake;
    fake.setPostReply({200, "", "text/plain", FakeServerPage::Behaviour::NeverAnswer});
    InternetTransfer inet;
    inet.setTimeoutMs(300);

    auto refused = [&inet](const QString &url, const QString &operation) {
        try {
            inet.Execute(url, operation, "SQL=x&", kFormHeader);
        } catch (const Failure &) {
            return true;
        }
        return false;
    };
    QVERIFY(refused(QStringLiteral("/VendorCenter.asp"), QStringLiteral("POST")));
    QVERIFY(refused(QStringLiteral("ftp://127.0.0.1/VendorCenter.asp"), QStringLiteral("POST")));
    QVERIFY(refused(fake.baseUrl() + QStringLiteral("/VendorCenter.asp"), QStringLiteral("DELETE")));
    QVERIFY(fake.requests().isEmpty());
    QVERIFY(!inet.StillExecuting());

    // One request at a time: a second one while the first runs is refused.
    QVERIFY(!refused(fake.baseUrl() + QStringLiteral("/VendorCenter.asp"), QStringLiteral("POST")));
    QVERIFY(refused(fake.baseUrl() + QStringLiteral("/VendorCenter.asp"), QStringLiteral("POST")));
    QTRY_VERIFY_WITH_TIMEOUT(!inet.StillExecuting(), kWaitMs);
    QCOMPARE(inet.outcome(), InternetTransfer::Error);
}

QTEST_MAIN(InternetTransferTest)
#include "internet_transfer_test.moc"
