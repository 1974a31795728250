#include "ControlDriver.h"

#include <QApplication>

using C = ControlDriver;

namespace {

// By sort key 5, 12, 123, 200: 12 stands before 123, and "Warehouse East" is
// the first name holding "ware".
const std::vector<C::Active> kActive {{"5", "North Depot", "1", ""}, {"12", "Warehouse East", "1", ""},
    {"123", "Central Warehouse", "2", ""}, {"200", "Harbour", "3", ""}};
const std::vector<C::Selected> kSelected {
    {"31", "Airport Hub", "0.025", "1"}, {"40", "warehouse south", "0", "0"}, {"400", "Rail Yard", "0.01", "0"}};

} // namespace

class FindPanelTest : public DriverTest
{
    Q_OBJECT

    // The chosen list and key, each box's text and whether it is writable, and Find.
    QString panel() const
    {
        QString text = QStringLiteral("lists=%1%2 keys=%3%4")
                           .arg(int(d->checked("optList(0)")))
                           .arg(int(d->checked("optList(1)")))
                           .arg(int(d->checked("optFind(0)")))
                           .arg(int(d->checked("optFind(1)")));
        for (const char *box : {"txtVendorID", "txtVendorName"})
            text += QStringLiteral(" [%1]%2").arg(d->text(box), d->writable(box) ? "" : " read-only");
        return text + (d->enabled("cmdFind") ? " find on" : " find off");
    }

private slots:
    // Only text in the box of the chosen key enables Find; the other key's
    // box is emptied and closed; a reload keeps the choices and opens the id box.
    void keysAndBoxes()
    {
        QVERIFY(d->load(kActive, kSelected)); // the load opens the options and the id box to the mouse
        d->type("txtVendorID", "4");
        QCOMPARE(panel(), "lists=10 keys=01 [4] [] read-only find on");
        d->erase("txtVendorID");
        QVERIFY(!d->enabled("cmdFind"));
        d->type("txtVendorID", "12");
        d->click("optFind(0)");
        d->click("optList(1)");
        d->type("txtVendorName", "hub");
        d->click("optFind(0)"); // the key already chosen keeps its text
        QCOMPARE(panel(), "lists=01 keys=10 [] read-only [hub] find on");
        d->control.LetDataFromDatabase(C::kVendor);
        QCOMPARE(panel(), "lists=01 keys=10 [] [hub] find on");
        QVERIFY(d->log.isEmpty());
        d->type("txtVendorID", "9"); // Find follows the box that changed, alone
        d->erase("txtVendorID");
        QCOMPARE(panel(), "lists=01 keys=10 [] [hub] find off");
        d->type("txtVendorID", "31");
        d->click("optFind(1)");
        d->type("txtVendorName", "abc"); // a read-only box takes no typing
        QCOMPARE(panel(), "lists=01 keys=01 [31] [] read-only find off");
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
        QTest::newRow("beginning of an id") << 0 << false << "1" << false << "";
        QTest::newRow("leading blank") << 0 << false << " 12" << false << "";
        QTest::newRow("leading zero") << 0 << false << "012" << false << "";
        QTest::newRow("id of the other list") << 0 << false << "400" << false << "";
        // Any part of a name, case ignored; the list's order decides which row is first.
        QTest::newRow("part of a name") << 0 << true << "ware" << false << "12";
        QTest::newRow("sorted by name") << 0 << true << "ware" << true << "123";
        QTest::newRow("doubled blank") << 0 << true << "warehouse  east" << false << "";
        QTest::newRow("name in the selected list") << 1 << true << "WAREHOUSE" << false << "40";
    }

    // A search ends the multi-select and leaves the fee panel and the rows as they are.
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
        d->click(list == 0 ? "optList(0)" : "optList(1)");
        if (sortByName)
            d->clickHeader(target, C::Name);
        const QStringList ids = d->ids(target);
        d->clickRow(target, ids.first());
        d->clickRow(target, ids.last(), Qt::ControlModifier);
        const QString feePanel = d->feePanel();

        d->click("cmdFind");
        if (found.isEmpty()) {
            const QString title = d->boxes.value(0).section('|', 1, 1); // none, or the platform's default
            QCOMPARE(d->boxes, QStringList {"1|" + title + "|Not found"});
            QVERIFY(title.isEmpty() || title == QApplication::applicationDisplayName());
            QCOMPARE(d->highlighted(target), QStringList({ids.first(), ids.last()}));
        } else {
            d->click("cmdFind"); // a second press finds the same row again
            QVERIFY(d->boxes.isEmpty());
            QCOMPARE(d->highlighted(target) << d->current(target), QStringList({found, found}));
            QCOMPARE(d->control.focusWidget(), target);
        }
        QVERIFY(!d->multiSelect(target));
        QCOMPARE(d->feePanel(), feePanel);
        QCOMPARE(d->ids(target), ids);
    }

    // Clicking a list or key option, or into a find box, clears the fee
    // panel and ends an edit; typing alone does not.
    void turningToTheFindWidgetsClearsTheFeePanel_data()
    {
        QTest::addColumn<QString>("clicked"); // empty: typing into the id box
        QTest::addColumn<bool>("editing"); // "Update" pressed
        QTest::newRow("list") << "optList(1)" << false;
        QTest::newRow("chosen list, editing") << "optList(0)" << true;
        QTest::newRow("key, editing") << "optFind(0)" << true;
        QTest::newRow("id box") << "txtVendorID" << false;
        QTest::newRow("read-only name box, editing") << "txtVendorName" << true;
        QTest::newRow("typing without a click") << "" << false;
    }

    void turningToTheFindWidgetsClearsTheFeePanel()
    {
        QFETCH(QString, clicked);
        QFETCH(bool, editing);
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
        QCOMPARE(d->feePanel(), clicked.isEmpty() ? before : "Update||0|0|0");
    }
};

QTEST_MAIN(FindPanelTest)
#include "FindPanelTest.moc"
