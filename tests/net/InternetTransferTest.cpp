#include "FakeServerPage.h"

#include "core/Failure.h"
#include "net/InternetTransfer.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

using vendorcenter::InternetTransfer;
using Behaviour = FakeServerPage::Behaviour;

namespace {

const QString kFormHeader = QStringLiteral("Content-Type: application/x-www-form-urlencoded");

// The states a request went through, and what it left.
struct Run
{
    QList<qint16> states;
    int status;
    QStringList pieces;
};

Run execute(InternetTransfer &inet, const QString &url, const QString &operation = QStringLiteral("POST"))
{
    QSignalSpy spy(&inet, &InternetTransfer::StateChanged);
    inet.Execute(url, operation, "SQL=x&", kFormHeader);
    if (!QTest::qWaitFor([&] { return !inet.StillExecuting(); }, 10'000))
        return {};
    Run run{{}, inet.httpStatus(), {}};
    for (const QList<QVariant> &signal : spy)
        run.states << signal.at(0).value<qint16>();
    for (QString piece = inet.GetChunk(1024); !piece.isEmpty() && run.pieces.size() < 100; piece = inet.GetChunk(1024))
        run.pieces << piece;
    return run;
}

QString closedPortUrl()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return QStringLiteral("http://127.0.0.1:%1/VendorCenter.asp").arg(probe.serverPort());
}

} // namespace

class InternetTransferTest : public QObject
{
    Q_OBJECT

private slots:
    void replyIsHandedOutInPiecesThenAnEmptyPiece()
    {
        FakeServerPage fake;
        QByteArray text;
        for (int i = 0; i < 2'500; ++i)
            text += char('a' + i % 26);
        text.replace(2'000, 2, "\xc3\xa9"); // one two-byte character: 2,499 in all
        fake.setReply("/reply", {200, text, "text/plain; charset=utf-8"});
        InternetTransfer inet;
        const Run run = execute(inet, fake.baseUrl() + "/reply", "GET");
        QCOMPARE(run.states, QList<qint16>{12});
        QCOMPARE(run.status, 200);
        QCOMPARE(run.pieces.size(), 3);
        QCOMPARE(run.pieces[1].size(), 1024);
        QCOMPARE(run.pieces.join(QString()), QString::fromUtf8(text));
        QCOMPARE(fake.sent(), QList<QByteArray>{"GET /reply"});
    }

    void completionAndFailure_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("behaviour");
        QTest::addColumn<qint16>("state");
        QTest::newRow("400") << 400 << int(Behaviour::Answer) << qint16(12);
        QTest::newRow("500") << 500 << int(Behaviour::Answer) << qint16(12);
        QTest::newRow("silent") << 200 << int(Behaviour::NeverAnswer) << qint16(11);
        QTest::newRow("reset") << 200 << int(Behaviour::ResetMidway) << qint16(11);
        QTest::newRow("short") << 200 << int(Behaviour::ShortBody) << qint16(11);
        QTest::newRow("closed port") << 0 << int(Behaviour::Answer) << qint16(11);
    }

    // An error status still completes with its text; a failed transfer is
    // state 11 with no status and no text.
    void completionAndFailure()
    {
        QFETCH(int, status);
        QFETCH(int, behaviour);
        QFETCH(qint16, state);
        FakeServerPage fake;
        fake.setPostReply({status, "refused: " + QByteArray(4'000, 'x'), "text/plain", Behaviour(behaviour)});
        InternetTransfer inet;
        inet.setTimeoutMs(300);
        const Run run = execute(inet, status ? fake.baseUrl() + "/VendorCenter.asp" : closedPortUrl(), "Post");
        QCOMPARE(run.states, QList<qint16>{state});
        QCOMPARE(run.status, state == 12 ? status : 0);
        QCOMPARE(run.pieces.join(QString()).startsWith("refused: "), state == 12);
    }

    void postCarriesBodyHeadersAndCredentials()
    {
        FakeServerPage fake;
        InternetTransfer inet;
        inet.Execute(fake.baseUrl().replace("http://", "http://clerk:p%40ss%20word@") + "/VendorCenter.asp", "POST",
                     "SQL=a+b&", kFormHeader + "\r\nX-Extra: 1");
        QTRY_VERIFY_WITH_TIMEOUT(!inet.StillExecuting(), 10'000);
        QCOMPARE(fake.sent(), QList<QByteArray>{"POST /VendorCenter.asp"});
        const FakeServerPage::Request &request = fake.requests().first();
        QCOMPARE(request.body, "SQL=a+b&");
        QCOMPARE(request.header("Content-Type"), "application/x-www-form-urlencoded");
        QCOMPARE(request.header("X-Extra"), "1");
        QCOMPARE(request.header("Authorization"), "Basic " + QByteArray("clerk:p@ss word").toBase64());
    }

    // No scheme, another scheme, another verb, or a request while one runs.
    void refusesWhatItCannotSend()
    {
        FakeServerPage fake;
        fake.setPostReply({200, "", "text/plain", Behaviour::NeverAnswer});
        InternetTransfer inet;
        inet.setTimeoutMs(300);
        const QString url = fake.baseUrl() + "/VendorCenter.asp";
        const auto refused = [&inet](const QString &to, const QString &operation) {
            try {
                inet.Execute(to, operation, "SQL=x&", kFormHeader);
            } catch (const vendorcenter::Failure &) {
                return true;
            }
            return false;
        };
        QVERIFY(refused("/VendorCenter.asp", "POST"));
        QVERIFY(refused("ftp://127.0.0.1/VendorCenter.asp", "POST"));
        QVERIFY(refused(url, "DELETE"));
        QVERIFY(!inet.StillExecuting());
        QVERIFY(!refused(url, "POST"));
        QVERIFY(refused(url, "POST"));
        QTRY_VERIFY_WITH_TIMEOUT(!inet.StillExecuting(), 10'000);
        QCOMPARE(fake.requests().size(), 1);
    }
};

QTEST_MAIN(InternetTransferTest)
#include "InternetTransferTest.moc"
