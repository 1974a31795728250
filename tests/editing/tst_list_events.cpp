// The list events: clicks on rows and on the empty area, ctrl/shift clicks,
// header clicks, double clicks and the "Remove" pop-up menu.

#include "EditingDriver.h"

#include <QAction>
#include <QtTest>

using namespace editing_test;
using vendorcenter::ColSortKey;

class ListEventsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void buttonTableFollowsEveryClick()
    {
        FakeServerPage server;
        Vendor_Center control;
        QVERIFY(loadAndShow(control, server,
                            {active("7", "Seven"), active("12", "Twelve"), active("30", "Thirty")},
                            {selected("5", "Five", "0.075", "1"), selected("6", "Six", "0.05", "0")}));
        ControlSurface &ui = vendorcenter::surfaceOf(control);

        // ">", ">>", "<", "<<", fee button
        clickRow(ui.lstCenters, "12");
        QCOMPARE(moveButtons(ui), QStringLiteral("10000"));
        QCOMPARE(highlightedIds(ui.lstCenters), QStringList{"12"});

        clickRow(ui.lstCenters, "30", Qt::ControlModifier);
        QCOMPARE(moveButtons(ui), QStringLiteral("01000"));
        QCOMPARE(highlightedIds(ui.lstCenters), (QStringList{"12", "30"}));

        // Ctrl-click takes one of the two off again: back to ">".
        clickRow(ui.lstCenters, "30", Qt::ControlModifier);
        QCOMPARE(moveButtons(ui), QStringLiteral("10000"));

        clickRow(ui.lstSelectedCenters, "5");
        QCOMPARE(moveButtons(ui), QStringLiteral("00101"));
        QVERIFY(highlightedIds(ui.lstCenters).isEmpty());
        QCOMPARE(feePanel(ui), QStringLiteral("Update|7.5|1|0|1"));
        QVERIFY(ui.cmdcenterHandFee->isEnabled());

        clickRow(ui.lstSelectedCenters, "6", Qt::ControlModifier);
        QCOMPARE(moveButtons(ui), QStringLiteral("00010"));
        QCOMPARE(feePanel(ui), QStringLiteral("Update||0|0|0"));

        // Back in the other list: the selected list loses its highlights,
        // the panel is reset.
        clickRow(ui.lstCenters, "7");
        QCOMPARE(moveButtons(ui), QStringLiteral("10000"));
        QVERIFY(highlightedIds(ui.lstSelectedCenters).isEmpty());
        QCOMPARE(feePanel(ui), QStringLiteral("Update||0|0|0"));

        // The empty area below the rows takes the highlights away; the
        // buttons follow the table for "0 highlighted".
        clickRow(ui.lstCenters, "12", Qt::ControlModifier);
        QCOMPARE(moveButtons(ui), QStringLiteral("01000"));
        clickEmptyArea(ui.lstCenters);
        QVERIFY(highlightedIds(ui.lstCenters).isEmpty());
        QCOMPARE(moveButtons(ui), QStringLiteral("10000"));

        clickRow(ui.lstSelectedCenters, "6");
        clickEmptyArea(ui.lstSelectedCenters);
        QVERIFY(highlightedIds(ui.lstSelectedCenters).isEmpty());
        QCOMPARE(moveButtons(ui), QStringLiteral("00101"));
        QCOMPARE(feePanel(ui), QStringLiteral("Update|5.0|0|0|1"));
        QVERIFY(!ui.cmdCommit->isEnabled()); // clicks never touch the commit button
    }

    void multiSelectStartsWithTheFirstClickIntoAList()
    {
        FakeServerPage server;
        Vendor_Center control;
        QVERIFY(loadAndShow(control, server,
                            {active("1", "A"), active("2", "B"), active("3", "C"), active("4", "D"), active("5", "E")},
                            {selected("8", "H", "0.01", "0"), selected("9", "I", "0.01", "0")}));
        ControlSurface &ui = vendorcenter::surfaceOf(control);
        QVERIFY(!ui.lstCenters->multiSelect());

        clickRow(ui.lstCenters, "2");
        QVERIFY(ui.lstCenters->multiSelect());
        QVERIFY(!ui.lstSelectedCenters->multiSelect());
        clickRow(ui.lstCenters, "4", Qt::ShiftModifier);
        QCOMPARE(highlightedIds(ui.lstCenters), (QStringList{"2", "3", "4"}));
        clickRow(ui.lstCenters, "1", Qt::ControlModifier);
        QCOMPARE(highlightedIds(ui.lstCenters), (QStringList{"1", "2", "3", "4"}));
        QCOMPARE(moveButtons(ui), QStringLiteral("01000"));

        // Into the other list: there multi-select is switched on, here off.
        clickRow(ui.lstSelectedCenters, "8");
        QVERIFY(ui.lstSelectedCenters->multiSelect());
        QVERIFY(!ui.lstCenters->multiSelect());
        clickRow(ui.lstSelectedCenters, "9", Qt::ControlModifier);
        QCOMPARE(highlightedIds(ui.lstSelectedCenters), (QStringList{"8", "9"}));
        QCOMPARE(moveButtons(ui), QStringLiteral("00010"));
    }

    void clicksIntoEmptyLists()
    {
        FakeServerPage server;
        Vendor_Center control;
        QVERIFY(loadAndShow(control, server, {}, {selected("5", "Five", "0.075", "1")}));
        ControlSurface &ui = vendorcenter::surfaceOf(control);

        clickRow(ui.lstSelectedCenters, "5");
        QCOMPARE(moveButtons(ui), QStringLiteral("00101"));
        // An empty list switches off the four moves and leaves the panel be.
        clickEmptyArea(ui.lstCenters);
        QCOMPARE(moveButtons(ui), QStringLiteral("00001"));
        QCOMPARE(feePanel(ui), QStringLiteral("Update|7.5|1|0|1"));

        clickRow(ui.lstSelectedCenters, "5");
        click(ui.cmdDelete);
        QCOMPARE(ui.lstSelectedCenters->count(), 0);
        clickRow(ui.lstCenters, "5");
        QCOMPARE(moveButtons(ui), QStringLiteral("10000"));
        clickEmptyArea(ui.lstSelectedCenters);
        QCOMPARE(moveButtons(ui), QStringLiteral("00000"));
    }

    void selectedListWithoutCurrentRowOffersNothing()
    {
        FakeServerPage server;
        Vendor_Center control;
        QVERIFY(loadAndShow(control, server, {active("7", "Seven")}, {selected("5", "Five", "0.075", "1")}));
        ControlSurface &ui = vendorcenter::surfaceOf(control);
        clickRow(ui.lstCenters, "7");
        QCOMPARE(moveButtons(ui), QStringLiteral("10000"));

        // A reload leaves the selected list without a current row; the click
        // below its rows has no row to show and stops quietly.
        control.LetDataFromDatabase(kVendor);
        QVERIFY(!ui.lstSelectedCenters->currentPosition());
        clickEmptyArea(ui.lstSelectedCenters);
        QCOMPARE(moveButtons(ui), QStringLiteral("10000"));
        QCOMPARE(feePanel(ui), QStringLiteral("Update||0|0|0"));
        // Nor is there a row for the pop-up menu.
        clickEmptyArea(ui.lstSelectedCenters, Qt::RightButton);
        QVERIFY(!ui.mnuRemove->isVisible());
    }

    void clicksEndAFeeEditInProgress()
    {
        FakeServerPage server;
        Vendor_Center control;
        QVERIFY(loadAndShow(control, server, {active("7", "Seven")},
                            {selected("5", "Five", "0.075", "1"), selected("6", "Six", "0.05", "0")}));
        ControlSurface &ui = vendorcenter::surfaceOf(control);

        clickRow(ui.lstSelectedCenters, "5");
        click(ui.cmdcenterHandFee);
        QTest::keyClicks(ui.txtCntHandFee, "42");
        QCOMPARE(feePanel(ui), QStringLiteral("Save|42|1|1|1"));

        // Another selected row: the edit ends and the panel shows that row.
        clickRow(ui.lstSelectedCenters, "6");
        QCOMPARE(feePanel(ui), QStringLiteral("Update|5.0|0|0|1"));
        QCOMPARE(cell(ui.lstSelectedCenters, "5", 3), QStringLiteral("7.5"));

        click(ui.cmdcenterHandFee);
        QTest::keyClicks(ui.txtCntHandFee, "42");
        // The other list: the panel is reset, the typed fee is lost.
        clickRow(ui.lstCenters, "7");
        QCOMPARE(feePanel(ui), QStringLiteral("Update||0|0|0"));
        QCOMPARE(cell(ui.lstSelectedCenters, "6", 3), QStringLiteral("5.0"));
    }

    void headerClicksSort()
    {
        FakeServerPage server;
        Vendor_Center control;
        QVERIFY(loadAndShow(control, server,
                            {active("300", "apple"), active("7", "Delta"), active("45", "cherry"), active("12", "Bravo")},
                            {selected("9", "zulu", "0.01", "0"), selected("10", "Alpha", "0.01", "0")}));
        ControlSurface &ui = vendorcenter::surfaceOf(control);
        CenterListView *list = ui.lstCenters;
        QCOMPARE(ids(list), (QStringList{"7", "12", "45", "300"})); // the padded key sorts numerically

        clickHeader(list, 0);
        QCOMPARE(ids(list), (QStringList{"300", "45", "12", "7"}));
        QCOMPARE(list->sortKey(), int(ColSortKey));
        clickHeader(list, 0);
        QCOMPARE(ids(list), (QStringList{"7", "12", "45", "300"}));

        clickHeader(list, 1); // by name, in the current direction, letter case ignored
        QCOMPARE(ids(list), (QStringList{"300", "12", "45", "7"}));
        QCOMPARE(list->sortKey(), 1);
        clickHeader(list, 1);
        QCOMPARE(ids(list), (QStringList{"7", "45", "12", "300"}));
        // A new column keeps the direction: descending by id now.
        clickHeader(list, 0);
        QCOMPARE(ids(list), (QStringList{"300", "45", "12", "7"}));

        // The other list sorts on its own.
        QCOMPARE(ids(ui.lstSelectedCenters), (QStringList{"9", "10"}));
        clickHeader(ui.lstSelectedCenters, 1);
        QCOMPARE(ids(ui.lstSelectedCenters), (QStringList{"10", "9"}));
        QCOMPARE(ids(list), (QStringList{"300", "45", "12", "7"}));
    }

    void doubleClicksMoveTheRow()
    {
        FakeServerPage server;
        Vendor_Center control;
        QVERIFY(loadAndShow(control, server, {active("7", "Seven"), active("12", "Twelve")},
                            {selected("5", "Five", "0.075", "1")}));
        ControlSurface &ui = vendorcenter::surfaceOf(control);

        doubleClickRow(ui.lstCenters, "12");
        QCOMPARE(ids(ui.lstCenters), QStringList{"7"});
        QCOMPARE(ids(ui.lstSelectedCenters), (QStringList{"5", "12"}));
        QCOMPARE(cell(ui.lstSelectedCenters, "12", 4), QStringLiteral("0N"));
        QCOMPARE(highlightedIds(ui.lstSelectedCenters), QStringList{"12"});
        QCOMPARE(moveButtons(ui), QStringLiteral("00100"));

        doubleClickRow(ui.lstSelectedCenters, "5");
        QCOMPARE(ids(ui.lstSelectedCenters), QStringList{"12"});
        QCOMPARE(ids(ui.lstCenters), (QStringList{"5", "7"}));
        QCOMPARE(cell(ui.lstCenters, "5", 4), QStringLiteral("1D"));
        QCOMPARE(highlightedIds(ui.lstCenters), QStringList{"5"});
        QCOMPARE(moveButtons(ui), QStringLiteral("10000"));
        QCOMPARE(feePanel(ui), QStringLiteral("Update||0|0|0"));

        // A double click on the empty area moves nothing.
        doubleClickAt(ui.lstCenters, QPoint(10, ui.lstCenters->viewport()->height() - 4));
        QCOMPARE(ids(ui.lstCenters), (QStringList{"5", "7"}));
    }

    void rightClickOffersRemove()
    {
        FakeServerPage server;
        Vendor_Center control;
        QVERIFY(loadAndShow(control, server, {active("7", "Seven")},
                            {selected("5", "Five", "0.075", "1"), selected("6", "Six", "0.05", "0")}));
        ControlSurface &ui = vendorcenter::surfaceOf(control);
        QVERIFY(!ui.mnuRemove->isVisible());

        // Right click over the other list: no menu.
        rightClickRow(ui.lstCenters, "7");
        QVERIFY(!ui.mnuRemove->isVisible());

        rightClickRow(ui.lstSelectedCenters, "6");
        QVERIFY(ui.mnuRemove->isVisible());
        QCOMPARE(currentId(ui.lstSelectedCenters), QStringLiteral("6"));
        ui.mnuRemoveItems->trigger();
        ui.mnuRemove->hide();
        QCOMPARE(ids(ui.lstSelectedCenters), QStringList{"5"});
        QCOMPARE(ids(ui.lstCenters), (QStringList{"6", "7"}));
        QCOMPARE(cell(ui.lstCenters, "6", 4), QStringLiteral("0D"));
        QVERIFY(ui.cmdCommit->isEnabled());

        // Nothing to remove, no menu.
        doubleClickRow(ui.lstSelectedCenters, "5");
        QCOMPARE(ui.lstSelectedCenters->count(), 0);
        clickEmptyArea(ui.lstSelectedCenters, Qt::RightButton);
        QVERIFY(!ui.mnuRemove->isVisible());
    }

    // Double click and "Remove" run ">" and "<" whatever the highlight:
    // exactly the current row moves, every other row stays where it was.
    void movesByDoubleClickOrMenuTakeOnlyTheCurrentRow()
    {
        FakeServerPage server;
        Vendor_Center control;
        QVERIFY(loadAndShow(control, server,
                            {active("7", "Seven"), active("12", "Twelve"), active("30", "Thirty"), active("45", "Forty")},
                            {selected("5", "Five", "0.075", "1"), selected("6", "Six", "0.05", "0"),
                             selected("8", "Eight", "0.05", "0")}));
        ControlSurface &ui = vendorcenter::surfaceOf(control);

        clickRow(ui.lstCenters, "7");
        clickRow(ui.lstCenters, "12", Qt::ControlModifier);
        // The ctrl double click adds "30" to the highlight (so "<<" is the
        // button on offer) and then moves it.
        doubleClickRow(ui.lstCenters, "30", Qt::ControlModifier);
        QCOMPARE(ids(ui.lstCenters), (QStringList{"7", "12", "45"}));
        QCOMPARE(highlightedIds(ui.lstCenters), (QStringList{"7", "12"}));
        QCOMPARE(ids(ui.lstSelectedCenters), (QStringList{"5", "6", "8", "30"}));
        QCOMPARE(cell(ui.lstSelectedCenters, "30", 4), QStringLiteral("0N"));
        QCOMPARE(moveButtons(ui), QStringLiteral("01100"));

        clickRow(ui.lstSelectedCenters, "5");
        clickRow(ui.lstSelectedCenters, "8", Qt::ControlModifier);
        rightClickRow(ui.lstSelectedCenters, "6");
        QVERIFY(ui.mnuRemove->isVisible());
        QCOMPARE(currentId(ui.lstSelectedCenters), QStringLiteral("6"));
        ui.mnuRemoveItems->trigger();
        ui.mnuRemove->hide();
        QCOMPARE(ids(ui.lstSelectedCenters), (QStringList{"5", "8", "30"}));
        QCOMPARE(cell(ui.lstSelectedCenters, "5", 4), QStringLiteral("1"));
        QCOMPARE(cell(ui.lstSelectedCenters, "8", 4), QStringLiteral("0"));
        QCOMPARE(ids(ui.lstCenters), (QStringList{"6", "7", "12", "45"}));
        QCOMPARE(cell(ui.lstCenters, "6", 4), QStringLiteral("0D"));
        QCOMPARE(ui.lblSelVendors->text(), QStringLiteral("Selected Centers (3):"));
        QCOMPARE(ui.lblAllVendors->text(), QStringLiteral("Non Selected Active Centers(4):"));
    }
};

QTEST_MAIN(ListEventsTest)
#include "tst_list_events.moc"
