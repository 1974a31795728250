#include "ControlDriver.h"

#include <QUndoStack>

using C = ControlDriver;
using Behaviour = FakeServerPage::Behaviour;

namespace {

// Center 7 newly selected, 9's fee changed, 3 and 5 deselected, for vendor 12.
const QByteArray kExampleBody =
    "SQL=INSERT+INTO+VendorCenterCrossReference+%28VendorID%2CCenterID%2CCenterHandlingFee%2CDutyBrokerageFee%2C"
    "RecordLastUpdated%29+VALUES+%2812%2C7%2C0.08%2C1%2CGETDATE%28%29+%29+&SQL=UPDATE+VendorCenterCrossReference+SET+"
    "CenterHandlingFee%3D+0.05%2C+DutyBrokerageFee%3D+0%2C+RecordLastUpdated+%3D+GETDATE%28%29++WHERE+CenterID+%3D+9+"
    "AND+vendorID+%3D+12&SQL=DELETE+FROM+VENDORCENTERCROSSREFERENCE+WHERE+VendorID%3D12+AND+CenterID+IN%283%2C5%29&";
const QList<QByteArray> kPost {"POST /VendorCenter.asp"};
const QList<QByteArray> kReload {"GET /VendorCenter.asp?count=1&VendorID=12",
    "GET /VendorCenter.asp?active=1&VendorID=12", "GET /VendorCenter.asp?selected=1&VendorID=12"};
const QStringList kUnmarked {"7:1", "11:1", "3:1", "5:1", "9:0"};
const QString kCaption = QStringLiteral("Vendor Center Cross Reference");

} // namespace

class SaveTest : public DriverTest
{
    Q_OBJECT

    // Centers 7 and 11 not selected; 3, 5 and 9 selected (9 with fee 5.0 and duty 0).
    bool load(const QString &extraActive = {}, const QString &extraSelected = {})
    {
        std::vector<C::Active> active {{"7", "Seven", "2", ""}, {"11", "Eleven", "2", ""}};
        std::vector<C::Selected> selected {
            {"3", "Three", "0.01", "1"}, {"5", "Five", "0.01", "1"}, {"9", "Nine", "0.05", "0"}};
        if (!extraActive.isEmpty())
            active.push_back({extraActive, "Extra", "2", ""});
        if (!extraSelected.isEmpty())
            selected.push_back({extraSelected, "Extra", "0.01", "1"});
        const bool loaded = d->load(active, selected, 1);
        d->page.clearRequests();
        return loaded;
    }
    void markTheExample()
    {
        d->doubleClickRow(d->centers(), "7");
        d->clickRow(d->chosen(), "9");
        d->saveFee("5");
        d->doubleClickRow(d->chosen(), "3");
        d->doubleClickRow(d->chosen(), "5");
    }
    // Every row's id and duty text, both lists.
    QStringList marks() const
    {
        QStringList all;
        for (QAbstractItemView *list : {d->centers(), d->chosen()}) {
            for (const QString &id : d->ids(list))
                all << id + ':' + d->cell(list, id, C::Duty);
        }
        return all;
    }
    // The message boxes as "icon|title|text", the icon as QMessageBox numbers
    // it: 0 none, 1 information, 3 critical.
    QStringList boxes() const
    {
        QStringList all;
        for (const ControlDriver::Box &seen : d->boxes)
            all << QStringLiteral("%1|%2|%3").arg(seen.icon).arg(seen.title, seen.text);
        return all;
    }

private slots:
    void commitPostsTheExampleUnderTheBusyPointerAndReloads_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("point") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("comma") << QLocale(QLocale::German, QLocale::Germany); // still a point on the wire
    }

    void commitPostsTheExampleUnderTheBusyPointerAndReloads()
    {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        QVERIFY(load());
        markTheExample();
        QCOMPARE(marks(), QStringList({"3:1D", "5:1D", "11:1", "7:1N", "9:0U"}));
        d->page.setPostReply({200, "3 changes saved for vendor 12.", "text/plain; charset=utf-8"});
        QList<Qt::CursorShape> cursors;
        d->page.onRequest([&](const FakeServerPage::Request &) { cursors << d->control.cursor().shape(); });
        d->click("cmdCommit");
        d->page.onRequest({});
        QCOMPARE(d->page.sent(), kPost + kReload);
        QCOMPARE(d->page.requests().first().header("Content-Type"), "application/x-www-form-urlencoded");
        QCOMPARE(d->page.requests().first().body, kExampleBody);
        QCOMPARE(cursors.first(), Qt::WaitCursor);
        QCOMPARE(boxes(), QStringList {"1|" + kCaption + "|3 changes saved for vendor 12."});
        QCOMPARE(marks(), kUnmarked);
        QVERIFY(!d->enabled("cmdCommit"));
    }

    // The host's own save sends what is marked, with the credentials of the
    // server base, and keeps the marks: only a reload clears them. A row
    // moved over and back is unmarked again: Commit then only reloads.
    void hostSaveAndNothingMarked()
    {
        QVERIFY(load());
        d->control.LetDataFromDatabase(C::kVendor, d->page.baseUrl().replace("//", "//clerk:p%40ss%20word@"));
        d->page.clearRequests();
        d->control.SaveToDatabase();
        QVERIFY(d->page.requests().isEmpty());
        d->doubleClickRow(d->chosen(), "3");
        d->control.SaveToDatabase();
        QCOMPARE(d->page.requests().value(0).body,
            kExampleBody.mid(kExampleBody.indexOf("&SQL=DELETE") + 1).replace("3%2C5", "3"));
        QCOMPARE(marks(), QStringList({"3:1D", "7:1", "11:1", "5:1", "9:0"}));
        d->doubleClickRow(d->centers(), "3");
        d->click("cmdCommit");
        QCOMPARE(d->page.sent(), kPost + kReload);
        for (const FakeServerPage::Request &request : d->page.requests())
            QCOMPARE(request.header("Authorization"), "Basic " + QByteArray("clerk:p@ss word").toBase64());
        QCOMPARE(d->boxes.size(), 1); // the reply to the host's save
    }

    // Shown as sent, unless empty or only blanks.
    void replyIsShownAsTheServerSentIt_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("shown");
        QTest::newRow("2,600 characters") << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXY\n").repeated(100) << true;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("blanks only") << QByteArray("     ") << false;
        QTest::newRow("a line break") << QByteArray("\r\n") << true;
        QTest::newRow("blanks kept, markup as text") << QByteArray("  <b>3</b> saved  ") << true;
        QTest::newRow("UTF-8") << QByteArray("Gr\xc3\xb6\xc3\x9f"
                                             "e gespeichert")
                               << true;
    }

    void replyIsShownAsTheServerSentIt()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, shown);
        QVERIFY(load());
        d->page.setPostReply({200, reply, "text/plain; charset=utf-8"});
        d->doubleClickRow(d->chosen(), "3");
        d->control.SaveToDatabase();
        QCOMPARE(d->page.requests().size(), 1);
        QCOMPARE(d->boxTexts(), shown ? QStringList {QString::fromUtf8(reply)} : QStringList());
    }

    // Ids from the server that are no plain integer never reach a statement.
    void rowsThatCannotBeWrittenFailBeforeSending_data()
    {
        QTest::addColumn<QString>("active");
        QTest::addColumn<QString>("selected");
        QTest::newRow("inserted") << "7,1,1,GETDATE()); DROP TABLE Vendors; --" << QString();
        QTest::newRow("deleted") << QString() << "3) OR (1=1";
    }

    void rowsThatCannotBeWrittenFailBeforeSending()
    {
        QFETCH(QString, active);
        QFETCH(QString, selected);
        QVERIFY(load(active, selected));
        markTheExample();
        d->doubleClickRow(active.isEmpty() ? d->chosen() : d->centers(), active + selected);
        const QStringList before = marks();
        d->click("cmdCommit");
        QVERIFY(d->page.requests().isEmpty()); // neither the post nor a reload
        QCOMPARE(boxes(), QStringList {"3|Information|Error Occoured"});
        QCOMPARE(marks(), before);
        QVERIFY(d->enabled("cmdCommit"));
    }

    // A failed post keeps every mark; the retry that goes through posts them
    // all and only then reloads.
    void failedSavesKeepTheMarksForARetry_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("behaviour");
        QTest::addColumn<QString>("message");
        const QString failed = QStringLiteral("0||Error During saving to Database");
        QTest::newRow("page gone") << 0 << int(Behaviour::Answer) << failed;
        QTest::newRow("never answers") << 200 << int(Behaviour::NeverAnswer) << failed;
        QTest::newRow("reset midway") << 200 << int(Behaviour::ResetMidway) << failed;
        QTest::newRow("short reply") << 200 << int(Behaviour::ShortBody) << failed;
        QTest::newRow("refused") << 400 << int(Behaviour::Answer) << "1|" + kCaption + "|Statement 2 rejected.";
    }

    void failedSavesKeepTheMarksForARetry()
    {
        QFETCH(int, status);
        QFETCH(int, behaviour);
        QFETCH(QString, message);
        QVERIFY(load());
        markTheExample();
        const QStringList before = marks();
        d->control.setProperty("transferTimeoutMs", 300);
        d->page.setPostReply({status, "Statement 2 rejected.", "text/plain", Behaviour(behaviour)});
        if (status == 0)
            d->page.stop();
        d->click("cmdCommit");
        QCOMPARE(d->page.sent(), status == 0 ? QList<QByteArray>() : kPost);
        QCOMPARE(boxes(), QStringList {message});
        QCOMPARE(marks(), before);
        QVERIFY(d->enabled("cmdCommit") && d->log.isEmpty() && d->control.undoStack()->canUndo());
        QCOMPARE(d->control.cursor().shape(), Qt::ArrowCursor);
        if (status == 0)
            return;
        d->page.setPostReply({200, "saved", "text/plain"});
        d->page.clearRequests();
        d->click("cmdCommit");
        QCOMPARE(d->page.sent(), kPost + kReload);
        QCOMPARE(d->page.requests().first().body, kExampleBody);
        QCOMPARE(marks(), kUnmarked);
        QVERIFY(!d->control.undoStack()->canUndo());
    }
};

QTEST_MAIN(SaveTest)
#include "SaveTest.moc"
