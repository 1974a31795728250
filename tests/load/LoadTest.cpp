#include "FakeServerPage.h"
#include "MessageBoxWatcher.h"

#include "widget/CenterListView.h"
#include "widget/LoadProgressBar.h"
#include "widget/VendorCenterPrivate.h"

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

const QByteArray kCountsQuery = "/VendorCenter.asp?count=1&VendorID=12";
const QByteArray kActiveQuery = "/VendorCenter.asp?active=1&VendorID=12";
const QByteArray kSelectedQuery = "/VendorCenter.asp?selected=1&VendorID=12";
const QString kNotSet = QStringLiteral("91: Object variable or With block variable not set");

QString logEntry(const QString &error)
{
    return QStringLiteral("KelvoVendor_Center LetDataFromDatabase : ") + error;
}

QStringList column(const CenterListView *list, int c)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->row(i).column(c);
    return out;
}

// Each row as its seven columns joined by "|".
QStringList rowsOf(const CenterListView *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i) {
        QStringList columns;
        for (int c = 0; c < CenterColumnCount; ++c)
            columns << list->row(i).column(c);
        out << columns.join(QLatin1Char('|'));
    }
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

// A control, the page it loads from and its event log.
struct LoadFixture
{
    FakeServerPage fake;
    Vendor_Center control;
    ControlSurface &ui = surfaceOf(control);
    EventLogCapture log;

    void load(qint32 vendorId) { control.LetDataFromDatabase(vendorId, fake.baseUrl()); }
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
        LoadFixture f;
        f.fake.serveVendor(12, 1, kActive, kSelected);
        MessageBoxWatcher boxes;

        QVERIFY(!f.control.LetDataFromDatabase(12, f.fake.baseUrl()).isValid());

        QCOMPARE(f.fake.requestTargets(), QList<QByteArray>({kCountsQuery, kActiveQuery, kSelectedQuery}));
        for (const auto &request : f.fake.requests())
            QCOMPARE(request.method, QByteArray("GET"));
        QVERIFY(f.log.entries.isEmpty());
        QVERIFY(boxes.seen().isEmpty());

        const ControlSurface &ui = f.ui;
        // Sorted by the padded id, so 7 < 12 < 123.
        QCOMPARE(rowsOf(ui.lstCenters), QStringList({"7|Warehouse East|2|8.00|1|12/01/2026 10:00:00|0007",
                                                     "12|Smith & Sons <North>|3|8.00|0|11/30/2026 08:15:00|0012",
                                                     "123|Lakeside Depot|2|8.00|1||0123"}));
        QCOMPARE(rowsOf(ui.lstSelectedCenters),
                 QStringList({"5|Central Hub||12.5|0||0005", "9|Harbor Logistics||10.0|1||0009"}));

        QCOMPARE(ui.lblAllVendors->text(), QStringLiteral("Non Selected Active Centers (3):"));
        QCOMPARE(ui.lblSelVendors->text(), QStringLiteral("Selected Centers (2):"));
        const ControlState &state = controlState(f.control);
        QCOMPARE(state.serverName, f.fake.baseUrl());
        QCOMPARE((QList<int>{state.vendorId, state.dutyDefault, state.nonSelectedCount, state.selectedCount}),
                 (QList<int>{12, 1, 3, 2}));

        QVERIFY(!ui.cmdCommit->isEnabled());
        QCOMPARE(f.control.cursor().shape(), Qt::ArrowCursor);
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
        LoadFixture f;
        // A comment ahead of the duty default moves every count one place on.
        f.fake.setReply("/VendorCenter.asp?count=1&VendorID=4",
                        {200, "<r><a><b><!--1--><x>0</x><y>2</y><z>9</z></b></a></r>"});
        // A comment at the root's first place moves the rows holder out of reach:
        // position 1 is then the empty <Vendor/>.
        f.fake.setReply("/VendorCenter.asp?active=1&VendorID=4",
                        {200, "<r><!--x--><Vendor/><Centers><c><i>1</i><n>A</n><k>2</k></c></Centers></r>"});
        // Element names never matter, and text between elements counts as a node.
        f.fake.setReply("/VendorCenter.asp?selected=1&VendorID=4",
                        {200, "<q>text<w/><rows><row><a>8</a><b>B</b><c>0.05</c><d>1</d></row></rows></q>"});
        f.load(4);
        QVERIFY2(f.log.entries.isEmpty(), qPrintable(f.log.entries.join('\n')));
        const ControlState &state = controlState(f.control);
        QCOMPARE((QList<int>{state.dutyDefault, state.nonSelectedCount, state.selectedCount}),
                 (QList<int>{1, 0, 2}));
        QCOMPARE(f.ui.lstCenters->count(), 0);
        QCOMPARE(column(f.ui.lstSelectedCenters, ColHandlingFee), QStringList({"5.0"}));
    }

    void activeFieldsTakeTheLastChildAndMayBeEmpty()
    {
        LoadFixture f;
        f.fake.setReply("/VendorCenter.asp?count=1&VendorID=5", {200, FakeServerPage::countsXml("1", "1", "0")});
        f.fake.setReply("/VendorCenter.asp?active=1&VendorID=5",
                        {200, "<r><v/><rows><c><i>31</i><n/><k>2</k><f>12.5</f><d>x</d><t>one<!--two--></t></c></rows></r>"});
        f.fake.setReply("/VendorCenter.asp?selected=1&VendorID=5", {200, FakeServerPage::selectedXml({})});
        f.load(5);
        QVERIFY2(f.log.entries.isEmpty(), qPrintable(f.log.entries.join('\n')));
        // No name; the reply's fee is overwritten; the last child node of the date wins.
        QCOMPARE(rowsOf(f.ui.lstCenters), QStringList{"31||2|8.00|1|two|0031"});
    }

    void aFailedLoadWritesOneEventLogEntryAndKeepsWhatItLoaded_data()
    {
        QTest::addColumn<QByteArray>("activeReply");
        QTest::addColumn<QByteArray>("selectedReply");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("activeRows");
        QTest::addColumn<int>("selectedRows");

        const QByteArray goodActive = FakeServerPage::activeXml(kActive);
        const QString mismatch = QStringLiteral("13: Type mismatch");
        QTest::newRow("malformed XML") << QByteArray("<r><unclosed></r>") << QByteArray() << kNotSet << 0 << 0;
        QTest::newRow("selected row without a name")
            << goodActive << QByteArray("<r><a/><b/><rows><row><i>5</i><n/><f>0.1</f><d>1</d></row></rows></r>")
            << kNotSet << 3 << 1;
        QTest::newRow("fee that is not a number")
            << goodActive << FakeServerPage::selectedXml({{"5", "Central", "cheap", "1"}}) << mismatch << 3 << 1;
        QTest::newRow("flag that is neither word nor number")
            << goodActive << FakeServerPage::selectedXml({{"5", "Central", "0.1", "maybe"}}) << mismatch << 3 << 1;
        QTest::newRow("country id that is not a number")
            << FakeServerPage::activeXml({{"1", "A", "2", ""}, {"2", "B", "two", ""}, {"3", "C", "2", ""}})
            << QByteArray() << mismatch << 2 << 0;
        QTest::newRow("active row with eight fields")
            << QByteArray("<r><v/><rows><c><i>1</i><n>A</n><k>2</k><a/><b/><c/><d/><e>x</e></c></rows></r>")
            << QByteArray() << QStringLiteral("380: Invalid property value") << 1 << 0;
        QTest::newRow("root without the rows holder") << QByteArray("<r><v/></r>") << QByteArray() << kNotSet << 0 << 0;
    }

    void aFailedLoadWritesOneEventLogEntryAndKeepsWhatItLoaded()
    {
        QFETCH(QByteArray, activeReply);
        QFETCH(QByteArray, selectedReply);
        QFETCH(QString, entry);
        QFETCH(int, activeRows);
        QFETCH(int, selectedRows);
        LoadFixture f;
        f.fake.setReply(kCountsQuery, {200, FakeServerPage::countsXml("1", "3", "1")});
        f.fake.setReply(kActiveQuery, {200, activeReply});
        f.fake.setReply(kSelectedQuery, {200, selectedReply});
        MessageBoxWatcher boxes;
        f.ui.cmdCommit->setEnabled(true);

        f.load(12);

        QCOMPARE(f.log.entries, QStringList{logEntry(entry)});
        QVERIFY(boxes.seen().isEmpty());
        QCOMPARE(f.control.cursor().shape(), Qt::ArrowCursor);
        QVERIFY(!f.ui.cmdCommit->isEnabled());
        QCOMPARE(f.ui.lstCenters->count(), activeRows);
        QCOMPARE(f.ui.lstSelectedCenters->count(), selectedRows);
        QVERIFY2(!f.ui.optList[1]->isEnabled(), "the failed list's post-load steps are skipped");
    }

    // No server base, an error status, counts past 16 bits and an unreachable
    // page: each fails at the counts, asks for no list, and leaves the lists
    // empty under the labels of the last good load.
    void countsThatCannotBeReadFailTheLoad()
    {
        EventLogCapture log;
        Vendor_Center control;
        const ControlSurface &ui = surfaceOf(control);
        control.LetDataFromDatabase(12); // no server base was ever given
        QCOMPARE(ui.lblAllVendors->text(), QStringLiteral("Non Selected Active Centers:"));

        FakeServerPage good;
        good.serveVendor(12, 0, kActive, kSelected);
        control.LetDataFromDatabase(12, good.baseUrl());
        FakeServerPage failing;
        failing.serveVendor(12, 0, kActive, kSelected);
        failing.setReply(kCountsQuery, {500, FakeServerPage::countsXml("1", "1", "1"), "text/xml"});
        control.LetDataFromDatabase(12, failing.baseUrl());
        failing.setReply(kCountsQuery, {200, FakeServerPage::countsXml("0", "20000", "20000")});
        control.LetDataFromDatabase(12);
        QCOMPARE(failing.requestTargets(), QList<QByteArray>({kCountsQuery, kCountsQuery}));
        control.LetDataFromDatabase(12, unusedBaseUrl());

        QCOMPARE(log.entries, QStringList({logEntry(kNotSet), logEntry(kNotSet), logEntry("6: Overflow"),
                                           logEntry(kNotSet)}));
        QCOMPARE(ui.lstCenters->count(), 0);
        QCOMPARE(ui.lstSelectedCenters->count(), 0);
        QCOMPARE(ui.lblAllVendors->text(), QStringLiteral("Non Selected Active Centers (3):"));
        QCOMPARE(ui.lblSelVendors->text(), QStringLiteral("Selected Centers (2):"));
        QCOMPARE(control.cursor().shape(), Qt::ArrowCursor);
    }

    // A reload keeps the server base unless given a new one, and drops the marks.
    void aReloadReusesTheServerBaseAndDiscardsPendingMarks()
    {
        FakeServerPage first;
        first.serveVendor(12, 0, kActive, kSelected);
        first.serveVendor(13, 0, {}, kSelected);
        FakeServerPage second;
        second.serveVendor(13, 0, kActive, {});
        Vendor_Center control;
        const ControlSurface &ui = surfaceOf(control);
        control.LetDataFromDatabase(12, first.baseUrl());
        ui.lstSelectedCenters->setSubItem(0, ColDuty, QStringLiteral("0U"));
        control.LetDataFromDatabase(13);
        QCOMPARE(first.requests().size(), 6);
        QCOMPARE(column(ui.lstSelectedCenters, ColDuty), QStringList({"0", "1"}));
        control.LetDataFromDatabase(13, second.baseUrl());
        QCOMPARE(controlState(control).serverName, second.baseUrl());
        QCOMPARE(ui.lstSelectedCenters->count(), 0);
        QCOMPARE(ui.lstCenters->count(), 3);
    }

    // Another user may add centers between the count and the list queries.
    void rowsBeyondTheAnnouncedCountsStillLoad()
    {
        LoadFixture f;
        f.fake.serveVendor(12, 0, kActive, kSelected);
        f.fake.setReply(kCountsQuery, {200, FakeServerPage::countsXml("0", "1", "1")});
        f.load(12);
        QVERIFY(f.log.entries.isEmpty());
        QCOMPARE(column(f.ui.lstCenters, ColDuty), QStringList({"0", "0", "0"})); // no duty by default
        QCOMPARE(f.ui.lstSelectedCenters->count(), 2);
        QCOMPARE(f.ui.lblAllVendors->text(), QStringLiteral("Non Selected Active Centers (1):"));
        QCOMPARE(f.ui.prbLoad->value(), 0);
        QVERIFY(f.ui.optList[1]->isEnabled());
    }

    void aVendorWithoutCentersLoadsAndKeepsAUsableBar()
    {
        LoadFixture f;
        f.fake.serveVendor(99, 0, {}, {});
        f.load(99);
        QVERIFY(f.log.entries.isEmpty());
        QVERIFY(f.ui.prbLoad->maximum() > f.ui.prbLoad->minimum());
        QCOMPARE(f.ui.prbLoad->value(), 0);
        QCOMPARE(f.ui.lblSelVendors->text(), QStringLiteral("Selected Centers (0):"));
        QVERIFY(f.ui.optList[0]->isEnabled());
    }

    void regionalSettingsReadAndWriteTheNumbers()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        LoadFixture f;
        f.fake.serveVendor(12, 0, {{"7", "Ost", "2", ""}}, {{"5", "Mitte", "0,125", "1"}, {"6", "Nord", "0.05", "1"}});
        f.load(12);
        QVERIFY2(f.log.entries.isEmpty(), qPrintable(f.log.entries.join('\n')));
        QCOMPARE(f.ui.lstCenters->row(0).handlingFee(), QStringLiteral("8,00"));
        // A server that writes a point is read the same under a comma setting.
        QCOMPARE(column(f.ui.lstSelectedCenters, ColHandlingFee), QStringList({"12,5", "5,0"}));
    }
};

QTEST_MAIN(LoadTest)
#include "LoadTest.moc"
