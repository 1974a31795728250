#include "FakeServerPage.h"
#include "MessageBoxWatcher.h"

#include "control/CenterListView.h"
#include "control/LoadProgressBar.h"
#include "control/VendorCenterPrivate.h"

#include <vendorcenter/EventLog.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <algorithm>

using namespace vendorcenter;

namespace {

using Active = FakeServerPage::ActiveCenter;
using Selected = FakeServerPage::SelectedCenter;

const std::vector<Active> kActive = {
    {"12", "Smith & Sons <North>", "3", "11/30/2026 08:15:00"},
    {"7", "Warehouse East", "2", "12/01/2026 10:00:00"},
    {"123", "Lakeside Depot", "2", ""},
};
const std::vector<Selected> kSelected = {
    {"9", "Harbor Logistics", "0.1", "TRUE"},
    {"5", "Central Hub", "0.125", "false"},
};

QStringList column(const CenterListView *list, int c)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->row(i).column(c);
    return out;
}

// Collects event-log entries for the lifetime of a test.
struct EventLogCapture
{
    QStringList entries;
    EventLogCapture()
    {
        setEventLogSink([this](const QString &entry) { entries << entry; });
    }
    ~EventLogCapture() { setEventLogSink({}); }
};

QString unusedBaseUrl()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

} // namespace

class LoadTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void loadFillsBothListsFromTheThreeQueries()
    {
        FakeServerPage fake;
        fake.serveVendor(12, 1, kActive, kSelected);
        Vendor_Center control;
        EventLogCapture log;
        MessageBoxWatcher boxes;

        QVERIFY(!control.LetDataFromDatabase(12, fake.baseUrl()).isValid());

        QCOMPARE(fake.requestTargets(), QList<QByteArray>({"/VendorCenter.asp?count=1&VendorID=12",
                                                            "/VendorCenter.asp?active=1&VendorID=12",
                                                            "/VendorCenter.asp?selected=1&VendorID=12"}));
        for (const auto &request : fake.requests())
            QCOMPARE(request.method, QByteArray("GET"));
        QVERIFY(log.entries.isEmpty());
        QVERIFY(boxes.seen().isEmpty());

        ControlSurface &ui = surfaceOf(control);
        // Sorted by the padded id, so 7 < 12 < 123.
        QCOMPARE(column(ui.lstCenters, ColId), QStringList({"7", "12", "123"}));
        QCOMPARE(column(ui.lstCenters, ColName), QStringList({"Warehouse East", "Smith & Sons <North>", "Lakeside Depot"}));
        QCOMPARE(column(ui.lstCenters, ColCountryId), QStringList({"2", "3", "2"}));
        QCOMPARE(column(ui.lstCenters, ColHandlingFee), QStringList({"8.00", "8.00", "8.00"}));
        QCOMPARE(column(ui.lstCenters, ColDuty), QStringList({"1", "0", "1"}));
        QCOMPARE(column(ui.lstCenters, ColDateUpdated), QStringList({"12/01/2026 10:00:00", "11/30/2026 08:15:00", ""}));
        QCOMPARE(column(ui.lstCenters, ColSortKey), QStringList({"0007", "0012", "0123"}));

        QCOMPARE(column(ui.lstSelectedCenters, ColId), QStringList({"5", "9"}));
        QCOMPARE(column(ui.lstSelectedCenters, ColName), QStringList({"Central Hub", "Harbor Logistics"}));
        QCOMPARE(column(ui.lstSelectedCenters, ColCountryId), QStringList({"", ""}));
        QCOMPARE(column(ui.lstSelectedCenters, ColHandlingFee), QStringList({"12.5", "10.0"}));
        QCOMPARE(column(ui.lstSelectedCenters, ColDuty), QStringList({"0", "1"}));
        QCOMPARE(column(ui.lstSelectedCenters, ColSortKey), QStringList({"0005", "0009"}));

        QCOMPARE(ui.lblAllVendors->text(), QStringLiteral("Non Selected Active Centers (3):"));
        QCOMPARE(ui.lblSelVendors->text(), QStringLiteral("Selected Centers (2):"));
        const ControlState &state = controlState(control);
        QCOMPARE(state.mlVendorID, 12);
        QCOMPARE(state.mtServerName, fake.baseUrl());
        QCOMPARE(state.miDutyDefault, 1);
        QCOMPARE(state.miNonSelectedCount, 3);
        QCOMPARE(state.miSelectedCount, 2);

        QVERIFY(!ui.cmdCommit->isEnabled());
        QCOMPARE(control.cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(ui.prbLoad->value(), 0);
        for (QRadioButton *option : {ui.optList[0], ui.optList[1], ui.optFind[0], ui.optFind[1]})
            QVERIFY(option->isEnabled());
        QVERIFY(ui.txtVendorID->isEnabled() && !ui.txtVendorID->isReadOnly());
        QVERIFY(!ui.cmdFind->isEnabled());
        QVERIFY(ui.lstCenters->highlightedPositions().empty());
        QVERIFY(ui.lstSelectedCenters->highlightedPositions().empty());
        QCOMPARE(ui.lstCenters->sortKey(), int(ColSortKey));
        QCOMPARE(ui.lstSelectedCenters->sortKey(), int(ColSortKey));
    }

    void dutyDefaultOffGivesNoDutyToAnyActiveRow()
    {
        FakeServerPage fake;
        fake.serveVendor(3, 0, kActive, {});
        Vendor_Center control;
        control.LetDataFromDatabase(3, fake.baseUrl());
        QCOMPARE(column(surfaceOf(control).lstCenters, ColDuty), QStringList({"0", "0", "0"}));
    }

    void progressBarSweepsAcrossBothListsThenReturnsToZero()
    {
        FakeServerPage fake;
        fake.serveVendor(12, 0, kActive, kSelected);
        Vendor_Center control;
        QSignalSpy values(surfaceOf(control).prbLoad, &QProgressBar::valueChanged);
        control.LetDataFromDatabase(12, fake.baseUrl());
        QList<int> shown;
        for (const QList<QVariant> &signal : values)
            shown << signal.at(0).toInt();
        // The bar is set at most once a frame while rows are read, and to the
        // last row's value when a list is read (it counts from 0, so 2 and 4).
        QCOMPARE(shown.takeLast(), 0);
        QCOMPARE(shown.takeLast(), 5);
        QVERIFY(shown.contains(2));
        QVERIFY(shown.contains(4));
        QVERIFY(std::is_sorted(shown.begin(), shown.end()));
        QCOMPARE(surfaceOf(control).prbLoad->maximum(), 5);
    }

    void longListsMoveTheBarInStepsAndEndOnEachListsCount()
    {
        std::vector<Active> active;
        for (int id = 1; id <= 3000; ++id)
            active.push_back({QString::number(id), QStringLiteral("Center %1").arg(id), "1", "1/1/2000"});
        std::vector<Selected> selected;
        for (int id = 5001; id <= 6000; ++id)
            selected.push_back({QString::number(id), QStringLiteral("Center %1").arg(id), "0.05", "1"});
        FakeServerPage fake;
        fake.serveVendor(12, 0, active, selected);
        Vendor_Center control;
        control.resize(583, 348);
        QSignalSpy values(surfaceOf(control).prbLoad, &QProgressBar::valueChanged);
        control.LetDataFromDatabase(12, fake.baseUrl());

        QList<int> shown;
        for (const QList<QVariant> &signal : values)
            shown << signal.at(0).toInt();
        QCOMPARE(shown.takeLast(), 0);
        QCOMPARE(shown.last(), 4000);
        QVERIFY(shown.contains(2999)); // the active list's last row, once its rows are read
        QVERIFY2(shown.size() < 100, "the bar was set for every row");
        QVERIFY(std::is_sorted(shown.begin(), shown.end()));
    }

    void nodesAreFoundByPositionSoCommentsShiftThem()
    {
        FakeServerPage fake;
        // A comment ahead of the duty default moves every count one place on.
        fake.setReply("/VendorCenter.asp?count=1&VendorID=4",
                      {200, "<r><a><b><!--1--><x>0</x><y>2</y><z>9</z></b></a></r>"});
        // A comment at the root's first place moves the rows holder out of reach:
        // position 1 is then the empty <Vendor/>.
        fake.setReply("/VendorCenter.asp?active=1&VendorID=4",
                      {200, "<r><!--x--><Vendor/><Centers><c><i>1</i><n>A</n><k>2</k></c></Centers></r>"});
        // Element names never matter, and text between elements counts as a node.
        fake.setReply("/VendorCenter.asp?selected=1&VendorID=4",
                      {200, "<q>text<w/><rows><row><a>8</a><b>B</b><c>0.05</c><d>1</d></row></rows></q>"});
        Vendor_Center control;
        EventLogCapture log;
        control.LetDataFromDatabase(4, fake.baseUrl());
        QVERIFY2(log.entries.isEmpty(), qPrintable(log.entries.join('\n')));
        const ControlState &state = controlState(control);
        QCOMPARE(state.miDutyDefault, 1);
        QCOMPARE(state.miNonSelectedCount, 0);
        QCOMPARE(state.miSelectedCount, 2);
        QCOMPARE(surfaceOf(control).lstCenters->count(), 0);
        QCOMPARE(column(surfaceOf(control).lstSelectedCenters, ColHandlingFee), QStringList({"5.0"}));
    }

    void activeFieldsTakeTheLastChildAndMayBeEmpty()
    {
        FakeServerPage fake;
        fake.setReply("/VendorCenter.asp?count=1&VendorID=5", {200, FakeServerPage::countsXml("1", "1", "0")});
        fake.setReply("/VendorCenter.asp?active=1&VendorID=5",
                      {200, "<r><v/><rows><c><i>31</i><n/><k>2</k><f>12.5</f><d>x</d><t>one<!--two--></t></c></rows></r>"});
        fake.setReply("/VendorCenter.asp?selected=1&VendorID=5", {200, FakeServerPage::selectedXml({})});
        Vendor_Center control;
        EventLogCapture log;
        control.LetDataFromDatabase(5, fake.baseUrl());
        QVERIFY2(log.entries.isEmpty(), qPrintable(log.entries.join('\n')));
        const CenterRow &row = surfaceOf(control).lstCenters->row(0);
        QCOMPARE(row.name(), QString());
        QCOMPARE(row.handlingFee(), QStringLiteral("8.00")); // the reply's fee is overwritten
        QCOMPARE(row.duty(), QStringLiteral("1"));
        QCOMPARE(row.dateUpdated(), QStringLiteral("two")); // the last child node wins
    }

    void aFailedLoadWritesOneEventLogEntryAndKeepsWhatItLoaded_data()
    {
        QTest::addColumn<QByteArray>("activeReply");
        QTest::addColumn<QByteArray>("selectedReply");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("activeRows");
        QTest::addColumn<int>("selectedRows");

        const QByteArray goodActive = FakeServerPage::activeXml(kActive);
        QTest::newRow("malformed XML") << QByteArray("<r><unclosed></r>") << QByteArray()
                                       << "91: Object variable or With block variable not set" << 0 << 0;
        QTest::newRow("selected row without a name")
            << goodActive << QByteArray("<r><a/><b/><rows><row><i>5</i><n/><f>0.1</f><d>1</d></row></rows></r>")
            << "91: Object variable or With block variable not set" << 3 << 1;
        QTest::newRow("fee that is not a number")
            << goodActive << FakeServerPage::selectedXml({{"5", "Central", "cheap", "1"}})
            << "13: Type mismatch" << 3 << 1;
        QTest::newRow("flag that is neither word nor number")
            << goodActive << FakeServerPage::selectedXml({{"5", "Central", "0.1", "maybe"}})
            << "13: Type mismatch" << 3 << 1;
        QTest::newRow("country id that is not a number")
            << FakeServerPage::activeXml({{"1", "A", "2", ""}, {"2", "B", "two", ""}, {"3", "C", "2", ""}})
            << QByteArray() << "13: Type mismatch" << 2 << 0;
        QTest::newRow("active row with eight fields")
            << QByteArray("<r><v/><rows><c><i>1</i><n>A</n><k>2</k><a/><b/><c/><d/><e>x</e></c></rows></r>")
            << QByteArray() << "380: Invalid property value" << 1 << 0;
        QTest::newRow("root without the rows holder") << QByteArray("<r><v/></r>") << QByteArray()
                                                      << "91: Object variable or With block variable not set" << 0
                                                      << 0;
    }

    void aFailedLoadWritesOneEventLogEntryAndKeepsWhatItLoaded()
    {
        QFETCH(QByteArray, activeReply);
        QFETCH(QByteArray, selectedReply);
        QFETCH(QString, entry);
        QFETCH(int, activeRows);
        QFETCH(int, selectedRows);

        FakeServerPage fake;
        fake.setReply("/VendorCenter.asp?count=1&VendorID=12", {200, FakeServerPage::countsXml("1", "3", "1")});
        fake.setReply("/VendorCenter.asp?active=1&VendorID=12", {200, activeReply});
        fake.setReply("/VendorCenter.asp?selected=1&VendorID=12", {200, selectedReply});
        Vendor_Center control;
        EventLogCapture log;
        MessageBoxWatcher boxes;
        ControlSurface &ui = surfaceOf(control);
        ui.cmdCommit->setEnabled(true);

        control.LetDataFromDatabase(12, fake.baseUrl());

        QCOMPARE(log.entries, QStringList{"KelvoVendor_Center LetDataFromDatabase : " + entry});
        QVERIFY(boxes.seen().isEmpty());
        QCOMPARE(control.cursor().shape(), Qt::ArrowCursor);
        QVERIFY(!ui.cmdCommit->isEnabled());
        QCOMPARE(ui.lstCenters->count(), activeRows);
        QCOMPARE(ui.lstSelectedCenters->count(), selectedRows);
        QVERIFY2(!ui.optList[1]->isEnabled(), "the failed list's post-load steps are skipped");
    }

    void anUnreachableServerLeavesEmptyListsAndTheOldLabels()
    {
        FakeServerPage fake;
        fake.serveVendor(12, 0, kActive, kSelected);
        Vendor_Center control;
        control.LetDataFromDatabase(12, fake.baseUrl());
        EventLogCapture log;

        control.LetDataFromDatabase(12, unusedBaseUrl());

        QCOMPARE(log.entries, QStringList{"KelvoVendor_Center LetDataFromDatabase : 91: Object variable or With block "
                                          "variable not set"});
        ControlSurface &ui = surfaceOf(control);
        QCOMPARE(ui.lstCenters->count(), 0);
        QCOMPARE(ui.lstSelectedCenters->count(), 0);
        QCOMPARE(ui.lblAllVendors->text(), QStringLiteral("Non Selected Active Centers (3):"));
        QCOMPARE(control.cursor().shape(), Qt::ArrowCursor);
    }

    void errorStatusesAndAnEmptyServerBaseFailTheLoad()
    {
        EventLogCapture log;
        Vendor_Center control;
        control.LetDataFromDatabase(12); // no server base was ever given
        QCOMPARE(log.entries.size(), 1);

        FakeServerPage fake;
        fake.setReply("/VendorCenter.asp?count=1&VendorID=12",
                      {500, FakeServerPage::countsXml("1", "1", "1"), "text/xml"});
        control.LetDataFromDatabase(12, fake.baseUrl());
        QCOMPARE(log.entries.size(), 2);
        QCOMPARE(fake.requests().size(), 1); // no list query after the counts failed
    }

    void anEmptyServerBaseReusesThePreviousOne()
    {
        FakeServerPage first;
        first.serveVendor(12, 0, kActive, kSelected);
        first.serveVendor(13, 0, {}, kSelected);
        FakeServerPage second;
        second.serveVendor(13, 0, kActive, {});
        Vendor_Center control;
        control.LetDataFromDatabase(12, first.baseUrl());
        control.LetDataFromDatabase(13);
        QCOMPARE(first.requests().size(), 6);
        QCOMPARE(surfaceOf(control).lstSelectedCenters->count(), 2);
        control.LetDataFromDatabase(13, second.baseUrl());
        QCOMPARE(controlState(control).mtServerName, second.baseUrl());
        QCOMPARE(surfaceOf(control).lstSelectedCenters->count(), 0);
        QCOMPARE(surfaceOf(control).lstCenters->count(), 3);
    }

    void aReloadDiscardsPendingMarks()
    {
        FakeServerPage fake;
        fake.serveVendor(12, 0, kActive, kSelected);
        Vendor_Center control;
        control.LetDataFromDatabase(12, fake.baseUrl());
        surfaceOf(control).lstSelectedCenters->setSubItem(0, ColDuty, QStringLiteral("0U"));
        control.LetDataFromDatabase(12);
        QCOMPARE(column(surfaceOf(control).lstSelectedCenters, ColDuty), QStringList({"0", "1"}));
    }

    // Another user may add centers between the count and the list queries.
    void rowsBeyondTheAnnouncedCountsStillLoad()
    {
        FakeServerPage fake;
        fake.serveVendor(12, 0, kActive, kSelected);
        fake.setReply("/VendorCenter.asp?count=1&VendorID=12", {200, FakeServerPage::countsXml("0", "1", "1")});
        Vendor_Center control;
        EventLogCapture log;
        control.LetDataFromDatabase(12, fake.baseUrl());
        QVERIFY(log.entries.isEmpty());
        ControlSurface &ui = surfaceOf(control);
        QCOMPARE(ui.lstCenters->count(), 3);
        QCOMPARE(ui.lstSelectedCenters->count(), 2);
        QCOMPARE(ui.lblAllVendors->text(), QStringLiteral("Non Selected Active Centers (1):"));
        QCOMPARE(ui.prbLoad->value(), 0);
        QVERIFY(ui.optList[1]->isEnabled());
    }

    void aVendorWithoutCentersLoadsAndKeepsAUsableBar()
    {
        FakeServerPage fake;
        fake.serveVendor(99, 0, {}, {});
        Vendor_Center control;
        EventLogCapture log;
        control.LetDataFromDatabase(99, fake.baseUrl());
        QVERIFY(log.entries.isEmpty());
        ControlSurface &ui = surfaceOf(control);
        QVERIFY(ui.prbLoad->maximum() > ui.prbLoad->minimum());
        QCOMPARE(ui.prbLoad->value(), 0);
        QCOMPARE(ui.lblSelVendors->text(), QStringLiteral("Selected Centers (0):"));
        QVERIFY(ui.optList[0]->isEnabled());
    }

    void countsThatOverflowSixteenBitsFailTheLoad()
    {
        FakeServerPage fake;
        fake.serveVendor(12, 0, kActive, kSelected);
        fake.setReply("/VendorCenter.asp?count=1&VendorID=12", {200, FakeServerPage::countsXml("0", "20000", "20000")});
        Vendor_Center control;
        EventLogCapture log;
        control.LetDataFromDatabase(12, fake.baseUrl());
        QCOMPARE(log.entries, QStringList{"KelvoVendor_Center LetDataFromDatabase : 6: Overflow"});
        QCOMPARE(surfaceOf(control).lblAllVendors->text(), QStringLiteral("Non Selected Active Centers:"));
    }

    void regionalSettingsReadAndWriteTheNumbers()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        FakeServerPage fake;
        fake.serveVendor(12, 0, {{"7", "Ost", "2", ""}}, {{"5", "Mitte", "0,125", "1"}, {"6", "Nord", "0.05", "1"}});
        Vendor_Center control;
        EventLogCapture log;
        control.LetDataFromDatabase(12, fake.baseUrl());
        QVERIFY2(log.entries.isEmpty(), qPrintable(log.entries.join('\n')));
        QCOMPARE(surfaceOf(control).lstCenters->row(0).handlingFee(), QStringLiteral("8,00"));
        QCOMPARE(surfaceOf(control).lstSelectedCenters->row(0).handlingFee(), QStringLiteral("12,5"));
        // A server that writes a point is read the same under a comma setting.
        QCOMPARE(surfaceOf(control).lstSelectedCenters->row(1).handlingFee(), QStringLiteral("5,0"));
    }
};

QTEST_MAIN(LoadTest)
#include "LoadTest.moc"
