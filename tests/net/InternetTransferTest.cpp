#include "FakeServerPage.h"

#include "core/Failure.h"
#include "net/InternetTransfer.h"

#include <QSignalSpy>
#include <QtTest>

using vendorcenter::InternetTransfer;
using Behaviour = FakeServerPage::Behaviour;

class InternetTransferTest : public QObject
{
    Q_OBJECT

    FakeServerPage page;
    InternetTransfer inet;
    QSignalSpy states {&inet, &InternetTransfer::StateChanged};

    // Starts a request, or says it was refused.
    bool execute(const QString &url, const QString &operation = QStringLiteral("Post"))
    {
        states.clear();
        inet.setTimeoutMs(300);
        try {
            inet.Execute(url, operation, "SQL=a+b&", "Content-Type: application/x-www-form-urlencoded\r\nX-Extra: 1");
        } catch (const vendorcenter::Failure &) {
            return false;
        }
        return QTest::qWaitFor([this] { return !inet.StillExecuting(); }, 10'000);
    }

private slots:
    void init() { page.clearRequests(); }

    // Any status completes (state 12) and hands its text out in pieces, then
    // an empty piece; a failed transfer is state 11 with no status and no text.
    void completionAndFailure_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("behaviour");
        QTest::addColumn<int>("state");
        QTest::newRow("200") << 200 << int(Behaviour::Answer) << 12;
        QTest::newRow("400") << 400 << int(Behaviour::Answer) << 12;
        QTest::newRow("silent") << 200 << int(Behaviour::NeverAnswer) << 11;
        QTest::newRow("reset") << 200 << int(Behaviour::ResetMidway) << 11;
        QTest::newRow("short") << 200 << int(Behaviour::ShortBody) << 11;
        QTest::newRow("page gone") << 0 << int(Behaviour::Answer) << 11;
    }

    void completionAndFailure()
    {
        QFETCH(int, status);
        QFETCH(int, behaviour);
        QFETCH(int, state);
        QByteArray text = QByteArray("abcdefghijklmnopqrstuvwxyz").repeated(100).left(2'500);
        text.replace(2'000, 2, "\xc3\xa9"); // one two-byte character: 2,499 in all
        page.setPostReply({status, text, "text/plain; charset=utf-8", Behaviour(behaviour)});
        // A page gone: its port is closed again.
        const QString url = status ? page.baseUrl() : FakeServerPage().baseUrl();
        QVERIFY(execute(url + "/VendorCenter.asp"));
        QCOMPARE(states.size(), 1);
        QCOMPARE(states.first().first().toInt(), state);
        QCOMPARE(inet.httpStatus(), state == 12 ? status : 0);
        QStringList pieces;
        for (QString piece = inet.GetChunk(1024); !piece.isEmpty() && pieces.size() < 9; piece = inet.GetChunk(1024))
            pieces << piece;
        QCOMPARE(pieces.join(QString()), state == 12 ? QString::fromUtf8(text) : QString());
        QCOMPARE(pieces.value(1).size(), state == 12 ? 1024 : 0);
    }

    // No scheme, another scheme, another verb, or a request while one runs: refused, nothing sent.
    void refusesWhatItCannotSend()
    {
        page.setPostReply({200, "", "text/plain", Behaviour::NeverAnswer});
        const QString url = page.baseUrl() + "/VendorCenter.asp";
        for (const auto &[refused, verb] : {std::pair {QStringLiteral("/VendorCenter.asp"), "Post"},
                 {"ftp://127.0.0.1/VendorCenter.asp", "Post"}, {url, "DELETE"}})
            QVERIFY(!execute(refused, verb));
        QVERIFY(page.requests().isEmpty() && !inet.StillExecuting());
        inet.Execute(url, "POST", {}, {});
        QVERIFY(!execute(url));
        QTRY_VERIFY(!inet.StillExecuting());
        QCOMPARE(page.requests().size(), 1);
    }
};

QTEST_MAIN(InternetTransferTest)
#include "InternetTransferTest.moc"
