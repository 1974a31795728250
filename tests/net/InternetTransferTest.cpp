// The transfer's own refusals. What it hands the control of a reply, and
// every way a transfer fails, is checked through the control (the save and
// network-fault tests).
#include "FakeServerPage.h"

#include "core/Failure.h"
#include "net/InternetTransfer.h"

#include <QtTest>

using vendorcenter::InternetTransfer;
using Behaviour = FakeServerPage::Behaviour;

class InternetTransferTest : public QObject
{
    Q_OBJECT

    FakeServerPage page;
    InternetTransfer inet;

    // Starts a request and waits for its end: empty, or the failure that refused it.
    QString execute(const QString &url, const QString &operation = QStringLiteral("Post"))
    {
        inet.setTimeoutMs(300);
        try {
            inet.Execute(url, operation, "SQL=a+b&", "Content-Type: application/x-www-form-urlencoded\r\nX-Extra: 1");
        } catch (const vendorcenter::Failure &failure) {
            return QString::number(failure.number()) + ' ' + failure.description();
        }
        return QTest::qWaitFor([this] { return !inet.StillExecuting(); }, 10'000) ? QString() : "hung";
    }

private slots:
    // No scheme, another scheme, another verb, or a request while one runs: refused, nothing sent.
    void refusesWhatItCannotSend()
    {
        page.setPostReply({200, "", "text/plain", Behaviour::NeverAnswer});
        const QString url = page.baseUrl() + "/VendorCenter.asp";
        for (const auto &[refused, verb, failure] :
            {std::tuple {QStringLiteral("/VendorCenter.asp"), "Post", "35752 URL is malformed"},
                {"ftp://127.0.0.1/VendorCenter.asp", "Post", "35751 Protocol not supported for this method"},
                {url, "DELETE", "5 Invalid procedure call or argument"}})
            QCOMPARE(execute(refused, verb), failure);
        QVERIFY(page.requests().isEmpty() && !inet.StillExecuting());
        inet.Execute(url, "POST", {}, {});
        QCOMPARE(execute(url), "35764 Still executing last request");
        QTRY_VERIFY(!inet.StillExecuting());
        QCOMPARE(page.requests().size(), 1);
    }
};

QTEST_MAIN(InternetTransferTest)
#include "InternetTransferTest.moc"
