#include "ControlDriver.h"

#include <QApplication>
#include <QTest>

using C = ControlDriver;

namespace {

// Ordered by their sort keys "0005", "0012", "0123", "0200": 12 stands before
// 123, and "Warehouse East" is the first name holding "ware".
const std::vector<C::Active> kActive{{"5", "North Depot", "1", ""}, {"12", "Warehouse East", "1", ""},
                                     {"123", "Central Warehouse", "2", ""}, {"200", "Harbour", "3", ""}};
const std::vector<C::Selected> kSelected{
    {"31", "Airport Hub", "0.025", "1"}, {"40", "warehouse south", "0", "0"}, {"400", "Rail Yard", "0.01", "0"}};

const char *const kListOption[] = {"optList(0)", "optList(1)"};

} // namespace

class FindPanelTest : public QObject
{
    Q_OBJECT

    ControlDriver *d = nullptr;

    // The chosen list and key, each box's text and whether it is writable, and Find.
    QString panel() const
    {
        const auto box = [this](const char *name) {
            return '[' + d->text(name) + (d->writable(name) ? "] " : "] read-only ");
        };
        return QStringLiteral("lists=%1%2 keys=%3%4 ")
                   .arg(int(d->checked("optList(0)"))).arg(int(d->checked("optList(1)")))
                   .arg(int(d->checked("optFind(0)"))).arg(int(d->checked("optFind(1)")))
               + "id" + box("txtVendorID") + "name" + box("txtVendorName") + (d->enabled("cmdFind") ? "find on" : "find off");
    }
    // Every row's id, fee and duty.
    QStringList rows() const
    {
        QStringList all;
        for (QAbstractItemView *list : {d->centers(), d->chosen()}) {
            for (const QString &id : d->ids(list))
                all << id + '|' + d->cell(list, id, C::Fee) + '|' + d->cell(list, id, C::Duty);
        }
        return all;
    }

private slots:
    void init() { d = new ControlDriver; }
    void cleanup()
    {
        QVERIFY2(d->log.isEmpty(), qPrintable(d->log.join('\n')));
        delete d;
    }

    void startsAsAnIdSearchAndSwitchingKeysEmptiesTheOtherBox()
    {
        QCOMPARE(panel(), "lists=10 keys=01 id[] read-only name[] read-only find off");
        QVERIFY(!d->enabled("txtVendorID") && d->enabled("txtVendorName"));
        QVERIFY(d->load(kActive, kSelected));
        for (const char *opened : {"optList(0)", "optList(1)", "optFind(0)", "optFind(1)", "txtVendorID"})
            QVERIFY2(d->enabled(opened), opened);
        QCOMPARE(panel(), "lists=10 keys=01 id[] name[] read-only find off");
        d->type("txtVendorID", "4");
        QVERIFY(d->enabled("cmdFind"));
        d->erase("txtVendorID");
        QVERIFY(!d->enabled("cmdFind"));
        d->type("txtVendorID", "12");
        d->click("optFind(0)");
        QCOMPARE(panel(), "lists=10 keys=10 id[] read-only name[] find off");
        d->type("txtVendorName", "hub");
        d->click("optFind(0)"); // the key already chosen keeps its text
        QCOMPARE(panel(), "lists=10 keys=10 id[] read-only name[hub] find on");
    }

    void aReloadKeepsChoicesAndTextsAndOpensTheIdBox()
    {
        QVERIFY(d->load(kActive, kSelected));
        d->click("optList(1)");
        d->click("optFind(0)");
        d->type("txtVendorName", "hub");
        d->control.LetDataFromDatabase(C::kVendor);
        QCOMPARE(panel(), "lists=01 keys=10 id[] name[hub] find on");
        d->click("cmdFind");
        QCOMPARE(d->highlighted(d->chosen()), QStringList{"31"});
        // Find follows the box that changed, alone.
        d->type("txtVendorID", "9");
        d->erase("txtVendorID");
        QCOMPARE(panel(), "lists=01 keys=10 id[] name[hub] find off");
        // Back to the id key: the name box is emptied though the id box holds text.
        d->type("txtVendorID", "31");
        d->click("optFind(1)");
        QCOMPARE(panel(), "lists=01 keys=01 id[31] name[] read-only find off");
        d->type("txtVendorName", "abc"); // a read-only box takes no typing
        QCOMPARE(panel(), "lists=01 keys=01 id[31] name[] read-only find off");
        QVERIFY(d->boxes.seen().isEmpty());
    }

    void findHighlightsTheFirstMatchOrReportsNotFound_data()
    {
        QTest::addColumn<int>("list"); // 0: all centers, 1: the selected ones
        QTest::addColumn<bool>("byName");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("sortByName");
        QTest::addColumn<QString>("found"); // empty: "Not found"
        // The whole id as typed: no beginning of it, no trimming, no reading as a number.
        QTest::newRow("id") << 0 << false << "12" << false << "12";
        QTest::newRow("id, 123 sorted first") << 0 << false << "12" << true << "12";
        QTest::newRow("beginning of an id") << 0 << false << "1" << false << "";
        QTest::newRow("leading blank") << 0 << false << " 12" << false << "";
        QTest::newRow("trailing blank") << 0 << false << "12 " << false << "";
        QTest::newRow("leading zero") << 0 << false << "012" << false << "";
        QTest::newRow("id of the other list") << 0 << false << "400" << false << "";
        QTest::newRow("id in the selected list") << 1 << false << "400" << false << "400";
        // Any part of a name, case ignored; the list's order decides which row is first.
        QTest::newRow("part of a name") << 0 << true << "ware" << false << "12";
        QTest::newRow("name in capitals") << 0 << true << "WARE" << false << "12";
        QTest::newRow("sorted by name") << 0 << true << "ware" << true << "123";
        QTest::newRow("doubled blank") << 0 << true << "warehouse  east" << false << "";
        QTest::newRow("name in the selected list") << 1 << true << "WAREHOUSE" << false << "40";
    }

    // A search ends the multi-select and leaves the fee panel and every row as they are.
    void findHighlightsTheFirstMatchOrReportsNotFound()
    {
        QFETCH(int, list);
        QFETCH(bool, byName);
        QFETCH(QString, text);
        QFETCH(bool, sortByName);
        QFETCH(QString, found);
        QVERIFY(d->load(kActive, kSelected));
        QAbstractItemView *target = list == 0 ? d->centers() : d->chosen();
        if (byName)
            d->click("optFind(0)");
        d->type(byName ? "txtVendorName" : "txtVendorID", text);
        d->click(kListOption[list]);
        if (sortByName)
            d->clickHeader(target, C::Name);
        const QStringList ids = d->ids(target);
        d->clickRow(target, ids.first());
        d->clickRow(target, ids.last(), Qt::ControlModifier);
        QVERIFY(d->multiSelect(target));
        const QStringList before = d->highlighted(target);
        const QString feePanel = d->feePanel();
        const QStringList rowsBefore = rows();

        d->click("cmdFind");
        if (found.isEmpty()) {
            QCOMPARE(d->boxes.texts(), QStringList{"Not found"});
            QCOMPARE(d->boxes.seen().first().icon, QMessageBox::Information);
            const QString title = d->boxes.seen().first().title;
            QVERIFY2(title.isEmpty() || title == QApplication::applicationDisplayName(), qPrintable(title));
            QCOMPARE(d->highlighted(target), before);
            QCOMPARE(d->text(byName ? "txtVendorName" : "txtVendorID"), text);
        } else {
            d->click("cmdFind"); // a second press finds the same row again
            QVERIFY(d->boxes.seen().isEmpty());
            QCOMPARE(d->highlighted(target), QStringList{found});
            QCOMPARE(d->current(target), found);
            QCOMPARE(d->control.focusWidget(), target);
        }
        QVERIFY(!d->multiSelect(d->centers()) && !d->multiSelect(d->chosen()));
        QCOMPARE(d->feePanel(), feePanel);
        QCOMPARE(rows(), rowsBefore);
    }

    void turningToTheFindWidgetsClearsTheFeePanel_data()
    {
        QTest::addColumn<QString>("clicked"); // empty: typing into the id box without a click
        QTest::addColumn<bool>("editing");   // "Update" pressed, else the row only shown
        QTest::addColumn<bool>("cleared");
        QTest::newRow("list, row shown") << "optList(1)" << false << true;
        QTest::newRow("chosen list, editing") << "optList(0)" << true << true;
        QTest::newRow("key, editing") << "optFind(0)" << true << true;
        QTest::newRow("id box, row shown") << "txtVendorID" << false << true;
        QTest::newRow("read-only name box, editing") << "txtVendorName" << true << true;
        QTest::newRow("typing without a click") << "" << false << false;
    }

    void turningToTheFindWidgetsClearsTheFeePanel()
    {
        QFETCH(QString, clicked);
        QFETCH(bool, editing);
        QFETCH(bool, cleared);
        QVERIFY(d->load(kActive, kSelected));
        d->clickRow(d->chosen(), "31");
        if (editing)
            d->click("cmdcenterHandFee");
        const QString before = d->feePanel();
        if (clicked.isEmpty()) {
            d->box("txtVendorID")->setFocus();
            QTest::keyClicks(d->box("txtVendorID"), "5");
        } else {
            d->click(clicked);
        }
        QCOMPARE(d->feePanel(), cleared ? "Update||0|0|0" : before);
    }

    void idSearchUnderACommaDecimalLocaleComparesText()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(d->load({{"1.5", "Dotted", "4", ""}, {"15", "Plain", "4", ""}}, {{"31", "Airport Hub", "0", "1"}}));
        d->type("txtVendorID", "1,5");
        d->click("cmdFind");
        QCOMPARE(d->boxes.texts(), QStringList{"Not found"});
        d->erase("txtVendorID");
        d->type("txtVendorID", "1.5");
        d->click("cmdFind");
        QCOMPARE(d->highlighted(d->centers()), QStringList{"1.5"});
    }

    void nameSearchCoversEmptyListsAndTheLastRowOfALongOne()
    {
        QVERIFY(d->load({}, {}));
        // An empty name is searched only through the id box, which a reload
        // opens while "Name" stays chosen.
        d->click("optFind(0)");
        QVERIFY(!d->writable("txtVendorID"));
        d->control.LetDataFromDatabase(C::kVendor);
        d->type("txtVendorID", "x");
        QVERIFY(d->enabled("cmdFind") && d->text("txtVendorName").isEmpty());
        d->click("cmdFind");
        QCOMPARE(d->boxes.texts(), QStringList{"Not found"});

        std::vector<C::Active> many;
        for (int i = 1; i <= 30000; ++i)
            many.push_back({QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0')), i == 30000 ? "Zebra Terminal" : "Center", "1", ""});
        d->page.serveVendor(C::kVendor, 0, many, {});
        d->control.LetDataFromDatabase(C::kVendor);
        d->click("cmdFind"); // the empty name matches the first row
        QCOMPARE(d->highlighted(d->centers()), QStringList{"00001"});
        d->click("optFind(1)");
        d->type("txtVendorID", "30000");
        d->click("cmdFind");
        QCOMPARE(d->highlighted(d->centers()), QStringList{"30000"});
        QCOMPARE(d->current(d->centers()), "30000");
        QVERIFY(d->rowInView(d->centers(), "30000"));
        d->centers()->scrollToTop();
        d->click("optFind(0)");
        d->type("txtVendorName", "zebra");
        d->click("cmdFind");
        QCOMPARE(d->highlighted(d->centers()), QStringList{"30000"});
        QVERIFY(d->rowInView(d->centers(), "30000"));
        d->erase("txtVendorName");
        d->type("txtVendorName", "yak"); // no match: the walk ends at the last row
        d->click("cmdFind");
        QCOMPARE(d->boxes.texts(), QStringList({"Not found", "Not found"}));
    }
};

QTEST_MAIN(FindPanelTest)
#include "FindPanelTest.moc"
