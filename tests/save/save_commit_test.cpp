#include "FakeServerPage.h"
#include "MessageBoxWatcher.h"

#include "widget/CenterListView.h"
#include "widget/LoadProgressBar.h"
#include "widget/VendorCenterPrivate.h"
#include "core/Marks.h"
#include "net/InternetTransfer.h"

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
const QByteArray kExampleBody = "SQL=" + kInsert7 + "&SQL=" + kUpdate9 + "&SQL=" + kDelete35 + "&";

const QList<QByteArray> kPostOnly{"POST /VendorCenter.asp"};
const QList<QByteArray> kReloadOnly{"GET /VendorCenter.asp?count=1&VendorID=12",
                                    "GET /VendorCenter.asp?active=1&VendorID=12",
                                    "GET /VendorCenter.asp?selected=1&VendorID=12"};
const QList<QByteArray> kPostAndReload = kPostOnly + kReloadOnly;

const QString kCaption = QStringLiteral("Vendor Center Cross Reference");

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

void setColumn(CenterListView *list, const QString &id, int column, const QString &text)
{
    list->setSubItem(list->findItem(id).value_or(-1), column, text);
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

// A message box as "icon|caption|text", so a whole box is compared at once.
QString box(QMessageBox::Icon icon, const QString &title, const QString &text)
{
    return QString::number(icon) + QLatin1Char('|') + title + QLatin1Char('|') + text;
}

QStringList boxesOf(const MessageBoxWatcher &watcher)
{
    QStringList boxes;
    for (const MessageBoxWatcher::Seen &seen : watcher.seen())
        boxes << box(seen.icon, seen.title, seen.text);
    return boxes;
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

    bool ready()
    {
        return ui.lstCenters->count() == 3 && ui.lstSelectedCenters->count() == 1
            && QTest::qWaitForWindowExposed(&control);
    }

    // The marks of the worked example: 7 newly selected, 9's fee changed,
    // 3 and 5 deselected.
    void markTheExample()
    {
        ui.lstSelectedCenters->addRow(makeRow(QStringLiteral("7"), QStringLiteral("8.00"), QStringLiteral("1N")));
        setColumn(ui.lstSelectedCenters, QStringLiteral("9"), ColDuty, QStringLiteral("0U"));
        setColumn(ui.lstCenters, QStringLiteral("3"), ColDuty, QStringLiteral("1D"));
        setColumn(ui.lstCenters, QStringLiteral("5"), ColDuty, QStringLiteral("1D"));
    }

    void clickCommit()
    {
        ui.cmdCommit->setEnabled(true);
        QTest::mouseClick(ui.cmdCommit, Qt::LeftButton);
    }

    Qt::CursorShape cursor() const { return control.cursor().shape(); }
    InternetTransfer &inet() { return *privateOf(control).transfer; }
};

} // namespace

class SaveCommitTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void commitPostsTheExampleUnderTheBusyPointerAndReloadsWithoutMarks()
    {
        LoadedControl loaded;
        QVERIFY(loaded.ready());
        loaded.fake.setPostReply({200, "3 changes saved for vendor 12.", "text/plain; charset=utf-8"});
        loaded.markTheExample();
        MessageBoxWatcher watcher;
        QList<Qt::CursorShape> shapesWhileSaving;
        connect(&loaded.inet(), &InternetTransfer::StateChanged, this,
                [&] { shapesWhileSaving << loaded.cursor(); });

        loaded.clickCommit();

        QCOMPARE(methodsAndTargets(loaded.fake), kPostAndReload);
        const FakeServerPage::Request &post = loaded.fake.requests().first();
        QCOMPARE(post.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
        QCOMPARE(post.body, kExampleBody);
        QCOMPARE(boxesOf(watcher),
                 QStringList{box(QMessageBox::Information, kCaption, QStringLiteral("3 changes saved for vendor 12."))});
        QCOMPARE(shapesWhileSaving, QList<Qt::CursorShape>{Qt::WaitCursor});
        // The reload brought the server's rows back, none of them marked.
        QCOMPARE(dutiesOf(loaded.ui.lstSelectedCenters), QStringList{QStringLiteral("9:0")});
        QCOMPARE(dutiesOf(loaded.ui.lstCenters), QStringList({"3:1", "5:1", "11:1"}));
        QVERIFY(!loaded.ui.cmdCommit->isEnabled());
        QCOMPARE(loaded.ui.prbLoad->value(), 0);
        QCOMPARE(loaded.cursor(), Qt::ArrowCursor);
    }

    void onlyRemovalsSendOneDelete()
    {
        LoadedControl loaded;
        QVERIFY(loaded.ready());
        setColumn(loaded.ui.lstCenters, QStringLiteral("3"), ColDuty, QStringLiteral("1D"));
        setColumn(loaded.ui.lstCenters, QStringLiteral("5"), ColDuty, QStringLiteral("1DU"));
        MessageBoxWatcher watcher;

        loaded.control.SaveToDatabase();

        QCOMPARE(methodsAndTargets(loaded.fake), kPostOnly);
        QCOMPARE(loaded.fake.requests().first().body, "SQL=" + kDelete35 + "&");
        // The host's own save leaves the marks: only a reload clears them.
        QCOMPARE(dutiesOf(loaded.ui.lstCenters), QStringList({"3:1D", "5:1DU", "11:1"}));
    }

    void nothingMarkedSendsNothingButCommitStillReloads()
    {
        LoadedControl loaded;
        QVERIFY(loaded.ready());
        MessageBoxWatcher watcher;

        loaded.control.SaveToDatabase();
        QVERIFY(loaded.fake.requests().isEmpty());
        QCOMPARE(loaded.cursor(), Qt::ArrowCursor);

        loaded.clickCommit();
        QCOMPARE(methodsAndTargets(loaded.fake), kReloadOnly);
        QVERIFY(watcher.seen().isEmpty());
        for (QPushButton *button : {loaded.ui.cmdAdd, loaded.ui.cmdAddAll, loaded.ui.cmdDelete, loaded.ui.cmdRemoveAll,
                                    loaded.ui.cmdCommit})
            QVERIFY2(!button->isEnabled(), qPrintable(button->objectName()));
    }

    void replyIsShownAsTheServerSentIt_data()
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

    void replyIsShownAsTheServerSentIt()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, shown);
        LoadedControl loaded;
        QVERIFY(loaded.ready());
        loaded.fake.setPostReply({200, reply, "text/plain; charset=utf-8"});
        loaded.markTheExample();
        MessageBoxWatcher watcher;

        loaded.control.SaveToDatabase();

        QCOMPARE(loaded.fake.requests().size(), 1);
        const QStringList expected{box(QMessageBox::Information, kCaption, QString::fromUtf8(reply))};
        QCOMPARE(boxesOf(watcher), shown ? expected : QStringList());
    }

    void rowsThatCannotBeWrittenFailBeforeSending_data()
    {
        QTest::addColumn<bool>("inSelectedList");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("fee");
        QTest::addColumn<QString>("duty");

        QTest::newRow("fee not a number") << true << "7" << "eight" << "1N";
        QTest::newRow("fee empty") << true << "7" << QString() << "0U";
        QTest::newRow("id with SQL in it, inserted")
            << true << "7,1,1,GETDATE()); DROP TABLE Vendors; --" << "8.00" << "1N";
        QTest::newRow("id with SQL in it, updated") << true << "9 OR 1=1" << "8.00" << "1U";
        QTest::newRow("id with SQL in it, deleted") << false << "3) OR (1=1" << QString() << "1D";
    }

    void rowsThatCannotBeWrittenFailBeforeSending()
    {
        QFETCH(bool, inSelectedList);
        QFETCH(QString, id);
        QFETCH(QString, fee);
        QFETCH(QString, duty);
        LoadedControl loaded;
        QVERIFY(loaded.ready());
        loaded.markTheExample();
        CenterListView *list = inSelectedList ? loaded.ui.lstSelectedCenters : loaded.ui.lstCenters;
        list->addRow(makeRow(id, fee, duty));
        const QStringList marksBefore = dutiesOf(list);
        MessageBoxWatcher watcher;

        loaded.clickCommit();

        QVERIFY(loaded.fake.requests().isEmpty()); // neither the post nor a reload
        QCOMPARE(boxesOf(watcher), QStringList{box(QMessageBox::Critical, "Information", "Error Occoured")});
        QCOMPARE(dutiesOf(list), marksBefore);
        QVERIFY(loaded.ui.cmdCommit->isEnabled());
        QVERIFY(!loaded.ui.cmdAdd->isEnabled());
        QCOMPARE(loaded.cursor(), Qt::ArrowCursor);
    }

    // An unreachable page, a silent one, a refusal and a missing server base
    // each keep the marks; the retry that goes through posts them all and
    // only then reloads the lists.
    void failedSavesKeepTheMarksForARetry()
    {
        LoadedControl loaded;
        QVERIFY(loaded.ready());
        loaded.markTheExample();
        const QStringList selectedBefore = dutiesOf(loaded.ui.lstSelectedCenters);
        const QStringList othersBefore = dutiesOf(loaded.ui.lstCenters);
        const QString workingBase = loaded.fake.baseUrl();
        MessageBoxWatcher watcher;
        const auto commitFails = [&](const QList<QByteArray> &sent, const QString &shown) {
            loaded.fake.clearRequests();
            watcher.clear();
            loaded.clickCommit();
            QCOMPARE(methodsAndTargets(loaded.fake), sent);
            QCOMPARE(boxesOf(watcher), QStringList{shown});
            QCOMPARE(dutiesOf(loaded.ui.lstSelectedCenters), selectedBefore);
            QCOMPARE(dutiesOf(loaded.ui.lstCenters), othersBefore);
            QVERIFY(loaded.ui.cmdCommit->isEnabled());
            QCOMPARE(loaded.cursor(), Qt::ArrowCursor);
        };
        const QString transferError = box(QMessageBox::NoIcon, QString(), "Error During saving to Database");

        privateOf(loaded.control).state.serverName = closedPortUrl();
        commitFails({}, transferError);
        QVERIFY(!QTest::currentTestFailed());

        privateOf(loaded.control).state.serverName = workingBase;
        loaded.fake.setPostReply({200, "", "text/plain", FakeServerPage::Behaviour::NeverAnswer});
        loaded.inet().setTimeoutMs(300);
        commitFails(kPostOnly, transferError);
        QVERIFY(!QTest::currentTestFailed());

        const QString refusal = QStringLiteral("Statement 2 rejected: not a statement this page runs.");
        loaded.fake.setPostReply({400, refusal.toUtf8(), "text/plain"});
        commitFails(kPostOnly, box(QMessageBox::Information, kCaption, refusal));
        QVERIFY(!QTest::currentTestFailed());

        // As on a control that was never given a server base.
        privateOf(loaded.control).state.serverName.clear();
        commitFails({}, box(QMessageBox::Critical, "Information", "Error Occoured"));
        QVERIFY(!loaded.inet().StillExecuting());
        privateOf(loaded.control).state.serverName = workingBase;

        loaded.fake.setPostReply({200, "3 changes saved for vendor 12.", "text/plain"});
        loaded.fake.clearRequests();
        loaded.clickCommit();
        QCOMPARE(methodsAndTargets(loaded.fake), kPostAndReload);
        QCOMPARE(loaded.fake.requests().first().body, kExampleBody);
        QCOMPARE(dutiesOf(loaded.ui.lstSelectedCenters), QStringList{QStringLiteral("9:0")});
    }

    void commaDecimalLocaleStillSendsAPoint()
    {
        LoadedControl loaded;
        QVERIFY(loaded.ready());
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        // Fee texts as the user's regional settings write them.
        setColumn(loaded.ui.lstSelectedCenters, QStringLiteral("9"), ColHandlingFee, QStringLiteral("5,0"));
        setColumn(loaded.ui.lstSelectedCenters, QStringLiteral("9"), ColDuty, QStringLiteral("0U"));
        loaded.ui.lstSelectedCenters->addRow(makeRow(QStringLiteral("7"), QStringLiteral("8,00"), QStringLiteral("1N")));
        MessageBoxWatcher watcher;

        loaded.control.SaveToDatabase();

        QCOMPARE(loaded.fake.requests().size(), 1);
        QCOMPARE(loaded.fake.requests().first().body, "SQL=" + kInsert7 + "&SQL=" + kUpdate9 + "&");
    }
};

QTEST_MAIN(SaveCommitTest)
#include "save_commit_test.moc"
