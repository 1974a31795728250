#include "ControlDriver.h"

#include <QAction>
#include <QMenu>
#include <QTest>

using C = ControlDriver;

namespace {

// A left click on a row of lstCenters ('C') or lstSelectedCenters ('S'), below
// the rows when the id is empty, and what it leaves: the move buttons, the fee
// panel, and per list its highlighted ids with "*" while multi-select is on.
struct Click
{
    char list;
    const char *id;
    Qt::KeyboardModifiers modifiers;
    const char *after;
};

} // namespace

class ListEventsTest : public QObject
{
    Q_OBJECT

    ControlDriver *d = nullptr;

    QString afterClick() const
    {
        const auto highlights = [](QAbstractItemView *list) {
            return C::highlighted(list).join(',') + (C::multiSelect(list) ? "*" : "");
        };
        return d->moveButtons() + ' ' + d->feePanel() + ' ' + highlights(d->centers()) + '|' + highlights(d->chosen());
    }
    void run(std::initializer_list<Click> clicks)
    {
        for (const Click &step : clicks) {
            QAbstractItemView *list = step.list == 'C' ? d->centers() : d->chosen();
            if (*step.id)
                d->clickRow(list, step.id, step.modifiers);
            else
                d->clickBelowRows(list);
            const QString label = QStringLiteral("%1 %2 %3: ").arg(step.list).arg(step.id).arg(int(step.modifiers));
            QCOMPARE(label + afterClick(), label + step.after);
        }
    }
    QMenu *menu() const { return d->widget<QMenu>("mnuRemove"); }
    void chooseRemove()
    {
        QVERIFY(menu()->isVisible());
        menu()->findChild<QAction *>("mnuRemoveItems")->trigger();
        menu()->hide();
    }

private slots:
    void init() { d = new ControlDriver; }
    void cleanup() { delete d; }

    // The buttons follow the clicked list and the number of its highlighted
    // rows; multi-select goes with the last list clicked.
    void buttonsAndHighlightsFollowEveryClick()
    {
        QVERIFY(d->load({{"7", "Seven", "1", ""}, {"12", "Twelve", "1", ""}, {"30", "Thirty", "1", ""}},
                        {{"5", "Five", "0.075", "1"}, {"6", "Six", "0.05", "0"}}));
        run({
            {'C', "12", {}, "10000 Update||0|0|0 12*|"},
            {'C', "30", Qt::ControlModifier, "01000 Update||0|0|0 12,30*|"},
            {'C', "30", Qt::ControlModifier, "10000 Update||0|0|0 12*|"},
            {'C', "7", {}, "10000 Update||0|0|0 7*|"},
            {'C', "30", Qt::ShiftModifier, "01000 Update||0|0|0 7,12,30*|"},
            {'S', "5", {}, "00101 Update|7.5|1|0|1 |5*"},
            {'S', "6", Qt::ControlModifier, "00010 Update||0|0|0 |5,6*"},
            {'C', "7", {}, "10000 Update||0|0|0 7*|"},
            {'C', "12", Qt::ControlModifier, "01000 Update||0|0|0 7,12*|"},
            // Below the rows: the highlights go, the buttons follow none highlighted.
            {'C', "", {}, "10000 Update||0|0|0 *|"},
            {'S', "6", {}, "00101 Update|5.0|0|0|1 |6*"},
            {'S', "", {}, "00101 Update|5.0|0|0|1 |*"},
        });
        QVERIFY(!d->enabled("cmdCommit"));
    }

    void clicksIntoEmptyLists()
    {
        QVERIFY(d->load({}, {{"5", "Five", "0.075", "1"}}));
        // An empty list switches off the four moves and leaves the panel be.
        run({{'S', "5", {}, "00101 Update|7.5|1|0|1 |5*"}, {'C', "", {}, "00001 Update|7.5|1|0|1 |5*"}});
        d->clickRow(d->chosen(), "5");
        d->click("cmdDelete");
        run({{'C', "5", {}, "10000 Update||0|0|0 5*|"}, {'S', "", {}, "00000 Update||0|0|0 5*|"}});
    }

    // A reload leaves the selected list without a current row: a click below
    // its rows has no row to show, nor a right click a row to remove.
    void selectedListWithoutCurrentRowOffersNothing()
    {
        QVERIFY(d->load({{"7", "Seven", "1", ""}}, {{"5", "Five", "0.075", "1"}}));
        run({{'C', "7", {}, "10000 Update||0|0|0 7*|"}});
        d->control.LetDataFromDatabase(C::kVendor);
        run({{'S', "", {}, "10000 Update||0|0|0 *|"}});
        d->clickBelowRows(d->chosen(), Qt::RightButton);
        QVERIFY(!menu()->isVisible());
    }

    // The sorting column turns the direction; a new column keeps it. Names
    // sort with letter case ignored; each list sorts on its own.
    void headerClicksSort()
    {
        QVERIFY(d->load({{"300", "apple", "1", ""}, {"7", "Delta", "1", ""}, {"45", "cherry", "1", ""}, {"12", "Bravo", "1", ""}},
                        {{"9", "zulu", "0.01", "0"}, {"10", "Alpha", "0.01", "0"}}));
        const QStringList byId{"7", "12", "45", "300"};
        const QStringList byIdDown{"300", "45", "12", "7"};
        QCOMPARE(d->ids(d->centers()), byId);
        const std::pair<int, QStringList> clicks[] = {
            {0, byIdDown}, {0, byId}, {1, {"300", "12", "45", "7"}}, {1, {"7", "45", "12", "300"}}, {0, byIdDown}};
        for (const auto &[section, ids] : clicks) {
            d->clickHeader(d->centers(), section);
            QCOMPARE(d->ids(d->centers()), ids);
        }
        d->clickHeader(d->chosen(), 1);
        QCOMPARE(d->ids(d->chosen()), QStringList({"10", "9"}));
        QCOMPARE(d->ids(d->centers()), byIdDown);
    }

    // Double click and "Remove" run ">" and "<" whatever the highlight:
    // exactly the current row moves.
    void doubleClicksAndRemoveMoveOnlyTheCurrentRow()
    {
        QVERIFY(d->load({{"7", "Seven", "1", ""}, {"12", "Twelve", "1", ""}, {"30", "Thirty", "1", ""}},
                        {{"5", "Five", "0.075", "1"}, {"6", "Six", "0.05", "0"}, {"8", "Eight", "0.05", "0"}}));
        d->clickRow(d->centers(), "7", {}, Qt::RightButton);
        QVERIFY(!menu()->isVisible()); // no menu over the other list
        d->clickRow(d->centers(), "7");
        d->clickRow(d->centers(), "12", Qt::ControlModifier);
        // The ctrl double click adds "30" to the highlight, then moves it.
        d->doubleClickRow(d->centers(), "30", Qt::ControlModifier);
        QCOMPARE(d->ids(d->centers()), QStringList({"7", "12"}));
        QCOMPARE(d->cell(d->chosen(), "30", C::Duty), "0N");
        QCOMPARE(d->moveButtons(), "01100");
        QCOMPARE(d->highlighted(d->centers()), QStringList({"7", "12"}));
        QVERIFY(d->enabled("cmdCommit"));

        d->clickRow(d->chosen(), "5");
        d->clickRow(d->chosen(), "8", Qt::ControlModifier);
        d->clickRow(d->chosen(), "6", {}, Qt::RightButton);
        QCOMPARE(d->current(d->chosen()), "6");
        chooseRemove();
        QCOMPARE(d->ids(d->chosen()), QStringList({"5", "8", "30"}));
        QCOMPARE(d->cell(d->centers(), "6", C::Duty), "0D");
        QCOMPARE(d->text("lblSelVendors"), "Selected Centers (3):");
        QCOMPARE(d->text("lblAllVendors"), "Non Selected Active Centers(3):");

        d->doubleClickRow(d->chosen(), "5");
        QCOMPARE(d->cell(d->centers(), "5", C::Duty), "1D");
        QCOMPARE(afterClick(), "10000 Update||0|0|0 5|*");
        // Below the rows a double click moves nothing.
        d->doubleClickRow(d->centers(), "");
        QCOMPARE(d->ids(d->centers()), QStringList({"5", "6", "7", "12"}));
        // Nothing left to remove, no menu.
        d->doubleClickRow(d->chosen(), "8");
        d->doubleClickRow(d->chosen(), "30");
        QCOMPARE(afterClick(), "10000 Update||0|0|0 30|*");
        d->clickBelowRows(d->chosen(), Qt::RightButton);
        QVERIFY(!menu()->isVisible());
    }
};

QTEST_MAIN(ListEventsTest)
#include "ListEventsTest.moc"
