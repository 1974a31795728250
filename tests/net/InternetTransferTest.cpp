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

    // Starts a request, or says it was refused.
    bool execute(const QString &url, const QString &operation = QStringLiteral("Post"))
    {
        inet.setTimeoutMs(300);
        try {
            inet.Execute(url, operation, "SQL=a+b&", "Content-Type: application/x-www-form-urlencoded\r\nX-Extra: 1");
        } catch (const vendorcenter::Failure &) {
            return false;
        }
        return QTest::qWaitFor([this] { return !inet.StillExecuting(); }, 10'000);
    }

private slots:
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
