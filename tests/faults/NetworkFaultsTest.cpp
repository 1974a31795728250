// The control against a server page that misbehaves: silent, cut off, lying,
// huge, hostile. Every fault ends a load in its failure path (one event-log
// entry, the arrow pointer back, no message box) and a save in its error
// report, and the control loads normally from a good server afterwards.
#include "FakeServerPage.h"
#include "MessageBoxWatcher.h"

#include "widget/CenterListView.h"
#include "widget/VendorCenterPrivate.h"
#include "net/InternetTransfer.h"
#include "net/XmlFetcher.h"

#include <vendorcenter/EventLog.h>

#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>

using namespace vendorcenter;

namespace {

using Behaviour = FakeServerPage::Behaviour;

const QByteArray kCount = "/VendorCenter.asp?count=1&VendorID=12";
const QByteArray kActive = "/VendorCenter.asp?active=1&VendorID=12";
const QByteArray kSelected = "/VendorCenter.asp?selected=1&VendorID=12";

const QString kMissingObject = QStringLiteral("91: Object variable or With block variable not set");
const QString kTypeMismatch = QStringLiteral("13: Type mismatch");
const QString kOverflow = QStringLiteral("6: Overflow");

struct EventLogCapture
{
    QStringList entries;
    EventLogCapture()
    {
        setEventLogSink([this](const QString &entry) { entries << entry; });
    }
    ~EventLogCapture() { setEventLogSink({}); }
};

QString entryFor(const QString &failure)
{
    return QStringLiteral("KelvoVendor_Center LetDataFromDatabase : ") + failure;
}

// A good vendor 12 on every query but `target`, which gets `fault`.
void serveWithFault(FakeServerPage &fake, const QByteArray &target, FakeServerPage::Reply fault)
{
    fake.serveVendor(12, 1, {{"3", "Three", "2", ""}, {"5", "Five", "1", ""}}, {{"9", "Nine", "0.05", "0"}});
    fake.setReply(target, std::move(fault));
}

QByteArray activeRows(int count)
{
    QByteArray xml = "<r><v/><c>";
    xml.reserve(count * 40 + 32);
    for (int i = 0; i < count; ++i)
        xml += "<x><i>" + QByteArray::number(i + 1) + "</i><n>Center</n><k>1</k></x>";
    return xml + "</c></r>";
}

// The control can be used again: a load from a good server page works and
// logs nothing.
void loadsFromAGoodServer(Vendor_Center &control, EventLogCapture &log)
{
    FakeServerPage good;
    good.serveVendor(12, 1, {{"3", "Three", "2", ""}, {"5", "Five", "1", ""}, {"11", "Eleven", "2", ""}},
                     {{"9", "Nine", "0.05", "0"}});
    const QStringList before = log.entries;
    control.LetDataFromDatabase(12, good.baseUrl());
    QCOMPARE(log.entries, before);
    ControlSurface &ui = surfaceOf(control);
    QCOMPARE(ui.lstCenters->count(), 3);
    QCOMPARE(ui.lstSelectedCenters->count(), 1);
    QCOMPARE(ui.lstSelectedCenters->row(0).handlingFee(), QStringLiteral("5.0"));
    QCOMPARE(control.cursor().shape(), Qt::ArrowCursor);
}

QStringList dutiesOf(const CenterListView *list)
{
    QStringList duties;
    for (int i = 0; i < list->count(); ++i)
        duties << list->row(i).duty();
    return duties;
}

} // namespace

class NetworkFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void aLoadFaultEndsInOneLogEntryAndLeavesTheControlUsable_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("behaviour");
        QTest::addColumn<QString>("failure");

        const QByteArray counts = FakeServerPage::countsXml("1", "2", "1");
        const QByteArray active = FakeServerPage::activeXml({{"3", "Three", "2", ""}, {"5", "Five", "1", ""}});
        QTest::newRow("connection reset in the middle of the reply")
            << kActive << 200 << active << int(Behaviour::ResetMidway) << kMissingObject;
        QTest::newRow("reply shorter than its Content-Length")
            << kSelected << 200 << FakeServerPage::selectedXml({{"9", "Nine", "0.05", "0"}})
            << int(Behaviour::ShortBody) << kMissingObject;
        QTest::newRow("count reply cut short") << kCount << 200 << counts << int(Behaviour::ShortBody) << kMissingObject;

        // Bytes that are not UTF-8 make a UTF-8 document ill-formed, rather
        // than centers whose names are replacement characters.
        QTest::newRow("name that is not UTF-8")
            << kActive << 200 << QByteArray("<r><v/><c><x><i>3</i><n>Caf\xE9 \xFF\xFE</n><k>2</k></x></c></r>")
            << int(Behaviour::Answer) << kMissingObject;
        QTest::newRow("count that is not UTF-8")
            << kCount << 200 << QByteArray("<r><c><v><a>1</a><b>\xC0\xB2</b><c>1</c></v></c></r>")
            << int(Behaviour::Answer) << kMissingObject;
        QTest::newRow("latin-1 declared and used is fine, but its count is no number")
            << kCount << 200
            << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r><c><v><a>1</a><b>\xE9</b><c>1</c></v></c></r>")
            << int(Behaviour::Answer) << kTypeMismatch;

        // Entities are never expanded: the bomb stays a few hundred bytes of
        // text, which is no number.
        QByteArray bomb = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n <!ENTITY lol \"lol\">\n";
        bomb += " <!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n";
        for (int level = 2; level <= 9; ++level) {
            const QByteArray previous = "&lol" + QByteArray::number(level - 1) + ";";
            bomb += " <!ENTITY lol" + QByteArray::number(level) + " \"" + previous.repeated(10) + "\">\n";
        }
        bomb += "]>\n<r><c><v><a>&lol9;</a><b>&lol9;</b><c>&lol9;</c></v></c></r>\n";
        QTest::newRow("entity-expansion bomb") << kCount << 200 << bomb << int(Behaviour::Answer) << kTypeMismatch;
        QTest::newRow("external entity") << kCount << 200
                                         << QByteArray("<!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                                                       "<r><c><v><a>&x;</a><b>1</b><c>1</c></v></c></r>")
                                         << int(Behaviour::Answer) << kTypeMismatch;

        // Nested far deeper than any reply: once a stack overflow in the
        // readers, which gather text by recursion.
        const int depth = 300'000;
        QTest::newRow("reply nested 300,000 levels deep")
            << kCount << 200
            << "<r><c><v><a>" + QByteArray("<a>").repeated(depth) + "1" + QByteArray("</a>").repeated(depth)
                   + "</a><b>1</b><c>1</c></v></c></r>"
            << int(Behaviour::Answer) << kMissingObject;

        QTest::newRow("50 MB that is not XML")
            << kActive << 200 << QByteArray("Server Error ").repeated(50 * 1024 * 1024 / 13) << int(Behaviour::Answer)
            << kMissingObject;
        QTest::newRow("error status with an XML body")
            << kSelected << 500 << FakeServerPage::selectedXml({{"9", "Nine", "0.05", "0"}}) << int(Behaviour::Answer)
            << kMissingObject;
    }

    void aLoadFaultEndsInOneLogEntryAndLeavesTheControlUsable()
    {
        QFETCH(QByteArray, target);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, behaviour);
        QFETCH(QString, failure);

        FakeServerPage fake;
        serveWithFault(fake, target, {status, body, "text/xml", Behaviour(behaviour)});
        Vendor_Center control;
        EventLogCapture log;
        MessageBoxWatcher boxes;

        control.LetDataFromDatabase(12, fake.baseUrl());

        QCOMPARE(log.entries, QStringList{entryFor(failure)});
        QVERIFY(boxes.seen().isEmpty());
        QCOMPARE(control.cursor().shape(), Qt::ArrowCursor);
        loadsFromAGoodServer(control, log);
    }

    void aServerThatNeverAnswersTimesOutAndNoLater()
    {
        FakeServerPage fake;
        serveWithFault(fake, kActive, {200, {}, "text/xml", Behaviour::NeverAnswer});
        Vendor_Center control;
        control.setProperty("transferTimeoutMs", 1000);
        EventLogCapture log;
        MessageBoxWatcher boxes;

        QElapsedTimer clock;
        clock.start();
        control.LetDataFromDatabase(12, fake.baseUrl());
        const qint64 waited = clock.elapsed();

        QVERIFY2(waited >= 900, "the load gave up before its time-out");
        // Far from a measurement: a hang would take the test's own limit.
        QVERIFY2(waited < 15'000, "the load hung past its time-out");
        QCOMPARE(log.entries, QStringList{entryFor(kMissingObject)});
        QVERIFY(boxes.seen().isEmpty());
        QCOMPARE(control.cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(surfaceOf(control).lstCenters->count(), 0);
        loadsFromAGoodServer(control, log);
    }

    void moreRowsThanSixteenBitsCanCountOverflowCleanly_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("40,000 rows") << 40'000;
        QTest::newRow("50 MB of rows") << 50 * 1024 * 1024 / 40;
    }

    void moreRowsThanSixteenBitsCanCountOverflowCleanly()
    {
        QFETCH(int, rows);
        FakeServerPage fake;
        serveWithFault(fake, kActive, {200, activeRows(rows)});
        fake.setReply(kCount, {200, FakeServerPage::countsXml("0", "32767", "0")});
        Vendor_Center control;
        EventLogCapture log;
        MessageBoxWatcher boxes;

        control.LetDataFromDatabase(12, fake.baseUrl());

        QCOMPARE(log.entries, QStringList{entryFor(kOverflow)});
        QVERIFY(boxes.seen().isEmpty());
        QCOMPARE(control.cursor().shape(), Qt::ArrowCursor);
        // The counter shows 0 to 32767; the row that would need 32768 fails.
        QCOMPARE(surfaceOf(control).lstCenters->count(), 32768);
        loadsFromAGoodServer(control, log);
    }

    void aSaveWhosePostFailsIsReportedAndKeepsTheMarks_data()
    {
        QTest::addColumn<int>("behaviour");
        QTest::newRow("never answers") << int(Behaviour::NeverAnswer);
        QTest::newRow("reset in the middle of the reply") << int(Behaviour::ResetMidway);
        QTest::newRow("reply shorter than its Content-Length") << int(Behaviour::ShortBody);
    }

    void aSaveWhosePostFailsIsReportedAndKeepsTheMarks()
    {
        QFETCH(int, behaviour);
        FakeServerPage fake;
        fake.serveVendor(12, 1, {{"3", "Three", "2", ""}, {"5", "Five", "1", ""}}, {{"9", "Nine", "0.05", "0"}});
        fake.setPostReply({200, "3 changes saved for vendor 12.", "text/plain", Behaviour(behaviour)});
        Vendor_Center control;
        EventLogCapture log;
        control.LetDataFromDatabase(12, fake.baseUrl());
        control.show();
        QVERIFY(QTest::qWaitForWindowExposed(&control));
        ControlSurface &ui = surfaceOf(control);
        ui.lstCenters->setSubItem(0, ColDuty, QStringLiteral("1D"));
        ui.lstSelectedCenters->setSubItem(0, ColDuty, QStringLiteral("0U"));
        const QStringList othersBefore = dutiesOf(ui.lstCenters);
        const QStringList selectedBefore = dutiesOf(ui.lstSelectedCenters);
        control.setProperty("transferTimeoutMs", 1000);
        MessageBoxWatcher boxes;
        fake.clearRequests();

        QElapsedTimer clock;
        clock.start();
        ui.cmdCommit->setEnabled(true);
        QTest::mouseClick(ui.cmdCommit, Qt::LeftButton);
        QVERIFY2(clock.elapsed() < 15'000, "the save hung past its time-out");

        QCOMPARE(fake.requests().size(), 1);
        QCOMPARE(fake.requests().first().method, QByteArray("POST"));
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Error During saving to Database")});
        QCOMPARE(dutiesOf(ui.lstCenters), othersBefore);
        QCOMPARE(dutiesOf(ui.lstSelectedCenters), selectedBefore);
        QCOMPARE(control.cursor().shape(), Qt::ArrowCursor);
        QVERIFY(log.entries.isEmpty());
        loadsFromAGoodServer(control, log);
    }
};

QTEST_MAIN(NetworkFaultsTest)
#include "NetworkFaultsTest.moc"
