#include "FakeServerPage.h"
#include "MessageBoxWatcher.h"

#include "control/CenterListView.h"
#include "control/LoadProgressBar.h"
#include "control/VendorCenterPrivate.h"
#include "editing/Marks.h"
#include "server/InternetTransfer.h"

#include <vendorcenter/Vendor_Center.h>

#include <QPushButton>
#include <QTcpServer>
#include <QtTest>

using namespace vendorcenter;

namespace {

const QByteArray kInsert7 =
    "INSERT+INTO+VendorCenterCrossReference+%28VendorID%2CCenterID%2CCenterHandlingFee%2CDutyBrokerageFee%2C"
    "RecordLastUpdated%29+VALUES+%2812%2C7%2C0.08%2C1%2CGETDATE%28%29+%29+";
const QByteArray kUpdate9 = "UPDATE+VendorCenterCrossReference+SET+CenterHandlingFee%3D+0.05%2C+DutyBrokerageFee%3D+0"
                            "%2C+RecordLastUpdated+%3D+GETDATE%28%29++WHERE+CenterID+%3D+9+AND+vendorID+%3D+12";
const QByteArray kDelete35 = "DELETE+FROM+VENDORCENTERCROSSREFERENCE+WHERE+VendorID%3D12+AND+CenterID+IN%283%2C5%29";

const QByteArray kGetCount = "/VendorCenter.asp?count=1&VendorID=12";
const QByteArray kGetActive = "/VendorCenter.asp?active=1&VendorID=12";
const QByteArray kGetSelected = "/VendorCenter.asp?selected=1&VendorID=12";

CenterRow makeRow(const QString &id, const QString &fee, const QString &duty)
{
    CenterRow row;
    row.id = id;
    row.subItem(ColName) = QStringLiteral("Center ") + id;
    row.subItem(ColHandlingFee) = fee;
    row.subItem(ColDuty) = duty;
    row.subItem(ColSortKey) = marks::sortKeyFor(id);
    return row;
}

int positionOf(CenterListView *list, const QString &id)
{
    const std::optional<int> position = list->findItem(id);
    return position ? *position : -1;
}

QStringList dutiesOf(CenterListView *list)
{
    QStringList duties;
    for (int position = 0; position < list->count(); ++position)
        duties << list->text(position) + QLatin1Char(':') + list->subItem(position, ColDuty);
    return duties;
}

QList<QByteArray> methodsAndTargets(const FakeServerPage &fake)
{
    QList<QByteArray> seen;
    for (const FakeServerPage::Request &request : fake.requests())
        seen << request.method + ' ' + request.target;
    return seen;
}

QString closedPortUrl()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

// A control loaded for vendor 12 from the fake page: centers 3, 5 and 11 not
// selected, 9 selected (fee 5.0, duty 0).
struct LoadedControl
{
    FakeServerPage fake;
    Vendor_Center control;
    ControlSurface &ui = surfaceOf(control);

    LoadedControl()
    {
        fake.serveVendor(12, 1,
                         {{"3", "Three", "2", "01/02/2024"},
                          {"5", "Five", "2", "01/02/2024"},
                          {"11", "Eleven", "2", "01/02/2024"}},
                         {{"9", "Nine", "0.05", "0"}});
        control.LetDataFromDatabase(12, fake.baseUrl());
        fake.clearRequests();
        control.show();
    }

    bool loadedAsServed() const
    {
        return ui.lstCenters->count() == 3 && ui.lstSelectedCenters->count() == 1;
    }

    // The marks of the worked example: 7 newly selected, 9's fee changed,
    // 3 and 5 deselected.
    void markTheExample()
    {
        ui.lstSelectedCenters->addRow(makeRow(QStringLiteral("7"), QStringLiteral("8.00"), QStringLiteral("1N")));
        ui.lstSelectedCenters->setSubItem(positionOf(ui.lstSelectedCenters, QStringLiteral("9")), ColDuty,
                                          QStringLiteral("0U"));
        ui.lstCenters->setSubItem(positionOf(ui.lstCenters, QStringLiteral("3")), ColDuty, QStringLiteral("1D"));
        ui.lstCenters->setSubItem(positionOf(ui.lstCenters, QStringLiteral("5")), ColDuty, QStringLiteral("1D"));
    }

    void clickCommit()
    {
        ui.cmdCommit->setEnabled(true);
        QTest::mouseClick(ui.cmdCommit, Qt::LeftButton);
    }

    InternetTransfer &inet() { return *privateOf(control).Inet1; }
};

} // namespace

class SaveCommitTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void commitPostsTheExampleAndReloadsWithoutMarks();
    void onlyRemovalsSendOneDelete();
    void nothingMarkedSendsNothingButCommitStillReloads();
    void saveRunsUnderTheBusyPointer();
    void replyIsShownAsTheServerSentIt_data();
    void replyIsShownAsTheServerSentIt();
    void rowsThatCannotBeWrittenFailBeforeSending_data();
    void rowsThatCannotBeWrittenFailBeforeSending();
    void failedRequestKeepsTheMarksForARetry();
    void serverRefusalKeepsTheMarksForARetry();
    void saveWithoutServerBaseFailsBeforeSending();
    void commaDecimalLocaleStillSendsAPoint();
};

void SaveCommitTest::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void SaveCommitTest::cleanup()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void SaveCommitTest::commitPostsTheExampleAndReloadsWithoutMarks()
{
    LoadedControl loaded;
    QVERIFY(loaded.loadedAsServed());
    QVERIFY(QTest::qWaitForWindowExposed(&loaded.control));
    loaded.fake.setPostReply({200, "3 changes saved for vendor 12.", "text/plain; charset=utf-8"});
    loaded.markTheExample();
    MessageBoxWatcher watcher;

    loaded.clickCommit();

    QCOMPARE(methodsAndTargets(loaded.fake),
             (QList<QByteArray>{"POST /VendorCenter.asp", "GET " + kGetCount, "GET " + kGetActive,
                                "GET " + kGetSelected}));
    const FakeServerPage::Request &post = loaded.fake.requests().first();
    QCOMPARE(post.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
    QCOMPARE(post.body, "SQL=" + kInsert7 + "&SQL=" + kUpdate9 + "&SQL=" + kDelete35 + "&");

    QCOMPARE(watcher.seen().size(), 1);
    QCOMPARE(watcher.seen().first().text, QStringLiteral("3 changes saved for vendor 12."));
    QCOMPARE(watcher.seen().first().title, QStringLiteral("Vendor Center Cross Reference"));
    QCOMPARE(watcher.seen().first().icon, QMessageBox::Information);

    // The reload brought the server's rows back, none of them marked.
    QCOMPARE(dutiesOf(loaded.ui.lstSelectedCenters), QStringList{QStringLiteral("9:0")});
    QCOMPARE(dutiesOf(loaded.ui.lstCenters),
             (QStringList{QStringLiteral("3:1"), QStringLiteral("5:1"), QStringLiteral("11:1")}));
    QVERIFY(!loaded.ui.cmdCommit->isEnabled());
    QCOMPARE(loaded.ui.prbLoad->value(), 0);
    QCOMPARE(loaded.control.cursor().shape(), Qt::ArrowCursor);
}

void SaveCommitTest::onlyRemovalsSendOneDelete()
{
    LoadedControl loaded;
    QVERIFY(loaded.loadedAsServed());
    loaded.ui.lstCenters->setSubItem(positionOf(loaded.ui.lstCenters, QStringLiteral("3")), ColDuty,
                                     QStringLiteral("1D"));
    loaded.ui.lstCenters->setSubItem(positionOf(loaded.ui.lstCenters, QStringLiteral("5")), ColDuty,
                                     QStringLiteral("1DU"));
    MessageBoxWatcher watcher;

    loaded.control.SaveToDatabase();

    QCOMPARE(methodsAndTargets(loaded.fake), QList<QByteArray>{"POST /VendorCenter.asp"});
    QCOMPARE(loaded.fake.requests().first().body, "SQL=" + kDelete35 + "&");
    // The host's own save leaves the marks: only a reload clears them.
    QCOMPARE(loaded.ui.lstCenters->subItem(positionOf(loaded.ui.lstCenters, QStringLiteral("3")), ColDuty),
             QStringLiteral("1D"));
}

void SaveCommitTest::nothingMarkedSendsNothingButCommitStillReloads()
{
    LoadedControl loaded;
    QVERIFY(loaded.loadedAsServed());
    QVERIFY(QTest::qWaitForWindowExposed(&loaded.control));
    MessageBoxWatcher watcher;

    loaded.control.SaveToDatabase();
    QVERIFY(loaded.fake.requests().isEmpty());
    QCOMPARE(loaded.control.cursor().shape(), Qt::ArrowCursor);

    loaded.clickCommit();
    QCOMPARE(methodsAndTargets(loaded.fake),
             (QList<QByteArray>{"GET " + kGetCount, "GET " + kGetActive, "GET " + kGetSelected}));
    QVERIFY(watcher.seen().isEmpty());
    for (QPushButton *button : {loaded.ui.cmdAdd, loaded.ui.cmdAddAll, loaded.ui.cmdDelete, loaded.ui.cmdRemoveAll,
                                loaded.ui.cmdCommit})
        QVERIFY2(!button->isEnabled(), qPrintable(button->objectName()));
}

void SaveCommitTest::saveRunsUnderTheBusyPointer()
{
    LoadedControl loaded;
    QVERIFY(loaded.loadedAsServed());
    loaded.markTheExample();
    MessageBoxWatcher watcher;
    QList<Qt::CursorShape> shapes;
    connect(&loaded.inet(), &InternetTransfer::StateChanged, this,
            [&] { shapes << loaded.control.cursor().shape(); });

    loaded.control.SaveToDatabase();

    QCOMPARE(shapes, QList<Qt::CursorShape>{Qt::WaitCursor});
    QCOMPARE(loaded.control.cursor().shape(), Qt::ArrowCursor);
}

void SaveCommitTest::replyIsShownAsTheServerSentIt_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("shown");

    QByteArray longReply;
    for (int i = 0; i < 2'500; ++i)
        longReply += static_cast<char>('A' + i % 26);
    longReply[1'023] = '\n';
    longReply[1'024] = ' ';
    QTest::newRow("2,500 characters") << longReply << true;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("blanks only") << QByteArray("     ") << false;
    QTest::newRow("a line break only") << QByteArray("\r\n") << true;
    QTest::newRow("a tab only") << QByteArray("\t") << true;
    QTest::newRow("blanks kept at the ends") << QByteArray("  saved  ") << true;
    QTest::newRow("markup is text") << QByteArray("<b>3</b> changes saved") << true;
    QTest::newRow("UTF-8") << QByteArray("Gr\xc3\xb6\xc3\x9f" "e gespeichert") << true;
}

void SaveCommitTest::replyIsShownAsTheServerSentIt()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, shown);
    LoadedControl loaded;
    QVERIFY(loaded.loadedAsServed());
    loaded.fake.setPostReply({200, reply, "text/plain; charset=utf-8"});
    loaded.markTheExample();
    MessageBoxWatcher watcher;

    loaded.control.SaveToDatabase();

    QCOMPARE(loaded.fake.requests().size(), 1);
    if (!shown) {
        QVERIFY(watcher.seen().isEmpty());
        return;
    }
    QCOMPARE(watcher.seen().size(), 1);
    QCOMPARE(watcher.seen().first().text, QString::fromUtf8(reply));
    QCOMPARE(watcher.seen().first().title, QStringLiteral("Vendor Center Cross Reference"));
    QCOMPARE(watcher.seen().first().icon, QMessageBox::Information);
}

void SaveCommitTest::rowsThatCannotBeWrittenFailBeforeSending_data()
{
    QTest::addColumn<bool>("inSelectedList");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("fee");
    QTest::addColumn<QString>("duty");

    QTest::newRow("fee not a number") << true << QStringLiteral("7") << QStringLiteral("eight") << QStringLiteral("1N");
    QTest::newRow("fee empty") << true << QStringLiteral("7") << QString() << QStringLiteral("0U");
    QTest::newRow("id with SQL in it, inserted")
        << true << QStringLiteral("7,1,1,GETDATE()); DROP TABLE Vendors; --") << QStringLiteral("8.00")
        << QStringLiteral("1N");
    QTest::newRow("id with SQL in it, updated") << true << QStringLiteral("9 OR 1=1") << QStringLiteral("8.00")
                                                << QStringLiteral("1U");
    QTest::newRow("id with SQL in it, deleted") << false << QStringLiteral("3) OR (1=1") << QString()
                                                << QStringLiteral("1D");
}

void SaveCommitTest::rowsThatCannotBeWrittenFailBeforeSending()
{
    QFETCH(bool, inSelectedList);
    QFETCH(QString, id);
    QFETCH(QString, fee);
    QFETCH(QString, duty);
    LoadedControl loaded;
    QVERIFY(loaded.loadedAsServed());
    QVERIFY(QTest::qWaitForWindowExposed(&loaded.control));
    loaded.markTheExample();
    CenterListView *list = inSelectedList ? loaded.ui.lstSelectedCenters : loaded.ui.lstCenters;
    list->addRow(makeRow(id, fee, duty));
    const QStringList marksBefore = dutiesOf(list);
    MessageBoxWatcher watcher;

    loaded.clickCommit();

    QVERIFY(loaded.fake.requests().isEmpty()); // neither the post nor a reload
    QCOMPARE(watcher.seen().size(), 1);
    QCOMPARE(watcher.seen().first().text, QStringLiteral("Error Occoured"));
    QCOMPARE(watcher.seen().first().title, QStringLiteral("Information"));
    QCOMPARE(watcher.seen().first().icon, QMessageBox::Critical);
    QCOMPARE(dutiesOf(list), marksBefore);
    QVERIFY(loaded.ui.cmdCommit->isEnabled());
    QVERIFY(!loaded.ui.cmdAdd->isEnabled());
    QCOMPARE(loaded.control.cursor().shape(), Qt::ArrowCursor);
}

void SaveCommitTest::failedRequestKeepsTheMarksForARetry()
{
    LoadedControl loaded;
    QVERIFY(loaded.loadedAsServed());
    QVERIFY(QTest::qWaitForWindowExposed(&loaded.control));
    loaded.markTheExample();
    const QStringList selectedBefore = dutiesOf(loaded.ui.lstSelectedCenters);
    const QStringList othersBefore = dutiesOf(loaded.ui.lstCenters);
    const QString workingBase = loaded.fake.baseUrl();
    privateOf(loaded.control).state.mtServerName = closedPortUrl();
    MessageBoxWatcher watcher;

    loaded.clickCommit();

    QCOMPARE(watcher.seen().size(), 1);
    QCOMPARE(watcher.seen().first().text, QStringLiteral("Error During saving to Database"));
    QCOMPARE(watcher.seen().first().icon, QMessageBox::NoIcon);
    QVERIFY(watcher.seen().first().title.isEmpty());
    QCOMPARE(dutiesOf(loaded.ui.lstSelectedCenters), selectedBefore);
    QCOMPARE(dutiesOf(loaded.ui.lstCenters), othersBefore);
    QVERIFY(loaded.ui.cmdCommit->isEnabled());
    QCOMPARE(loaded.control.cursor().shape(), Qt::ArrowCursor);

    // A timed-out request is a failed request as well.
    privateOf(loaded.control).state.mtServerName = workingBase;
    loaded.fake.setPostReply({200, "", "text/plain", FakeServerPage::Behaviour::NeverAnswer});
    loaded.inet().setTimeoutMs(300);
    watcher.clear();
    loaded.clickCommit();
    QCOMPARE(methodsAndTargets(loaded.fake), QList<QByteArray>{"POST /VendorCenter.asp"});
    QCOMPARE(watcher.texts(), QStringList{QStringLiteral("Error During saving to Database")});
    QCOMPARE(dutiesOf(loaded.ui.lstSelectedCenters), selectedBefore);
    QVERIFY(loaded.ui.cmdCommit->isEnabled());

    // The retry goes through, and only then are the lists reloaded.
    loaded.fake.setPostReply({200, "3 changes saved for vendor 12.", "text/plain"});
    loaded.fake.clearRequests();
    watcher.clear();
    loaded.clickCommit();
    QCOMPARE(methodsAndTargets(loaded.fake),
             (QList<QByteArray>{"POST /VendorCenter.asp", "GET " + kGetCount, "GET " + kGetActive,
                                "GET " + kGetSelected}));
    QCOMPARE(loaded.fake.requests().first().body, "SQL=" + kInsert7 + "&SQL=" + kUpdate9 + "&SQL=" + kDelete35 + "&");
    QCOMPARE(dutiesOf(loaded.ui.lstSelectedCenters), QStringList{QStringLiteral("9:0")});
}

void SaveCommitTest::serverRefusalKeepsTheMarksForARetry()
{
    LoadedControl loaded;
    QVERIFY(loaded.loadedAsServed());
    QVERIFY(QTest::qWaitForWindowExposed(&loaded.control));
    loaded.markTheExample();
    const QStringList selectedBefore = dutiesOf(loaded.ui.lstSelectedCenters);
    loaded.fake.setPostReply({400, "Statement 2 rejected: not a statement this page runs.", "text/plain"});
    MessageBoxWatcher watcher;

    loaded.clickCommit();

    QCOMPARE(methodsAndTargets(loaded.fake), QList<QByteArray>{"POST /VendorCenter.asp"});
    QCOMPARE(watcher.seen().size(), 1);
    QCOMPARE(watcher.seen().first().text, QStringLiteral("Statement 2 rejected: not a statement this page runs."));
    QCOMPARE(watcher.seen().first().title, QStringLiteral("Vendor Center Cross Reference"));
    QCOMPARE(dutiesOf(loaded.ui.lstSelectedCenters), selectedBefore);
    QVERIFY(loaded.ui.cmdCommit->isEnabled());
}

void SaveCommitTest::saveWithoutServerBaseFailsBeforeSending()
{
    Vendor_Center control;
    ControlSurface &ui = surfaceOf(control);
    ui.lstSelectedCenters->addRow(makeRow(QStringLiteral("7"), QStringLiteral("8.00"), QStringLiteral("1N")));
    MessageBoxWatcher watcher;

    control.SaveToDatabase();

    QCOMPARE(watcher.texts(), QStringList{QStringLiteral("Error Occoured")});
    QVERIFY(!privateOf(control).Inet1->StillExecuting());
}

void SaveCommitTest::commaDecimalLocaleStillSendsAPoint()
{
    LoadedControl loaded;
    QVERIFY(loaded.loadedAsServed());
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    // Fee texts as the user's regional settings write them.
    const int nine = positionOf(loaded.ui.lstSelectedCenters, QStringLiteral("9"));
    loaded.ui.lstSelectedCenters->setSubItem(nine, ColHandlingFee, QStringLiteral("5,0"));
    loaded.ui.lstSelectedCenters->setSubItem(nine, ColDuty, QStringLiteral("0U"));
    loaded.ui.lstSelectedCenters->addRow(makeRow(QStringLiteral("7"), QStringLiteral("8,00"), QStringLiteral("1N")));
    MessageBoxWatcher watcher;

    loaded.control.SaveToDatabase();

    QCOMPARE(loaded.fake.requests().size(), 1);
    QCOMPARE(loaded.fake.requests().first().body, "SQL=" + kInsert7 + "&SQL=" + kUpdate9 + "&");
}

QTEST_MAIN(SaveCommitTest)
#include "save_commit_test.moc"
