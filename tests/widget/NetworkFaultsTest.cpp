// Every fault of the server page ends a load in its failure path (one
// event-log entry, the arrow pointer back, no message box), and the control
// loads normally from a good page afterwards.
#include "ControlDriver.h"

#include <QElapsedTimer>

using Behaviour = FakeServerPage::Behaviour;

namespace {

const QByteArray kCount = "/VendorCenter.asp?count=1&VendorID=12";
const QByteArray kActive = "/VendorCenter.asp?active=1&VendorID=12";
const QByteArray kSelected = "/VendorCenter.asp?selected=1&VendorID=12";
const QString kMissingObject = QStringLiteral("91: Object variable or With block variable not set");
const QString kTypeMismatch = QStringLiteral("13: Type mismatch");

QByteArray activeRows(int count)
{
    QByteArray xml = "<r><v/><c>";
    for (int i = 0; i < count; ++i)
        xml += "<x><i>" + QByteArray::number(i + 1) + "</i><n>Center</n><k>1</k></x>";
    return xml + "</c></r>";
}

} // namespace

class NetworkFaultsTest : public DriverTest
{
    Q_OBJECT

private slots:
    void aLoadFaultEndsInOneLogEntry_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("behaviour");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("rowsRead");
        const auto row = [](const char *name, const QByteArray &target, const QByteArray &body, const QString &failure,
                             int rowsRead = 0, Behaviour behaviour = Behaviour::Answer) {
            QTest::newRow(name) << target << body << int(behaviour) << failure << rowsRead;
        };
        row("never answers", kActive, {}, kMissingObject, 0, Behaviour::NeverAnswer);
        const QByteArray selected = FakeServerPage::selectedXml({{"9", "Nine", "0.05", "0"}});
        row("shorter than announced", kSelected, selected, kMissingObject, 2, Behaviour::ShortBody);
        row("cut off midway", kSelected, selected, kMissingObject, 2, Behaviour::ResetMidway);
        // Bytes that are not UTF-8 make a UTF-8 document ill-formed, rather
        // than centers whose names are replacement characters.
        row("name not UTF-8", kActive, "<r><v/><c><x><i>3</i><n>Caf\xE9 \xFF\xFE</n><k>2</k></x></c></r>",
            kMissingObject);
        row("latin-1 declared, no number", kCount,
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r><c><v><a>1</a><b>\xE9</b><c>1</c></v></c></r>",
            kTypeMismatch);
        // Entities are never expanded: a reference stays a little text, which is no number.
        row("external entity", kCount,
            "<!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><r><c><v><a>&x;</a><b>1</b><c>1</c></v></c></r>",
            kTypeMismatch);
        const QByteArray deep = QByteArray("<a>").repeated(300) + "1" + QByteArray("</a>").repeated(300);
        row("nested 300 deep", kCount, "<r><c><v><a>" + deep + "</a><b>1</b><c>1</c></v></c></r>", kMissingObject);
        // A reply that reads but does not fit fails at the row that does not fit, keeping the rows read up to it.
        row("malformed", kActive, "<r><unclosed></r>", kMissingObject);
        row("country no number", kActive,
            FakeServerPage::activeXml({{"1", "A", "2", ""}, {"2", "B", "two", ""}, {"3", "C", "2", ""}}), kTypeMismatch,
            2);
        row("eight fields", kActive, "<r><v/><c><c><i>1</i><n>A</n><k>2</k><a/><b/><c/><d/><e>x</e></c></c></r>",
            "380: Invalid property value", 1);
        row("no name", kSelected, "<r><a/><b/><c><c><i>5</i><n/><f>0.1</f><d>1</d></c></c></r>", kMissingObject, 3);
        row("fee no number", kSelected, FakeServerPage::selectedXml({{"5", "C", "cheap", "1"}}), kTypeMismatch, 3);
        // The counter shows 0 to 32767; the row that would need 32768 fails.
        row("more rows than 16 bits count", kActive, activeRows(32769), "6: Overflow", 32768);
    }

    void aLoadFaultEndsInOneLogEntry()
    {
        QFETCH(QByteArray, target);
        QFETCH(QByteArray, body);
        QFETCH(int, behaviour);
        QFETCH(QString, failure);
        QFETCH(int, rowsRead);
        // A good vendor 12 on every query but `target`, which gets the fault.
        d->page.serveVendor(12, 1, {{"3", "Three", "2", ""}, {"5", "Five", "1", ""}}, {{"9", "Nine", "0.05", "0"}});
        d->page.setReply(target, {200, body, "text/xml", Behaviour(behaviour)});
        d->control.setProperty("transferTimeoutMs", 1000);
        QElapsedTimer clock;
        clock.start();
        d->control.LetDataFromDatabase(12, d->page.baseUrl());
        QVERIFY2(clock.elapsed() >= 900 || behaviour != int(Behaviour::NeverAnswer), "gave up before its time-out");
        QVERIFY2(clock.elapsed() < 15'000, "hung past its time-out"); // far from a measurement
        // One entry, no box, the arrow back and the rows read up to the fault kept; then a good page loads.
        QCOMPARE(d->log, QStringList {loadFailure(failure)});
        QCOMPARE(d->centers()->model()->rowCount() + d->chosen()->model()->rowCount(), rowsRead);
        QVERIFY(d->boxes.isEmpty() && d->control.cursor().shape() == Qt::ArrowCursor);
        FakeServerPage good;
        good.serveVendor(12, 1, {{"3", "Three", "2", ""}, {"11", "Eleven", "2", ""}}, {{"9", "Nine", "0.05", "0"}});
        d->control.LetDataFromDatabase(12, good.baseUrl());
        QCOMPARE(d->log.size(), 1);
        QCOMPARE(d->ids(d->centers()) + d->ids(d->chosen()), QStringList({"3", "11", "9"}));
    }
};

QTEST_MAIN(NetworkFaultsTest)
#include "NetworkFaultsTest.moc"
