// ">", "<", ">>" and "<<" through their buttons, and the round trips of the
// change marks through the real handlers.

#include "EditingDriver.h"

#include "widget/CenterMoves.h"

#include <QDate>
#include <QItemSelectionModel>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

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

QString cells(CenterListView *list, const QString &id, std::initializer_list<int> columns)
{
    QStringList texts;
    for (const int column : columns)
        texts << cell(list, id, column);
    return texts.join(QLatin1Char('|'));
}

// What a move leaves: the ids of both lists, the move buttons and cmdCommit,
// and each list's count caption with its option as <enabled><checked>.
QString state(const ControlSurface &ui)
{
    const auto option = [](const QRadioButton *button) {
        return QString::number(int(button->isEnabled())) + QString::number(int(button->isChecked()));
    };
    return QStringList{ids(ui.lstCenters).join(','), ids(ui.lstSelectedCenters).join(','),
                       moveButtons(ui) + QString::number(int(ui.cmdCommit->isEnabled())),
                       ui.lblAllVendors->text() + ' ' + option(ui.optList[0]),
                       ui.lblSelVendors->text() + ' ' + option(ui.optList[1])}
        .join('|');
}

// The highlighted ids, the current id, and whether multi-select is on and the list has the focus.
QString selection(CenterListView *list)
{
    return highlightedIds(list).join(',') + '@' + currentId(list) + (list->multiSelect() ? " multi" : "") +
           (list->window()->focusWidget() == list ? " focus" : "");
}

void saveFee(ControlSurface &ui, const QString &typed)
{
    click(ui.cmdcenterHandFee);
    QTest::keyClicks(ui.txtCntHandFee, typed);
    click(ui.cmdcenterHandFee);
}

} // namespace

class CenterMovesTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakeServerPage> server_;
    std::unique_ptr<Vendor_Center> control_;

    bool load(const std::vector<FakeServerPage::ActiveCenter> &active,
              const std::vector<FakeServerPage::SelectedCenter> &selected, int dutyDefault = 0)
    {
        return loadAndShow(*control_, *server_, active, selected, dutyDefault);
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() { server_ = std::make_unique<FakeServerPage>(); control_ = std::make_unique<Vendor_Center>(); }
    void cleanup() { control_.reset(); server_.reset(); }

    void addAndRemoveMoveTheCurrentRow()
    {
        QVERIFY(load({active("7", "Seven", "2", "03/04/2021"), active("12", "Twelve"), active("30", "Thirty")},
                     {selected("5", "Five", "0.075", "1"), selected("6", "Six", "0.05", "0")}, /*dutyDefault*/ 1));
        ControlSurface &ui = vendorcenter::surfaceOf(*control_);

        clickRow(ui.lstCenters, "7");
        click(ui.cmdAdd);
        QCOMPARE(state(ui), "12,30|5,6,7|001001|Non Selected Active Centers(2): 10|Selected Centers (3): 11");
        QCOMPARE(cells(ui.lstSelectedCenters, "7", {1, 2, ColHandlingFee, ColDuty, ColSortKey}),
                 "Seven|2|8.00|1N|0007");
        const QString stamp = cell(ui.lstSelectedCenters, "7", ColDateUpdated);
        QVERIFY2(isStampOfToday(stamp), qPrintable(stamp));
        QCOMPARE(selection(ui.lstSelectedCenters), "7@7 focus");

        // "<" in the middle of a fee edit: the panel is reset.
        clickRow(ui.lstSelectedCenters, "5");
        click(ui.cmdcenterHandFee);
        QTest::keyClicks(ui.txtCntHandFee, "9");
        click(ui.cmdDelete);
        QCOMPARE(feePanel(ui), "Update||0|0|0");
        QCOMPARE(state(ui), "5,12,30|6,7|100001|Non Selected Active Centers(3): 11|Selected Centers (2): 10");
        // A loaded selected row has no date.
        QCOMPARE(cells(ui.lstCenters, "5", {ColHandlingFee, ColDuty, ColDateUpdated, ColSortKey}), "7.5|1D||0005");
        QCOMPARE(selection(ui.lstCenters), "5@5 focus");
    }

    void addOnlyClearsTheFeeFields()
    {
        QVERIFY(load({active("7", "Seven")}, {selected("5", "Five", "0.075", "1")}));
        ControlSurface &ui = vendorcenter::surfaceOf(*control_);

        clickRow(ui.lstSelectedCenters, "5");
        click(ui.cmdcenterHandFee);
        QCOMPARE(feePanel(ui), "Save|7.5|1|1|1");
        // Called directly: every click into lstCenters would reset the panel first.
        vendorcenter::privateOf(*control_).moves->add();
        QCOMPARE(ids(ui.lstSelectedCenters), (QStringList{"5", "7"}));
        QCOMPARE(feePanel(ui), "Save||0|1|1");
    }

    void lastRowsLeaveTheirOptionDisabled()
    {
        QVERIFY(load({active("7", "Seven")}, {}));
        ControlSurface &ui = vendorcenter::surfaceOf(*control_);

        clickRow(ui.lstCenters, "7");
        click(ui.cmdAdd);
        QCOMPARE(state(ui), "|7|001001|Non Selected Active Centers(0): 00|Selected Centers (1): 11");
        clickRow(ui.lstSelectedCenters, "7");
        click(ui.cmdDelete);
        QCOMPARE(state(ui), "7||100001|Non Selected Active Centers(1): 11|Selected Centers (0): 00");
        QCOMPARE(cell(ui.lstCenters, "7", ColDuty), "0");
        // The stamp of ">" stays on the row it went back with.
        QVERIFY(isStampOfToday(cell(ui.lstCenters, "7", ColDateUpdated)));
    }

    // The server lists center 5 in both lists: ">" refuses it, ">>" leaves it
    // where it is and moves the others.
    void movesSkipACenterAlreadySelected()
    {
        QVERIFY(load({active("5", "Five again"), active("7", "Seven"), active("8", "Eight")},
                     {selected("5", "Five", "0.075", "1")}));
        ControlSurface &ui = vendorcenter::surfaceOf(*control_);
        const QString captions = state(ui).section('|', 3);

        clickRow(ui.lstCenters, "5");
        click(ui.cmdAdd);
        QCOMPARE(state(ui), "5,7,8|5|100000|" + captions);

        clickRow(ui.lstCenters, "7", Qt::ControlModifier);
        clickRow(ui.lstCenters, "8", Qt::ControlModifier);
        click(ui.cmdAddAll);
        QCOMPARE(state(ui).section('|', 0, 3), "5|5,7,8|000101|Non Selected Active Centers(1): 10");
        QCOMPARE(cells(ui.lstSelectedCenters, "5", {1, ColDuty}), "Five|1");
        QCOMPARE(highlightedIds(ui.lstSelectedCenters), (QStringList{"7", "8"}));
    }

    void roundTripsRestoreTheMarks()
    {
        QVERIFY(load({active("7", "Seven")}, {selected("5", "Five", "0.075", "1"), selected("6", "Six", "0.05", "0")}));
        ControlSurface &ui = vendorcenter::surfaceOf(*control_);
        CenterListView *centers = ui.lstCenters;
        CenterListView *chosen = ui.lstSelectedCenters;

        // Out and straight back in: the loaded duty text again.
        doubleClickRow(chosen, "5");
        QCOMPARE(cell(centers, "5", ColDuty), "1D");
        doubleClickRow(centers, "5");
        QCOMPARE(cells(chosen, "5", {ColDuty, ColHandlingFee}), "1|7.5");

        // In and straight back out.
        clickRow(centers, "7");
        click(ui.cmdAdd);
        QCOMPARE(cell(chosen, "7", ColDuty), "0N");
        click(ui.cmdDelete);
        QCOMPARE(cell(centers, "7", ColDuty), "0");

        // Fee saved, out, in: "U" with the new fee.
        clickRow(chosen, "6");
        saveFee(ui, "4.25");
        QCOMPARE(cell(chosen, "6", ColDuty), "0U");
        clickRow(chosen, "6");
        click(ui.cmdDelete);
        QCOMPARE(cells(centers, "6", {ColDuty, ColHandlingFee}), "0DU|4.25");
        clickRow(centers, "6");
        click(ui.cmdAdd);
        QCOMPARE(cells(chosen, "6", {ColDuty, ColHandlingFee}), "0U|4.25");

        // "N" survives a fee change.
        clickRow(centers, "7");
        click(ui.cmdAdd);
        clickRow(chosen, "7");
        saveFee(ui, "9");
        QCOMPARE(cells(chosen, "7", {ColDuty, ColHandlingFee, ColSortKey}), "0N|9.00|0007");
    }

    void movedRowIsScrolledIntoView()
    {
        std::vector<FakeServerPage::ActiveCenter> many;
        std::vector<FakeServerPage::SelectedCenter> chosen;
        for (int id = 1; id < 60; ++id) {
            many.push_back(active(QString::number(id + 100), QStringLiteral("Center %1").arg(id)));
            chosen.push_back(selected(QString::number(id), QStringLiteral("Chosen %1").arg(id), "0.01", "0"));
        }
        QVERIFY(load(many, chosen));
        ControlSurface &ui = vendorcenter::surfaceOf(*control_);

        clickRow(ui.lstCenters, "101");
        click(ui.cmdAdd);
        QCOMPARE(ids(ui.lstSelectedCenters).last(), "101");
        QVERIFY(rowIsInView(ui.lstSelectedCenters, "101"));

        ui.lstSelectedCenters->scrollToBottom();
        clickRow(ui.lstSelectedCenters, "101");
        click(ui.cmdDelete);
        QCOMPARE(ids(ui.lstCenters).first(), "101");
        QVERIFY(rowIsInView(ui.lstCenters, "101"));
    }

    void addAllMovesEveryHighlightedRow()
    {
        QVERIFY(load({active("3", "C"), active("14", "N"), active("25", "Y"), active("40", "Z"), active("9", "I")},
                     {selected("20", "T", "0.01", "1")}));
        ControlSurface &ui = vendorcenter::surfaceOf(*control_);
        CenterListView *target = ui.lstSelectedCenters;

        clickHeader(target, 1); // sorted by name before the move
        clickRow(ui.lstCenters, "3");
        clickRow(ui.lstCenters, "25", Qt::ControlModifier);
        clickRow(ui.lstCenters, "40", Qt::ControlModifier);
        QCOMPARE(moveButtons(ui), "01000");
        click(ui.cmdAddAll);

        // By id again.
        QCOMPARE(state(ui), "9,14|3,20,25,40|000101|Non Selected Active Centers(2): 10|Selected Centers (4): 11");
        QCOMPARE(target->sortKey(), int(ColSortKey));
        QCOMPARE(selection(target).section('@', 0, 0), "3,25,40");
        QVERIFY(selection(target).endsWith(" multi focus"));
        for (const QString id : {"3", "25", "40"})
            QCOMPARE(cells(target, id, {ColDuty, ColDateUpdated}), "0N|" + today());
        QCOMPARE(cell(target, "20", ColDuty), "1");

        // The three come back with their marks taken off.
        clickRow(target, "3");
        clickRow(target, "25", Qt::ControlModifier);
        clickRow(target, "40", Qt::ControlModifier);
        click(ui.cmdRemoveAll);
        QCOMPARE(state(ui), "3,9,14,25,40|20|010001|Non Selected Active Centers(5): 11|Selected Centers (1): 10");
        QCOMPARE(cells(ui.lstCenters, "25", {ColDuty, ColDateUpdated}), "0|" + today());
        QCOMPARE(highlightedIds(ui.lstCenters), (QStringList{"3", "25", "40"}));
    }

    void removeAllMarksByTheRowsMark()
    {
        QVERIFY(load({active("7", "Seven", "1", "05/06/2022"), active("8", "Eight")},
                     {selected("5", "Five", "0.075", "1"), selected("6", "Six", "0.05", "0")}));
        ControlSurface &ui = vendorcenter::surfaceOf(*control_);

        clickRow(ui.lstCenters, "7");
        click(ui.cmdAdd); // "0N"
        clickRow(ui.lstSelectedCenters, "5");
        saveFee(ui, "3"); // "1U"
        const QString stampOf7 = cell(ui.lstSelectedCenters, "7", ColDateUpdated);

        clickRow(ui.lstSelectedCenters, "5");
        clickRow(ui.lstSelectedCenters, "6", Qt::ControlModifier);
        clickRow(ui.lstSelectedCenters, "7", Qt::ControlModifier);
        QCOMPARE(moveButtons(ui), "00010");
        click(ui.cmdRemoveAll);

        QCOMPARE(state(ui), "5,6,7,8||010001|Non Selected Active Centers(4): 11|Selected Centers (0): 00");
        QCOMPARE(cells(ui.lstCenters, "5", {ColDuty, ColHandlingFee}), "1DU|3.00");
        QCOMPARE(cells(ui.lstCenters, "6", {ColDuty, ColDateUpdated}), "0D|");
        QCOMPARE(cells(ui.lstCenters, "7", {ColDuty, ColDateUpdated}), "0|" + stampOf7);
        QCOMPARE(selection(ui.lstCenters).section('@', 0, 0), "5,6,7");
        QVERIFY(ui.lstCenters->multiSelect());
        QCOMPARE(feePanel(ui), "Update||0|0|0");
    }

    // Nothing highlighted and an empty target: nothing moves, the rest runs.
    void movesOfAllWithNothingHighlighted()
    {
        QVERIFY(load({active("7", "Seven"), active("8", "Eight")}, {}));
        ControlSurface &ui = vendorcenter::surfaceOf(*control_);
        vendorcenter::CenterMoves &moves = *vendorcenter::privateOf(*control_).moves;
        QVERIFY(ui.lstCenters->highlightedPositions().empty());

        moves.addAll();
        QCOMPARE(state(ui).section('|', 0, 1), "7,8|");
        QCOMPARE(state(ui).section('|', 3), "Non Selected Active Centers(2): 10|Selected Centers (0): 11");
        QVERIFY(!ui.cmdAddAll->isEnabled() && ui.cmdRemoveAll->isEnabled() && ui.cmdCommit->isEnabled());
        QCOMPARE(ui.lstSelectedCenters->sortKey(), int(ColSortKey));

        // "<<" the other way: move both out first, then nothing is highlighted there.
        clickRow(ui.lstCenters, "7");
        clickRow(ui.lstCenters, "8", Qt::ControlModifier);
        click(ui.cmdAddAll);
        QVERIFY(!ui.optList[0]->isEnabled());
        ui.lstSelectedCenters->clearHighlights();
        moves.removeAll();
        QCOMPARE(state(ui).section('|', 0, 1), "|7,8");
        QVERIFY(ui.cmdAddAll->isEnabled() && !ui.cmdRemoveAll->isEnabled() && ui.optList[0]->isChecked());
        QCOMPARE(feePanel(ui), "Update||0|0|0");
    }

    // 10,000 of 16,000 rows highlighted move in one click, both ways.
    void movesOfAllOnLongLists()
    {
        std::vector<FakeServerPage::ActiveCenter> many;
        for (int id = 1; id <= 16000; ++id)
            many.push_back(active(QString::number(id), QStringLiteral("Center %1").arg(id)));
        QVERIFY(load(many, {}));
        ControlSurface &ui = vendorcenter::surfaceOf(*control_);
        ui.lstCenters->setMultiSelect(true);
        QItemSelection chosen;
        for (int position = 0; position < 16000; position += 8) // 5 of every 8
            chosen.select(ui.lstCenters->model()->index(position, 0), ui.lstCenters->model()->index(position + 4, 0));
        ui.lstCenters->selectionModel()->select(chosen, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(ui.lstCenters->highlightedPositions().size(), std::size_t(10000));

        vendorcenter::privateOf(*control_).moves->addAll();
        QCOMPARE(ui.lstCenters->count(), 6000);
        QCOMPARE(ui.lstSelectedCenters->count(), 10000);
        QCOMPARE(ui.lstSelectedCenters->highlightedPositions().size(), std::size_t(10000));
        QCOMPARE(ui.lstSelectedCenters->text(0), "1");
        QCOMPARE(ui.lstSelectedCenters->subItem(9999, ColDuty), "0N");
        QCOMPARE(ui.lstCenters->text(0), "6");
        QCOMPARE(ui.lblSelVendors->text(), "Selected Centers (10000):");

        vendorcenter::privateOf(*control_).moves->removeAll();
        QCOMPARE(ui.lstCenters->count(), 16000);
        QCOMPARE(ui.lstSelectedCenters->count(), 0);
        QCOMPARE(ui.lstCenters->subItem(0, ColDuty), "0");
        // Keys are compared as text: five-digit ids sort among the four-digit ones.
        QCOMPARE(ui.lstCenters->text(15999), "9999");
    }
};

QTEST_MAIN(CenterMovesTest)
#include "tst_center_moves.moc"
