#include "ControlDriver.h"

#include <QPushButton>
#include <QSignalSpy>
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

    // Centers 7 and 11 not selected; 3, 5 and 9 selected (9 with fee 5.0 and
    // duty 0), and an extra row not selected; a `version` names the lists.
    bool load(const QByteArray &version = {}, const QString &extraActive = {})
    {
        std::vector<C::Active> active {{"7", "Seven", "2", ""}, {"11", "Eleven", "2", ""}};
        std::vector<C::Selected> selected {
            {"3", "Three", "0.01", "1"}, {"5", "Five", "0.01", "1"}, {"9", "Nine", "0.05", "0"}};
        if (!extraActive.isEmpty())
            active.push_back({extraActive, "Extra", "2", ""});
        d->page.serveVendor(C::kVendor, 1, active, selected, version);
        d->control.LetDataFromDatabase(C::kVendor, d->page.baseUrl());
        d->page.clearRequests();
        return d->log.isEmpty() && d->show();
    }
    // The page applies a post only onto the version `current`, as a page that versions its lists does.
    void applyOnlyOnto(const QByteArray &current)
    {
        d->page.onRequest([this, current](const FakeServerPage::Request &request) {
            const QByteArray asked = request.header("If-Match");
            d->page.setPostReply(asked.isEmpty() || asked == current
                    ? FakeServerPage::Reply {200, "saved", "text/plain"}
                    : FakeServerPage::Reply {412, "changed meanwhile", "text/plain"});
        });
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

private slots:
    // The reply is shown as sent, unless empty or only blanks.
    void commitPostsTheExampleUnderTheBusyPointerAndReloads_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("shown");
        QTest::newRow("plain") << QByteArray("3 changes saved for vendor 12.") << true;
        QTest::newRow("UTF-8") << QByteArray("Gespeichert: gr\xc3\xb6\xc3\x9f") << true;
        // Handed over in pieces of 1,024 characters: one of two bytes ends the first.
        QTest::newRow("2,599 characters")
            << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXY\n").repeated(100).replace(1023, 2, "\xc3\xa9") << true;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("blanks only") << QByteArray("     ") << false;
        QTest::newRow("a line break") << QByteArray("\r\n") << true;
        QTest::newRow("blanks kept, markup as text") << QByteArray("  <b>3</b> saved  ") << true;
    }

    void commitPostsTheExampleUnderTheBusyPointerAndReloads()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, shown);
        QVERIFY(load());
        markTheExample();
        d->page.setPostReply({200, reply, "text/plain; charset=utf-8"});
        QList<Qt::CursorShape> cursors;
        d->page.onRequest([&](const FakeServerPage::Request &) { cursors << d->control.cursor().shape(); });
        d->click("cmdCommit");
        QCOMPARE(d->page.sent(), kPost + kReload);
        QCOMPARE(d->page.requests().first().header("Content-Type"), "application/x-www-form-urlencoded");
        QVERIFY(!d->page.requests().first().headers.contains("if-match")); // the page named no version
        QCOMPARE(d->page.requests().first().body, kExampleBody);
        QCOMPARE(cursors.first(), Qt::WaitCursor);
        QCOMPARE(d->boxes, shown ? QStringList {"1|" + kCaption + '|' + QString::fromUtf8(reply)} : QStringList());
        QCOMPARE(marks(), kUnmarked);
        d->doubleClickRow(d->centers(), "11"); // counted from the reloaded lists
        QCOMPARE(d->widget("cmdCommit")->toolTip(), "1 to add");
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

    // A failed post keeps every mark; the retry that goes through posts them
    // all and only then reloads. An id from the server that is no plain
    // integer never reaches a statement: nothing is sent.
    void failedSavesKeepTheMarksForARetry_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("behaviour");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("active"); // an extra row, moved over with the example
        const auto row = [](const char *name, int status, Behaviour behaviour, const QString &message,
                             const QString &active = {}) {
            QTest::newRow(name) << status << int(behaviour) << message << active;
        };
        const QString refused = "1|" + kCaption + "|Statement 2 rejected.";
        // Every way a transfer fails ends the same: one of them.
        row("never answers", 200, Behaviour::NeverAnswer, QStringLiteral("0||Error During saving to Database"));
        row("refused", 400, Behaviour::Answer, refused);
        row("412 unasked", 412, Behaviour::Answer, refused); // without a version asked for, a refusal like any other
        row("id inserted", 200, Behaviour::Answer, QStringLiteral("3|Information|Error Occoured"),
            "7,1,1,GETDATE()); DROP TABLE Vendors; --");
    }

    void failedSavesKeepTheMarksForARetry()
    {
        QFETCH(int, status);
        QFETCH(int, behaviour);
        QFETCH(QString, message);
        QFETCH(QString, active);
        QVERIFY(load({}, active));
        markTheExample();
        if (!active.isEmpty())
            d->doubleClickRow(d->centers(), active);
        const QStringList before = marks();
        d->control.setProperty("transferTimeoutMs", 300);
        d->page.setPostReply({status, "Statement 2 rejected.", "text/plain", Behaviour(behaviour)});
        d->click("cmdCommit");
        const bool posted = active.isEmpty();
        QCOMPARE(d->page.sent(), posted ? kPost : QList<QByteArray>()); // neither the post nor a reload
        QCOMPARE(d->boxes, QStringList {message});
        QCOMPARE(marks(), before);
        QVERIFY(d->enabled("cmdCommit") && d->log.isEmpty() && d->control.undoStack()->canUndo());
        QCOMPARE(d->control.cursor().shape(), Qt::ArrowCursor);
        if (!posted)
            return;
        d->page.setPostReply({200, "saved", "text/plain"});
        d->page.clearRequests();
        d->click("cmdCommit");
        QCOMPARE(d->page.sent(), kPost + kReload);
        QCOMPARE(d->page.requests().first().body, kExampleBody);
        QCOMPARE(marks(), kUnmarked);
        QVERIFY(!d->control.undoStack()->canUndo());
    }

    // Someone saved meanwhile: a warning, and the user reloads. A reload that fails keeps
    // the lists, their captions, buttons and edits as they were, and the next
    // commit again asks for the version they were loaded from. Onto what the
    // other clerk saved (7 selected, 3 deselected, 9's fee changed) what still
    // applies is done again and marked, the rest listed; the next commit asks
    // for the new version.
    void reloadingAfterAConflictKeepsWhatStillApplies()
    {
        QVERIFY(load("\"12-1\""));
        d->clickRow(d->chosen(), "9");
        d->saveFee("5"); // an edit that leaves the captions to the reload
        const auto look = [this] {
            return QStringList {marks().join(','), d->text("lblSelVendors"), d->text("lblAllVendors"), d->moveButtons(),
                QString::number(d->enabled("cmdCommit")), QString::number(d->enabled("optList(1)")),
                d->indexOf(d->chosen(), "9").data(Qt::ToolTipRole).toString()};
        };
        const QStringList before = look();
        applyOnlyOnto("\"12-2\"");
        d->conflictAnswer = "Reload and keep my changes"; // what each answer does: TwoClerksTest, on the real page
        QSignalSpy heard(d->control.findChild<QObject *>("announcer"), SIGNAL(announced(QString)));
        // Counted and listed anew, then the selected list fails.
        d->page.serveVendor(C::kVendor, 1, {{"7", "Seven", "2", ""}, {"11", "Eleven", "2", ""}, {"13", "New", "2", ""}},
            {{"3", "Three", "0.01", "1"}});
        d->page.setReply("/VendorCenter.asp?selected=1&VendorID=12", {500, "down", "text/plain"});
        QVERIFY(!d->control.commit());
        const QString conflict = QStringLiteral(
            "Someone else saved changes to this vendor after the lists were loaded. Nothing of yours was saved.");
        QCOMPARE(d->boxes.value(0), "2|" + kCaption + '|' + conflict);
        QCOMPARE(heard.value(0).value(0).toString(), conflict); // for a screen reader too
        QCOMPARE(d->boxTexts().last(),
            "The lists could not be loaded again. Your changes are kept on the lists as they were.");
        QCOMPARE(look(), before);

        d->doubleClickRow(d->centers(), "7");
        d->doubleClickRow(d->chosen(), "3");
        d->doubleClickRow(d->chosen(), "5");
        d->page.serveVendor(C::kVendor, 1, {{"3", "Three", "2", ""}, {"11", "Eleven", "2", ""}},
            {{"5", "Five", "0.01", "1"}, {"7", "Seven", "0.02", "1"}, {"9", "Nine", "0.075", "0"}}, "\"12-2\"");
        d->page.clearRequests();
        QVERIFY(!d->control.commit());
        QCOMPARE(d->page.requests().first().header("If-Match"), "\"12-1\"");
        QCOMPARE(d->page.requests().first().body, kExampleBody);
        QCOMPARE(marks(), QStringList({"3:1", "5:1D", "11:1", "7:1", "9:0U"}));
        QCOMPARE(d->cell(d->chosen(), "9", C::Fee), "5.00");
        QCOMPARE(d->boxTexts().last(),
            "The lists were loaded again and your changes applied onto them. These no longer applied and were left "
            "out:\nCenter 7: already selected\nCenter 3: no longer selected");
        QCOMPARE(d->control.undoStack()->count(), 2);
        d->control.undoStack()->undo();
        QCOMPARE(marks(), QStringList({"3:1", "11:1", "5:1", "7:1", "9:0U"}));
        d->page.clearRequests();
        QVERIFY(d->control.commit());
        QCOMPARE(d->page.requests().first().header("If-Match"), "\"12-2\"");
    }

    // While the post is out the control takes no edit, from the user or the
    // host's undo; after the reload nothing has vanished, and after a failure
    // the edits stand as they were.
    void editsDuringThePostAreNotTaken_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("saved") << 200;
        QTest::newRow("failed") << 500;
    }

    void editsDuringThePostAreNotTaken()
    {
        QFETCH(int, status);
        QVERIFY(load());
        markTheExample();
        const QStringList before = marks();
        d->page.setPostReply({status, "done", "text/plain", Behaviour::Answer, {}, 400});
        QStringList during;
        QPushButton hostButton("Host"); // a window of the host's own stays live
        hostButton.show();
        QSignalSpy hostClicks(&hostButton, &QPushButton::clicked);
        QTimer::singleShot(50, [&] {
            QTest::mouseClick(&hostButton, Qt::LeftButton);
            d->doubleClickRow(d->centers(), "11");
            d->clickRow(d->chosen(), "9");
            QTest::keyClick(d->chosen(), Qt::Key_Delete);
            QTest::keyClick(d->chosen(), Qt::Key_Z, Qt::ControlModifier);
            d->control.undoStack()->undo();
            d->control.undoStack()->undo();
            during = marks();
        });
        QCOMPARE(d->control.commit(), status == 200);
        QCOMPARE(during, before);
        QCOMPARE(hostClicks.count(), 1);
        QCOMPARE(d->page.requests().first().body, kExampleBody);
        QCOMPARE(marks(), status == 200 ? kUnmarked : before);
        QCOMPARE(d->control.undoStack()->index(), status == 200 ? 0 : 4);
    }
};

QTEST_MAIN(SaveTest)
#include "SaveTest.moc"
