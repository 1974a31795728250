#include "ControlDriver.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QTreeView>

using C = ControlDriver;

class ListEventsTest : public DriverTest
{
    Q_OBJECT

    // The move buttons, the fee panel, and per list its highlighted ids with
    // "*" while multi-select is on.
    QString afterClick() const
    {
        QString text = d->moveButtons() + ' ' + d->feePanel() + ' ';
        for (QAbstractItemView *list : {d->centers(), d->chosen()})
            text +=
                d->highlighted(list).join(',') + (d->multiSelect(list) ? "*" : "") + (list == d->centers() ? "|" : "");
        return text;
    }
    // Left clicks on rows of lstCenters ('C') or lstSelectedCenters ('S'),
    // below the rows when the id is empty, and what each leaves.
    void run(std::initializer_list<std::tuple<char, const char *, Qt::KeyboardModifiers, const char *>> clicks)
    {
        for (const auto &[which, id, modifiers, after] : clicks) {
            QAbstractItemView *list = which == 'C' ? d->centers() : d->chosen();
            d->clickRow(list, id, modifiers);
            QCOMPARE(QStringLiteral("%1 %2: ").arg(which).arg(id) + afterClick(),
                QStringLiteral("%1 %2: ").arg(which).arg(id) + after);
        }
    }
    QMenu *menu() const { return d->widget<QMenu>("mnuRemove"); }

private slots:
    // The buttons follow the clicked list and its number of highlighted rows;
    // multi-select goes with the last list clicked; Commit never changes.
    void buttonsAndHighlightsFollowEveryClick()
    {
        QVERIFY(d->load({{"7", "Seven", "1", ""}, {"12", "Twelve", "1", ""}, {"30", "Thirty", "1", ""}},
            {{"5", "Five", "0.075", "1"}, {"6", "Six", "0.05", "0"}}));
        run({{'C', "12", {}, "10000 Update||0|0|0 12*|"},
            {'C', "30", Qt::ControlModifier, "01000 Update||0|0|0 12,30*|"},
            {'C', "30", Qt::ControlModifier, "10000 Update||0|0|0 12*|"}, {'C', "7", {}, "10000 Update||0|0|0 7*|"},
            {'C', "30", Qt::ShiftModifier, "01000 Update||0|0|0 7,12,30*|"},
            {'S', "5", {}, "00101 Update|7.5|1|0|1 |5*"}, {'S', "6", Qt::ControlModifier, "00010 Update||0|0|0 |5,6*"},
            {'C', "7", {}, "10000 Update||0|0|0 7*|"}, {'C', "", {}, "10000 Update||0|0|0 *|"},
            {'S', "6", {}, "00101 Update|5.0|0|0|1 |6*"}, {'S', "", {}, "00101 Update|5.0|0|0|1 |*"}});
        QVERIFY(!d->enabled("cmdCommit"));
        // A reload leaves the selected list without a current row: a click below
        // its rows shows nothing, nor is there a row for the menu.
        run({{'C', "7", {}, "10000 Update||0|0|0 7*|"}});
        d->control.LetDataFromDatabase(C::kVendor);
        run({{'S', "", {}, "10000 Update||0|0|0 *|"}});
        d->clickRow(d->chosen(), "", {}, Qt::RightButton);
        QVERIFY(!menu()->isVisible());

        // An empty list switches off the four moves and leaves the panel be.
        QVERIFY(d->load({}, {{"5", "Five", "0.075", "1"}}));
        run({{'S', "5", {}, "00101 Update|7.5|1|0|1 |5*"}, {'C', "", {}, "00001 Update|7.5|1|0|1 |5*"}});
        d->clickRow(d->chosen(), "5");
        d->click("cmdDelete");
        run({{'C', "5", {}, "10000 Update||0|0|0 5*|"}, {'S', "", {}, "00000 Update||0|0|0 5*|"}});
    }

    // The sorting column turns the direction, a new column keeps it; names
    // sort with letter case ignored; each list sorts on its own.
    void headerClicksSort()
    {
        QVERIFY(d->load(
            {{"300", "apple", "1", ""}, {"7", "Delta", "1", ""}, {"45", "cherry", "1", ""}, {"12", "Bravo", "1", ""}},
            {{"9", "zulu", "0.01", "0"}, {"10", "Alpha", "0.01", "0"}}));
        const QStringList byId {"7", "12", "45", "300"}, byIdDown {"300", "45", "12", "7"};
        QCOMPARE(d->ids(d->centers()), byId);
        const auto down = Qt::DescendingOrder, up = Qt::AscendingOrder;
        for (const auto &[section, order, ids] :
            std::initializer_list<std::tuple<int, Qt::SortOrder, QStringList>> {{0, down, byIdDown}, {0, up, byId},
                {1, up, {"300", "12", "45", "7"}}, {1, down, {"7", "45", "12", "300"}}, {0, down, byIdDown}}) {
            d->clickHeader(d->centers(), section);
            QCOMPARE(d->ids(d->centers()), ids);
            // The header's arrow follows, on the column clicked.
            const QHeaderView *header = static_cast<QTreeView *>(d->centers())->header();
            QCOMPARE(
                std::pair(header->sortIndicatorSection(), header->sortIndicatorOrder()), std::pair(section, order));
        }
        d->clickHeader(d->chosen(), C::Name);
        QCOMPARE(d->ids(d->chosen()), QStringList({"10", "9"}));
        QCOMPARE(d->ids(d->centers()), byIdDown);
    }

    // Double click and "Remove" run ">" and "<" whatever the highlight:
    // exactly the current row moves. The menu shows only over a selected row.
    void doubleClicksAndRemoveMoveOnlyTheCurrentRow()
    {
        QVERIFY(d->load({{"7", "Seven", "1", ""}, {"12", "Twelve", "1", ""}, {"30", "Thirty", "1", ""}},
            {{"5", "Five", "0.075", "1"}, {"6", "Six", "0.05", "0"}, {"8", "Eight", "0.05", "0"}}));
        d->clickRow(d->centers(), "7", {}, Qt::RightButton);
        QVERIFY(!menu()->isVisible());
        d->clickRow(d->centers(), "7");
        d->clickRow(d->centers(), "12", Qt::ControlModifier);
        d->doubleClickRow(d->centers(), "30", Qt::ControlModifier); // adds "30" to the highlight, then moves it
        QCOMPARE(d->ids(d->centers()), QStringList({"7", "12"}));
        QCOMPARE(d->moveButtons() + d->highlighted(d->centers()).join(','), "011007,12");

        d->clickRow(d->chosen(), "5");
        d->clickRow(d->chosen(), "8", Qt::ControlModifier);
        d->clickRow(d->chosen(), "6", {}, Qt::RightButton);
        QVERIFY(menu()->isVisible());
        QCOMPARE(d->current(d->chosen()), "6");
        menu()->findChild<QAction *>("mnuRemoveItems")->trigger();
        menu()->hide();
        QCOMPARE(d->ids(d->chosen()), QStringList({"5", "8", "30"}));

        d->doubleClickRow(d->chosen(), "5");
        QCOMPARE(afterClick(), "10000 Update||0|0|0 5|*");
        d->doubleClickRow(d->centers(), ""); // below the rows: nothing moves
        QCOMPARE(d->ids(d->centers()), QStringList({"5", "6", "7", "12"}));
    }
};

QTEST_MAIN(ListEventsTest)
#include "ListEventsTest.moc"
