// ">", "<", ">>" and "<<" through their buttons, and the round trips of the
// change marks through the real handlers.

#include "EditingDriver.h"

#include "editing/CenterMoves.h"
#include "editing/Marks.h"

#include <QDate>
#include <QItemSelectionModel>
#include <QRegularExpression>
#include <QtTest>

using namespace editing_test;
using vendorcenter::ColDateUpdated;
using vendorcenter::ColDuty;
using vendorcenter::ColHandlingFee;
using vendorcenter::ColSortKey;

namespace {

QString today()
{
    return QDate::currentDate().toString(QStringLiteral("MM/dd/yyyy"));
}

bool isStampOfToday(const QString &stamp)
{
    static const QRegularExpression dateTime(QStringLiteral("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d$"));
    return dateTime.match(stamp).hasMatch() && stamp.startsWith(today());
}

bool rowIsInView(CenterListView *list, const QString &id)
{
    const QRect rect = list->visualRect(list->model()->index(positionOf(list, id), 0));
    return list->viewport()->rect().contains(rect.center());
}

} // namespace

class CenterMovesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void addMovesTheCurrentRow()
    {
        FakeServerPage server;
        Vendor_Center control;
        QVERIFY(loadAndShow(control, server,
                            {active("7", "Seven", "2", "03/04/2021"), active("12", "Twelve"), active("30", "Thirty")},
                            {selected("5", "Five", "0.075", "1")}, /*dutyDefault*/ 1));
        ControlSurface &ui = vendorcenter::surfaceOf(control);
        CenterListView *target = ui.lstSelectedCenters;

        clickRow(ui.lstCenters, "7");
        click(ui.cmdAdd);
        QCOMPARE(ids(ui.lstCenters), (QStringList{"12", "30"}));
        QCOMPARE(ids(target), (QStringList{"5", "7"}));
        QCOMPARE(cell(target, "7", 1), QStringLiteral("Seven"));
        QCOMPARE(cell(target, "7", 2), QStringLiteral("2"));
        QCOMPARE(cell(target, "7", ColHandlingFee), QStringLiteral("8.00"));
        QCOMPARE(cell(target, "7", ColDuty), QStringLiteral("1N"));
        QVERIFY2(isStampOfToday(cell(target, "7", ColDateUpdated)), qPrintable(cell(target, "7", ColDateUpdated)));
        QCOMPARE(cell(target, "7", ColSortKey), QStringLiteral("0007"));

        QCOMPARE(ui.lblSelVendors->text(), QStringLiteral("Selected Centers (2):"));
        QCOMPARE(ui.lblAllVendors->text(), QStringLiteral("Non Selected Active Centers(2):"));
        QCOMPARE(highlightedIds(target), QStringList{"7"});
        QCOMPARE(currentId(target), QStringLiteral("7"));
        QVERIFY(!target->multiSelect());
        QCOMPARE(target->window()->focusWidget(), static_cast<QWidget *>(target));
        QCOMPARE(moveButtons(ui), QStringLiteral("00100"));
        QVERIFY(ui.cmdCommit->isEnabled());
        QVERIFY(ui.optList[1]->isChecked());
        QVERIFY(ui.optList[0]->isEnabled());
        QVERIFY(ui.optList[1]->isEnabled());
    }

    void addOnlyClearsTheFeeFields()
    {
        FakeServerPage server;
        Vendor_Center control;
        QVERIFY(loadAndShow(control, server, {active("7", "Seven")}, {selected("5", "Five", "0.075", "1")}));
        ControlSurface &ui = vendorcenter::surfaceOf(control);

        clickRow(ui.lstSelectedCenters, "5");
        click(ui.cmdcenterHandFee);
        QCOMPARE(feePanel(ui), QStringLiteral("Save|7.5|1|1|1"));
        // Called directly: every click into lstCenters would reset the panel first.
        vendorcenter::privateOf(control).moves->add();
        QCOMPARE(ids(ui.lstSelectedCenters), (QStringList{"5", "7"}));
        QCOMPARE(feePanel(ui), QStringLiteral("Save||0|1|1"));
    }

    void removeCarriesTheDateAndResetsTheFeePanel()
    {
        FakeServerPage server;
        Vendor_Center control;
        QVERIFY(loadAndShow(control, server, {active("7", "Seven")},
                            {selected("5", "Five", "0.075", "1"), selected("6", "Six", "0.05", "0")}));
        ControlSurface &ui = vendorcenter::surfaceOf(control);
        CenterListView *target = ui.lstCenters;

        clickRow(ui.lstSelectedCenters, "5");
        click(ui.cmdcenterHandFee);
        QTest::keyClicks(ui.txtCntHandFee, "9");
        click(ui.cmdDelete);
        QCOMPARE(feePanel(ui), QStringLiteral("Update||0|0|0"));
        QCOMPARE(ids(ui.lstSelectedCenters), QStringList{"6"});
        QCOMPARE(ids(target), (QStringList{"5", "7"}));
        QCOMPARE(cell(target, "5", ColHandlingFee), QStringLiteral("7.5"));
        QCOMPARE(cell(target, "5", ColDuty), QStringLiteral("1D"));
        QCOMPARE(cell(target, "5", ColDateUpdated), QString()); // a loaded selected row has none
        QCOMPARE(cell(target, "5", ColSortKey), QStringLiteral("0005"));
        QCOMPARE(highlightedIds(target), QStringList{"5"});
        QCOMPARE(target->window()->focusWidget(), static_cast<QWidget *>(target));
        QCOMPARE(ui.lblSelVendors->text(), QStringLiteral("Selected Centers (1):"));
        QCOMPARE(ui.lblAllVendors->text(), QStringLiteral("Non Selected Active Centers(2):"));
        QCOMPARE(moveButtons(ui), QStringLiteral("10000"));
        QVERIFY(ui.cmdCommit->isEnabled());
        QVERIFY(ui.optList[0]->isChecked());
        QVERIFY(ui.optList[0]->isEnabled());
        QVERIFY(ui.optList[1]->isEnabled());
    }

    void lastRowsLeaveTheirOptionDisabled()
    {
        FakeServerPage server;
        Vendor_Center control;
        QVERIFY(loadAndShow(control, server, {active("7", "Seven")}, {}));
        ControlSurface &ui = vendorcenter::surfaceOf(control);

        clickRow(ui.lstCenters, "7");
        click(ui.cmdAdd);
        QCOMPARE(ui.lblAllVendors->text(), QStringLiteral("Non Selected Active Centers(0):"));
        QVERIFY(!ui.optList[0]->isEnabled());
        QVERIFY(ui.optList[1]->isEnabled());
        QVERIFY(ui.optList[1]->isChecked());

        clickRow(ui.lstSelectedCenters, "7");
        click(ui.cmdDelete);
        QCOMPARE(ui.lblSelVendors->text(), QStringLiteral("Selected Centers (0):"));
        QVERIFY(!ui.optList[1]->isEnabled());
        QVERIFY(ui.optList[0]->isEnabled());
        QVERIFY(ui.optList[0]->isChecked());
        QCOMPARE(cell(ui.lstCenters, "7", ColDuty), QStringLiteral("0"));
        // The stamp of ">" stays on the row it went back with.
        QVERIFY(isStampOfToday(cell(ui.lstCenters, "7", ColDateUpdated)));
    }

    void addRefusesACenterAlreadySelected()
    {
        FakeServerPage server;
        Vendor_Center control;
        // The server lists center 5 in both lists.
        QVERIFY(loadAndShow(control, server, {active("5", "Five again"), active("7", "Seven")},
                            {selected("5", "Five", "0.075", "1")}));
        ControlSurface &ui = vendorcenter::surfaceOf(control);
        const QString allLabel = ui.lblAllVendors->text();
        const QString selectedLabel = ui.lblSelVendors->text();

        clickRow(ui.lstCenters, "5");
        click(ui.cmdAdd);
        QCOMPARE(ids(ui.lstCenters), (QStringList{"5", "7"}));
        QCOMPARE(ids(ui.lstSelectedCenters), QStringList{"5"});
        QCOMPARE(ui.lblAllVendors->text(), allLabel);
        QCOMPARE(ui.lblSelVendors->text(), selectedLabel);
        QCOMPARE(moveButtons(ui), QStringLiteral("10000"));
        QVERIFY(!ui.cmdCommit->isEnabled());
    }

    void roundTripsRestoreTheMarks()
    {
        FakeServerPage server;
        Vendor_Center control;
        QVERIFY(loadAndShow(control, server, {active("7", "Seven")},
                            {selected("5", "Five", "0.075", "1"), selected("6", "Six", "0.05", "0")}));
        ControlSurface &ui = vendorcenter::surfaceOf(control);

        // Out and straight back in: the loaded duty text again.
        doubleClickRow(ui.lstSelectedCenters, "5");
        QCOMPARE(cell(ui.lstCenters, "5", ColDuty), QStringLiteral("1D"));
        doubleClickRow(ui.lstCenters, "5");
        QCOMPARE(cell(ui.lstSelectedCenters, "5", ColDuty), QStringLiteral("1"));
        QCOMPARE(cell(ui.lstSelectedCenters, "5", ColHandlingFee), QStringLiteral("7.5"));

        // In and straight back out.
        clickRow(ui.lstCenters, "7");
        click(ui.cmdAdd);
        QCOMPARE(cell(ui.lstSelectedCenters, "7", ColDuty), QStringLiteral("0N"));
        click(ui.cmdDelete);
        QCOMPARE(cell(ui.lstCenters, "7", ColDuty), QStringLiteral("0"));

        // Fee saved, out, in: "U" with the new fee.
        clickRow(ui.lstSelectedCenters, "6");
        click(ui.cmdcenterHandFee);
        QTest::keyClicks(ui.txtCntHandFee, "4.25");
        click(ui.cmdcenterHandFee);
        QCOMPARE(cell(ui.lstSelectedCenters, "6", ColDuty), QStringLiteral("0U"));
        clickRow(ui.lstSelectedCenters, "6");
        click(ui.cmdDelete);
        QCOMPARE(cell(ui.lstCenters, "6", ColDuty), QStringLiteral("0DU"));
        QCOMPARE(cell(ui.lstCenters, "6", ColHandlingFee), QStringLiteral("4.25"));
        clickRow(ui.lstCenters, "6");
        click(ui.cmdAdd);
        QCOMPARE(cell(ui.lstSelectedCenters, "6", ColDuty), QStringLiteral("0U"));
        QCOMPARE(cell(ui.lstSelectedCenters, "6", ColHandlingFee), QStringLiteral("4.25"));

        // "N" survives a fee change.
        clickRow(ui.lstCenters, "7");
        click(ui.cmdAdd);
        clickRow(ui.lstSelectedCenters, "7");
        click(ui.cmdcenterHandFee);
        QTest::keyClicks(ui.txtCntHandFee, "9");
        click(ui.cmdcenterHandFee);
        QCOMPARE(cell(ui.lstSelectedCenters, "7", ColDuty), QStringLiteral("0N"));
        QCOMPARE(cell(ui.lstSelectedCenters, "7", ColHandlingFee), QStringLiteral("9.00"));
        QCOMPARE(cell(ui.lstSelectedCenters, "7", ColSortKey), QStringLiteral("0007"));
    }

    void movedRowIsScrolledIntoView()
    {
        std::vector<FakeServerPage::ActiveCenter> many;
        for (int id = 100; id < 160; ++id)
            many.push_back(active(QString::number(id), QStringLiteral("Center %1").arg(id)));
        std::vector<FakeServerPage::SelectedCenter> chosen;
        for (int id = 1; id < 60; ++id)
            chosen.push_back(selected(QString::number(id), QStringLiteral("Chosen %1").arg(id), "0.01", "0"));
        FakeServerPage server;
        Vendor_Center control;
        QVERIFY(loadAndShow(control, server, many, chosen));
        ControlSurface &ui = vendorcenter::surfaceOf(control);

        clickRow(ui.lstCenters, "100");
        click(ui.cmdAdd);
        QCOMPARE(ids(ui.lstSelectedCenters).last(), QStringLiteral("100"));
        QVERIFY(rowIsInView(ui.lstSelectedCenters, "100"));

        ui.lstSelectedCenters->scrollToBottom();
        clickRow(ui.lstSelectedCenters, "100");
        click(ui.cmdDelete);
        QCOMPARE(ids(ui.lstCenters).first(), QStringLiteral("100"));
        QVERIFY(rowIsInView(ui.lstCenters, "100"));
    }

    void addAllMovesEveryHighlightedRow()
    {
        FakeServerPage server;
        Vendor_Center control;
        QVERIFY(loadAndShow(control, server,
                            {active("3", "C"), active("14", "N"), active("25", "Y"), active("40", "Z"), active("9", "I")},
                            {selected("20", "T", "0.01", "1")}));
        ControlSurface &ui = vendorcenter::surfaceOf(control);
        CenterListView *target = ui.lstSelectedCenters;

        clickHeader(target, 1); // sorted by name before the move
        clickRow(ui.lstCenters, "3");
        clickRow(ui.lstCenters, "25", Qt::ControlModifier);
        clickRow(ui.lstCenters, "40", Qt::ControlModifier);
        QCOMPARE(moveButtons(ui), QStringLiteral("01000"));
        click(ui.cmdAddAll);

        QCOMPARE(ids(ui.lstCenters), (QStringList{"9", "14"}));
        QCOMPARE(ids(target), (QStringList{"3", "20", "25", "40"})); // by id again
        QCOMPARE(target->sortKey(), int(ColSortKey));
        QCOMPARE(highlightedIds(target), (QStringList{"3", "25", "40"}));
        QVERIFY(target->multiSelect());
        for (const QString id : {"3", "25", "40"}) {
            QCOMPARE(cell(target, id, ColDuty), QStringLiteral("0N"));
            QCOMPARE(cell(target, id, ColDateUpdated), today());
        }
        QCOMPARE(cell(target, "20", ColDuty), QStringLiteral("1"));
        QCOMPARE(ui.lblSelVendors->text(), QStringLiteral("Selected Centers (4):"));
        QCOMPARE(ui.lblAllVendors->text(), QStringLiteral("Non Selected Active Centers(2):"));
        QCOMPARE(moveButtons(ui), QStringLiteral("00010"));
        QVERIFY(ui.cmdCommit->isEnabled());
        QVERIFY(ui.optList[1]->isChecked());
        QVERIFY(ui.optList[0]->isEnabled());
        QCOMPARE(target->window()->focusWidget(), static_cast<QWidget *>(target));

        // The three come back with their marks taken off, and the panel reset.
        clickRow(target, "3");
        clickRow(target, "25", Qt::ControlModifier);
        clickRow(target, "40", Qt::ControlModifier);
        click(ui.cmdRemoveAll);
        QCOMPARE(ids(ui.lstCenters), (QStringList{"3", "9", "14", "25", "40"}));
        QCOMPARE(cell(ui.lstCenters, "25", ColDuty), QStringLiteral("0"));
        QCOMPARE(cell(ui.lstCenters, "25", ColDateUpdated), today());
        QCOMPARE(highlightedIds(ui.lstCenters), (QStringList{"3", "25", "40"}));
        QCOMPARE(moveButtons(ui), QStringLiteral("01000"));
        QVERIFY(ui.optList[0]->isChecked());
    }

    void removeAllMarksByTheRowsMark()
    {
        FakeServerPage server;
        Vendor_Center control;
        QVERIFY(loadAndShow(control, server, {active("7", "Seven", "1", "05/06/2022"), active("8", "Eight")},
                            {selected("5", "Five", "0.075", "1"), selected("6", "Six", "0.05", "0")}));
        ControlSurface &ui = vendorcenter::surfaceOf(control);

        clickRow(ui.lstCenters, "7");
        click(ui.cmdAdd); // "0N"
        clickRow(ui.lstSelectedCenters, "5");
        click(ui.cmdcenterHandFee);
        QTest::keyClicks(ui.txtCntHandFee, "3");
        click(ui.cmdcenterHandFee); // "1U"
        const QString stampOf7 = cell(ui.lstSelectedCenters, "7", ColDateUpdated);

        clickRow(ui.lstSelectedCenters, "5");
        clickRow(ui.lstSelectedCenters, "6", Qt::ControlModifier);
        clickRow(ui.lstSelectedCenters, "7", Qt::ControlModifier);
        QCOMPARE(moveButtons(ui), QStringLiteral("00010"));
        click(ui.cmdRemoveAll);

        QCOMPARE(ui.lstSelectedCenters->count(), 0);
        QCOMPARE(cell(ui.lstCenters, "5", ColDuty), QStringLiteral("1DU"));
        QCOMPARE(cell(ui.lstCenters, "5", ColHandlingFee), QStringLiteral("3.00"));
        QCOMPARE(cell(ui.lstCenters, "6", ColDuty), QStringLiteral("0D"));
        QCOMPARE(cell(ui.lstCenters, "7", ColDuty), QStringLiteral("0"));
        QCOMPARE(cell(ui.lstCenters, "7", ColDateUpdated), stampOf7);
        QCOMPARE(cell(ui.lstCenters, "6", ColDateUpdated), QString());
        QCOMPARE(ids(ui.lstCenters), (QStringList{"5", "6", "7", "8"}));
        QCOMPARE(highlightedIds(ui.lstCenters), (QStringList{"5", "6", "7"}));
        QVERIFY(ui.lstCenters->multiSelect());
        QCOMPARE(ui.lblSelVendors->text(), QStringLiteral("Selected Centers (0):"));
        QCOMPARE(ui.lblAllVendors->text(), QStringLiteral("Non Selected Active Centers(4):"));
        QCOMPARE(feePanel(ui), QStringLiteral("Update||0|0|0"));
        QVERIFY(!ui.optList[1]->isEnabled());
        QVERIFY(ui.optList[0]->isEnabled());
        QVERIFY(ui.optList[0]->isChecked());
    }

    // A center already in the selected list stays where it is; the others move.
    void addAllSkipsCentersAlreadySelected()
    {
        FakeServerPage server;
        Vendor_Center control;
        QVERIFY(loadAndShow(control, server, {active("5", "Five again"), active("7", "Seven"), active("8", "Eight")},
                            {selected("5", "Five", "0.075", "1")}));
        ControlSurface &ui = vendorcenter::surfaceOf(control);

        clickRow(ui.lstCenters, "5");
        clickRow(ui.lstCenters, "7", Qt::ControlModifier);
        clickRow(ui.lstCenters, "8", Qt::ControlModifier);
        click(ui.cmdAddAll);
        QCOMPARE(ids(ui.lstSelectedCenters), (QStringList{"5", "7", "8"}));
        QCOMPARE(cell(ui.lstSelectedCenters, "5", ColDuty), QStringLiteral("1"));
        QCOMPARE(cell(ui.lstSelectedCenters, "5", 1), QStringLiteral("Five"));
        QCOMPARE(ids(ui.lstCenters), QStringList{"5"});
        QCOMPARE(highlightedIds(ui.lstSelectedCenters), (QStringList{"7", "8"}));
        QCOMPARE(ui.lblAllVendors->text(), QStringLiteral("Non Selected Active Centers(1):"));
    }

    // Nothing highlighted and an empty target: nothing moves, the rest runs.
    void movesOfAllWithNothingHighlighted()
    {
        FakeServerPage server;
        Vendor_Center control;
        QVERIFY(loadAndShow(control, server, {active("7", "Seven"), active("8", "Eight")}, {}));
        ControlSurface &ui = vendorcenter::surfaceOf(control);
        vendorcenter::CenterMoves &moves = *vendorcenter::privateOf(control).moves;
        QVERIFY(ui.lstCenters->highlightedPositions().empty());

        moves.addAll();
        QCOMPARE(ids(ui.lstCenters), (QStringList{"7", "8"}));
        QCOMPARE(ui.lstSelectedCenters->count(), 0);
        QCOMPARE(ui.lblSelVendors->text(), QStringLiteral("Selected Centers (0):"));
        QCOMPARE(ui.lblAllVendors->text(), QStringLiteral("Non Selected Active Centers(2):"));
        QCOMPARE(ui.lstSelectedCenters->sortKey(), int(ColSortKey));
        QVERIFY(!ui.cmdAddAll->isEnabled());
        QVERIFY(ui.cmdRemoveAll->isEnabled());
        QVERIFY(ui.cmdCommit->isEnabled());
        QVERIFY(ui.optList[1]->isChecked());

        // "<<" the other way: move both out first, then nothing is highlighted there.
        clickRow(ui.lstCenters, "7");
        clickRow(ui.lstCenters, "8", Qt::ControlModifier);
        click(ui.cmdAddAll);
        QCOMPARE(ui.lstCenters->count(), 0);
        QVERIFY(!ui.optList[0]->isEnabled());
        ui.lstSelectedCenters->clearHighlights();
        moves.removeAll();
        QCOMPARE(ids(ui.lstSelectedCenters), (QStringList{"7", "8"}));
        QCOMPARE(ui.lstCenters->count(), 0);
        QVERIFY(ui.cmdAddAll->isEnabled());
        QVERIFY(!ui.cmdRemoveAll->isEnabled());
        QVERIFY(ui.optList[0]->isChecked());
        QCOMPARE(feePanel(ui), QStringLiteral("Update||0|0|0"));
    }

    // 10,000 of 16,000 rows highlighted move in one click, both ways.
    void movesOfAllOnLongLists()
    {
        Vendor_Center control;
        ControlSurface &ui = vendorcenter::surfaceOf(control);
        std::vector<vendorcenter::CenterRow> rows;
        for (int id = 1; id <= 16000; ++id) {
            vendorcenter::CenterRow row;
            row.id = QString::number(id);
            row.subItem(1) = QStringLiteral("Center %1").arg(id);
            row.subItem(ColHandlingFee) = QStringLiteral("8.00");
            row.subItem(ColDuty) = QStringLiteral("0");
            row.subItem(ColSortKey) = vendorcenter::marks::sortKeyFor(row.id);
            rows.push_back(std::move(row));
        }
        ui.lstCenters->addRows(std::move(rows));
        ui.lstCenters->setSortKey(ColSortKey);
        ui.lstSelectedCenters->setSortKey(ColSortKey);
        ui.lstCenters->setMultiSelect(true);
        QItemSelection chosen;
        for (int position = 0; position < 16000; position += 8) // 5 of every 8
            chosen.select(ui.lstCenters->model()->index(position, 0), ui.lstCenters->model()->index(position + 4, 0));
        ui.lstCenters->selectionModel()->select(chosen, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(ui.lstCenters->highlightedPositions().size(), std::size_t(10000));

        vendorcenter::privateOf(control).moves->addAll();
        QCOMPARE(ui.lstCenters->count(), 6000);
        QCOMPARE(ui.lstSelectedCenters->count(), 10000);
        QCOMPARE(ui.lstSelectedCenters->highlightedPositions().size(), std::size_t(10000));
        QCOMPARE(ui.lstSelectedCenters->text(0), QStringLiteral("1"));
        QCOMPARE(ui.lstSelectedCenters->subItem(9999, ColDuty), QStringLiteral("0N"));
        QCOMPARE(ui.lstCenters->text(0), QStringLiteral("6"));
        QCOMPARE(ui.lblSelVendors->text(), QStringLiteral("Selected Centers (10000):"));

        vendorcenter::privateOf(control).moves->removeAll();
        QCOMPARE(ui.lstCenters->count(), 16000);
        QCOMPARE(ui.lstSelectedCenters->count(), 0);
        QCOMPARE(ui.lstCenters->subItem(0, ColDuty), QStringLiteral("0"));
        // Keys are compared as text: five-digit ids sort among the four-digit ones.
        QCOMPARE(ui.lstCenters->text(15999), QStringLiteral("9999"));
    }

};

QTEST_MAIN(CenterMovesTest)
#include "tst_center_moves.moc"
