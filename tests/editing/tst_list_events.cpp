// The list events: clicks on rows and on the empty area, ctrl/shift clicks,
// header clicks, double clicks and the "Remove" pop-up menu.

#include "EditingDriver.h"

#include <QAction>
#include <QtTest>

#include <memory>

using namespace editing_test;
using vendorcenter::ColDuty;
using vendorcenter::ColHandlingFee;
using vendorcenter::ColSortKey;

namespace {

// After a click: the move buttons, the fee panel, and per list its highlighted
// ids with "*" when multi-select is on, centers first.
QString afterClick(const ControlSurface &ui)
{
    const auto highlights = [](CenterListView *list) {
        return highlightedIds(list).join(',') + (list->multiSelect() ? "*" : "");
    };
    return moveButtons(ui) + ' ' + feePanel(ui) + ' ' + highlights(ui.lstCenters) + '|' +
           highlights(ui.lstSelectedCenters);
}

// A left click on a row of lstCenters ('C') or lstSelectedCenters ('S'), on
// the empty area below the rows when the id is empty, and what it leaves.
struct Click
{
    char list;
    const char *id;
    Qt::KeyboardModifiers modifiers;
    const char *after;
};

void runClicks(const ControlSurface &ui, std::initializer_list<Click> clicks)
{
    for (const Click &step : clicks) {
        CenterListView *list = step.list == 'C' ? ui.lstCenters : ui.lstSelectedCenters;
        if (*step.id)
            clickRow(list, step.id, step.modifiers);
        else
            clickEmptyArea(list);
        const QString label = QStringLiteral("%1 %2 %3: ").arg(step.list).arg(step.id).arg(int(step.modifiers));
        QCOMPARE(label + afterClick(ui), label + step.after);
    }
}

} // namespace

class ListEventsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakeServerPage> server_;
    std::unique_ptr<Vendor_Center> control_;

    bool load(const std::vector<FakeServerPage::ActiveCenter> &active,
              const std::vector<FakeServerPage::SelectedCenter> &selected)
    {
        return loadAndShow(*control_, *server_, active, selected);
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() { server_ = std::make_unique<FakeServerPage>(); control_ = std::make_unique<Vendor_Center>(); }
    void cleanup() { control_.reset(); server_.reset(); }

    // ">", ">>", "<", "<<" and the fee button follow the clicked list and the
    // number of its highlighted rows; multi-select goes with the last list clicked.
    void buttonsAndHighlightsFollowEveryClick()
    {
        QVERIFY(load({active("7", "Seven"), active("12", "Twelve"), active("30", "Thirty")},
                     {selected("5", "Five", "0.075", "1"), selected("6", "Six", "0.05", "0")}));
        const ControlSurface &ui = vendorcenter::surfaceOf(*control_);
        QCOMPARE(afterClick(ui).section(' ', 2), "|");

        runClicks(ui, {
            {'C', "12", {}, "10000 Update||0|0|0 12*|"},
            {'C', "30", Qt::ControlModifier, "01000 Update||0|0|0 12,30*|"},
            {'C', "30", Qt::ControlModifier, "10000 Update||0|0|0 12*|"}, // one of two off: ">" again
            {'C', "7", {}, "10000 Update||0|0|0 7*|"},
            {'C', "30", Qt::ShiftModifier, "01000 Update||0|0|0 7,12,30*|"},
            {'S', "5", {}, "00101 Update|7.5|1|0|1 |5*"},
            {'S', "6", Qt::ControlModifier, "00010 Update||0|0|0 |5,6*"},
            {'C', "7", {}, "10000 Update||0|0|0 7*|"},
            {'C', "12", Qt::ControlModifier, "01000 Update||0|0|0 7,12*|"},
            // The empty area takes the highlights away; the buttons follow
            // the table for none highlighted.
            {'C', "", {}, "10000 Update||0|0|0 *|"},
            {'S', "6", {}, "00101 Update|5.0|0|0|1 |6*"},
            {'S', "", {}, "00101 Update|5.0|0|0|1 |*"},
        });
        QVERIFY(!ui.cmdCommit->isEnabled()); // clicks never touch the commit button
    }

    void clicksIntoEmptyLists()
    {
        QVERIFY(load({}, {selected("5", "Five", "0.075", "1")}));
        const ControlSurface &ui = vendorcenter::surfaceOf(*control_);

        // An empty list switches off the four moves and leaves the panel be.
        runClicks(ui, {{'S', "5", {}, "00101 Update|7.5|1|0|1 |5*"}, {'C', "", {}, "00001 Update|7.5|1|0|1 |5*"}});
        clickRow(ui.lstSelectedCenters, "5");
        click(ui.cmdDelete);
        QCOMPARE(ui.lstSelectedCenters->count(), 0);
        runClicks(ui, {{'C', "5", {}, "10000 Update||0|0|0 5*|"}, {'S', "", {}, "00000 Update||0|0|0 5*|"}});
    }

    void selectedListWithoutCurrentRowOffersNothing()
    {
        QVERIFY(load({active("7", "Seven")}, {selected("5", "Five", "0.075", "1")}));
        const ControlSurface &ui = vendorcenter::surfaceOf(*control_);
        runClicks(ui, {{'C', "7", {}, "10000 Update||0|0|0 7*|"}});

        // A reload leaves the selected list without a current row; the click
        // below its rows has no row to show and stops quietly.
        control_->LetDataFromDatabase(kVendor);
        QVERIFY(!ui.lstSelectedCenters->currentPosition());
        runClicks(ui, {{'S', "", {}, "10000 Update||0|0|0 *|"}});
        // Nor is there a row for the pop-up menu.
        clickEmptyArea(ui.lstSelectedCenters, Qt::RightButton);
        QVERIFY(!ui.mnuRemove->isVisible());
    }

    void clicksEndAFeeEditInProgress()
    {
        QVERIFY(load({active("7", "Seven")}, {selected("5", "Five", "0.075", "1"), selected("6", "Six", "0.05", "0")}));
        const ControlSurface &ui = vendorcenter::surfaceOf(*control_);

        clickRow(ui.lstSelectedCenters, "5");
        click(ui.cmdcenterHandFee);
        QTest::keyClicks(ui.txtCntHandFee, "42");
        QCOMPARE(feePanel(ui), "Save|42|1|1|1");
        // Another selected row: the edit ends and the panel shows that row.
        clickRow(ui.lstSelectedCenters, "6");
        QCOMPARE(feePanel(ui), "Update|5.0|0|0|1");
        QCOMPARE(cell(ui.lstSelectedCenters, "5", ColHandlingFee), "7.5");

        click(ui.cmdcenterHandFee);
        QTest::keyClicks(ui.txtCntHandFee, "42");
        // The other list: the panel is reset, the typed fee is lost.
        clickRow(ui.lstCenters, "7");
        QCOMPARE(feePanel(ui), "Update||0|0|0");
        QCOMPARE(cell(ui.lstSelectedCenters, "6", ColHandlingFee), "5.0");
    }

    void headerClicksSort()
    {
        QVERIFY(load({active("300", "apple"), active("7", "Delta"), active("45", "cherry"), active("12", "Bravo")},
                     {selected("9", "zulu", "0.01", "0"), selected("10", "Alpha", "0.01", "0")}));
        const ControlSurface &ui = vendorcenter::surfaceOf(*control_);
        CenterListView *list = ui.lstCenters;
        const QStringList byId{"7", "12", "45", "300"}; // the padded key sorts numerically
        const QStringList byIdDown{"300", "45", "12", "7"};
        QCOMPARE(ids(list), byId);

        // A click on the sorting column turns the direction; a new column
        // keeps it. Names sort with letter case ignored.
        const struct {
            int section;
            int sortKey;
            QStringList ids;
        } clicks[] = {{0, ColSortKey, byIdDown},
                      {0, ColSortKey, byId},
                      {1, 1, {"300", "12", "45", "7"}},
                      {1, 1, {"7", "45", "12", "300"}},
                      {0, ColSortKey, byIdDown}};
        for (const auto &step : clicks) {
            clickHeader(list, step.section);
            QCOMPARE(ids(list), step.ids);
            QCOMPARE(list->sortKey(), step.sortKey);
        }

        // The other list sorts on its own.
        QCOMPARE(ids(ui.lstSelectedCenters), (QStringList{"9", "10"}));
        clickHeader(ui.lstSelectedCenters, 1);
        QCOMPARE(ids(ui.lstSelectedCenters), (QStringList{"10", "9"}));
        QCOMPARE(ids(list), byIdDown);
    }

    void doubleClicksAndRemoveMenuMoveTheRow()
    {
        QVERIFY(load({active("7", "Seven"), active("12", "Twelve")},
                     {selected("5", "Five", "0.075", "1"), selected("6", "Six", "0.05", "0")}));
        const ControlSurface &ui = vendorcenter::surfaceOf(*control_);

        // A right click over the other list shows no menu.
        rightClickRow(ui.lstCenters, "7");
        QVERIFY(!ui.mnuRemove->isVisible());
        rightClickRow(ui.lstSelectedCenters, "6");
        QVERIFY(ui.mnuRemove->isVisible());
        QCOMPARE(currentId(ui.lstSelectedCenters), "6");
        QVERIFY(!ui.cmdCommit->isEnabled());
        ui.mnuRemoveItems->trigger();
        ui.mnuRemove->hide();
        QCOMPARE(ids(ui.lstSelectedCenters), QStringList{"5"});
        QCOMPARE(ids(ui.lstCenters), (QStringList{"6", "7", "12"}));
        QCOMPARE(cell(ui.lstCenters, "6", ColDuty), "0D");
        QVERIFY(ui.cmdCommit->isEnabled());

        doubleClickRow(ui.lstCenters, "12");
        QCOMPARE(ids(ui.lstCenters), (QStringList{"6", "7"}));
        QCOMPARE(ids(ui.lstSelectedCenters), (QStringList{"5", "12"}));
        QCOMPARE(cell(ui.lstSelectedCenters, "12", ColDuty), "0N");
        QCOMPARE(afterClick(ui), "00100 Update||0|0|0 *|12");

        doubleClickRow(ui.lstSelectedCenters, "5");
        QCOMPARE(ids(ui.lstSelectedCenters), QStringList{"12"});
        QCOMPARE(ids(ui.lstCenters), (QStringList{"5", "6", "7"}));
        QCOMPARE(cell(ui.lstCenters, "5", ColDuty), "1D");
        QCOMPARE(afterClick(ui), "10000 Update||0|0|0 5|*");

        // A double click on the empty area moves nothing.
        doubleClickAt(ui.lstCenters, QPoint(10, ui.lstCenters->viewport()->height() - 4));
        QCOMPARE(ids(ui.lstCenters), (QStringList{"5", "6", "7"}));

        // Nothing to remove, no menu.
        doubleClickRow(ui.lstSelectedCenters, "12");
        QCOMPARE(ui.lstSelectedCenters->count(), 0);
        clickEmptyArea(ui.lstSelectedCenters, Qt::RightButton);
        QVERIFY(!ui.mnuRemove->isVisible());
    }

    // Double click and "Remove" run ">" and "<" whatever the highlight:
    // exactly the current row moves, every other row stays where it was.
    void movesByDoubleClickOrMenuTakeOnlyTheCurrentRow()
    {
        QVERIFY(load({active("7", "Seven"), active("12", "Twelve"), active("30", "Thirty"), active("45", "Forty")},
                     {selected("5", "Five", "0.075", "1"), selected("6", "Six", "0.05", "0"),
                      selected("8", "Eight", "0.05", "0")}));
        const ControlSurface &ui = vendorcenter::surfaceOf(*control_);

        clickRow(ui.lstCenters, "7");
        clickRow(ui.lstCenters, "12", Qt::ControlModifier);
        // The ctrl double click adds "30" to the highlight (so "<<" is the
        // button on offer) and then moves it.
        doubleClickRow(ui.lstCenters, "30", Qt::ControlModifier);
        QCOMPARE(ids(ui.lstCenters), (QStringList{"7", "12", "45"}));
        QCOMPARE(ids(ui.lstSelectedCenters), (QStringList{"5", "6", "8", "30"}));
        QCOMPARE(cell(ui.lstSelectedCenters, "30", ColDuty), "0N");
        QCOMPARE(afterClick(ui).section(' ', 0, 0), "01100");
        QCOMPARE(highlightedIds(ui.lstCenters), (QStringList{"7", "12"}));

        clickRow(ui.lstSelectedCenters, "5");
        clickRow(ui.lstSelectedCenters, "8", Qt::ControlModifier);
        rightClickRow(ui.lstSelectedCenters, "6");
        QVERIFY(ui.mnuRemove->isVisible());
        QCOMPARE(currentId(ui.lstSelectedCenters), "6");
        ui.mnuRemoveItems->trigger();
        ui.mnuRemove->hide();
        QCOMPARE(ids(ui.lstSelectedCenters), (QStringList{"5", "8", "30"}));
        QCOMPARE(cell(ui.lstSelectedCenters, "5", ColDuty), "1");
        QCOMPARE(cell(ui.lstSelectedCenters, "8", ColDuty), "0");
        QCOMPARE(ids(ui.lstCenters), (QStringList{"6", "7", "12", "45"}));
        QCOMPARE(cell(ui.lstCenters, "6", ColDuty), "0D");
        QCOMPARE(ui.lblSelVendors->text(), "Selected Centers (3):");
        QCOMPARE(ui.lblAllVendors->text(), "Non Selected Active Centers(4):");
    }
};

QTEST_MAIN(ListEventsTest)
#include "tst_list_events.moc"
