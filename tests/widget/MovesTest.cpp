#include "ControlDriver.h"

#include <QDate>
#include <QRegularExpression>
#include <QUndoStack>

using C = ControlDriver;

class MovesTest : public DriverTest
{
    Q_OBJECT

    // Some columns of a row, joined by "|".
    QString cells(QAbstractItemView *list, const QString &id, std::initializer_list<int> columns) const
    {
        QStringList texts;
        for (const int column : columns)
            texts << d->cell(list, id, column);
        return texts.join('|');
    }
    // The move buttons, then each list's caption and its option as <enabled><checked>.
    QString captions() const
    {
        QString all = d->moveButtons() + ' ';
        for (const auto &[label, option] : {std::pair {"lblAllVendors", "optList(0)"}, {"lblSelVendors", "optList(1)"}})
            all += d->text(label) + QStringLiteral(" %1%2 ").arg(int(d->enabled(option))).arg(int(d->checked(option)));
        return all;
    }
    static QString today() { return QDate::currentDate().toString("MM/dd/yyyy"); }

private slots:
    void addAndRemoveMoveTheCurrentRow()
    {
        QVERIFY(
            d->load({{"7", "Seven", "2", "03/04/2021"}, {"12", "Twelve", "1", ""}}, {{"5", "Five", "0.075", "1"}}, 1));
        d->clickRow(d->centers(), "7");
        d->click("cmdAdd");
        QCOMPARE(d->ids(d->chosen()), QStringList({"5", "7"}));
        QVERIFY(d->enabled("cmdCommit"));
        QCOMPARE(captions(), "00100 Non Selected Active Centers(1): 10 Selected Centers (2): 11 ");
        // The default fee and the vendor's duty default, marked new and stamped now.
        QCOMPARE(cells(d->chosen(), "7", {C::Name, C::Country, C::Fee, C::Duty, C::SortKey}), "Seven|2|8.00|1N|0007");
        QVERIFY(QRegularExpression("^" + today() + " \\d\\d:\\d\\d:\\d\\d$")
                    .match(d->cell(d->chosen(), "7", C::Updated))
                    .hasMatch());
        QCOMPARE(d->highlighted(d->chosen()) << d->current(d->chosen()), QStringList({"7", "7"}));
        QVERIFY(d->hasFocus("lstSelectedCenters"));

        // "<" in the middle of a fee edit resets the panel; a loaded row has no date.
        d->clickRow(d->chosen(), "5");
        d->click("cmdcenterHandFee");
        QTest::keyClicks(d->box("txtCntHandFee"), "9");
        d->click("cmdDelete");
        QCOMPARE(d->feePanel(), "Update||0|0|0");
        QCOMPARE(d->ids(d->centers()), QStringList({"5", "12"}));
        QCOMPARE(captions(), "10000 Non Selected Active Centers(2): 11 Selected Centers (1): 10 ");
        QCOMPARE(cells(d->centers(), "5", {C::Fee, C::Duty, C::Updated, C::SortKey}), "7.5|1D||0005");
        QCOMPARE(d->highlighted(d->centers()), QStringList {"5"});
        QVERIFY(d->hasFocus("lstCenters"));
        // The last row leaves its option disabled.
        d->clickRow(d->chosen(), "7");
        d->click("cmdDelete");
        QCOMPARE(captions(), "10000 Non Selected Active Centers(3): 11 Selected Centers (0): 00 ");
    }

    // Ctrl+Right takes what is highlighted: the one row still highlighted
    // after a Ctrl+click took another off again, not the current row. A ">"
    // by key, with the fee panel still showing a selected center, empties the
    // panel: the fee shown was not the moved row's.
    void addByKeyMovesTheHighlightedRowAndEmptiesTheFeePanel()
    {
        QVERIFY(d->load({{"7", "Seven", "2", ""}, {"12", "Twelve", "1", ""}, {"30", "Thirty", "1", ""}},
            {{"5", "Five", "0.075", "1"}}));
        d->clickRow(d->centers(), "7");
        d->clickRow(d->centers(), "12", Qt::ControlModifier);
        d->clickRow(d->centers(), "12", Qt::ControlModifier);
        QTest::keyClick(d->centers(), Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(d->ids(d->chosen()), QStringList({"5", "7"}));
        d->clickRow(d->chosen(), "5");
        QCOMPARE(d->text("txtCntHandFee"), "7.5");
        d->centers()->setFocus();
        QTest::keyClick(d->centers(), Qt::Key_Down);
        QTest::keyClick(d->centers(), Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(d->ids(d->chosen()).size(), 3);
        QVERIFY(d->text("txtCntHandFee").isEmpty() && !d->checked("chkDuty"));
    }

    // Center 5 stands in both lists: ">" refuses it, ">>" leaves it and moves the others.
    void movesSkipACenterAlreadySelected()
    {
        QVERIFY(d->load({{"5", "Five again", "1", ""}, {"7", "Seven", "1", ""}, {"8", "Eight", "1", ""}},
            {{"5", "Five", "0.075", "1"}}));
        d->clickRow(d->centers(), "5");
        d->click("cmdAdd");
        QCOMPARE(d->ids(d->chosen()), QStringList {"5"});
        QVERIFY(!d->enabled("cmdCommit") && !d->control.undoStack()->canUndo());
        d->clickRow(d->centers(), "7", Qt::ControlModifier);
        d->clickRow(d->centers(), "8", Qt::ControlModifier);
        d->click("cmdAddAll");
        QCOMPARE(d->ids(d->centers()), QStringList {"5"});
        QCOMPARE(cells(d->chosen(), "5", {C::Name, C::Duty}), "Five|1");
        QCOMPARE(d->highlighted(d->chosen()), QStringList({"7", "8"}));
    }

    // Out and back in gives the loaded text again; a fee change survives as "U"; "N" survives a fee change.
    // (How each mark goes out is the same for "<" and "<<": see movesOfAllMarkByTheRowsMark.)
    void roundTripsRestoreTheMarks()
    {
        QVERIFY(d->load({{"7", "Seven", "1", ""}}, {{"5", "Five", "0.075", "1"}, {"6", "Six", "0.05", "0"}}));
        d->doubleClickRow(d->chosen(), "5");
        d->doubleClickRow(d->centers(), "5");
        QCOMPARE(cells(d->chosen(), "5", {C::Duty, C::Fee}), "1|7.5");
        d->clickRow(d->chosen(), "6");
        d->saveFee("4.25");
        d->doubleClickRow(d->chosen(), "6");
        d->doubleClickRow(d->centers(), "6");
        QCOMPARE(cells(d->chosen(), "6", {C::Duty, C::Fee}), "0U|4.25");
        d->doubleClickRow(d->centers(), "7");
        d->clickRow(d->chosen(), "7");
        d->saveFee("9");
        QCOMPARE(cells(d->chosen(), "7", {C::Duty, C::Fee, C::SortKey}), "0N|9.00|0007");
    }

    // ">>" moves every highlighted row, marked "N" and sorted by id again;
    // "<<" takes each row's mark off: "N" away, "U" to "DU", the rest "D".
    void movesOfAllMarkByTheRowsMark()
    {
        QVERIFY(d->load({{"3", "C", "1", ""}, {"14", "N", "1", ""}, {"25", "Y", "1", ""}, {"40", "Z", "1", ""}},
            {{"5", "T", "0.01", "1"}, {"6", "S", "0.05", "0"}}));
        d->clickHeader(d->chosen(), C::Name);
        d->clickRow(d->centers(), "3");
        d->clickRow(d->centers(), "25", Qt::ControlModifier);
        d->clickRow(d->centers(), "40", Qt::ControlModifier);
        d->click("cmdAddAll");
        QCOMPARE(d->ids(d->chosen()), QStringList({"3", "5", "6", "25", "40"}));
        QCOMPARE(captions(), "00010 Non Selected Active Centers(1): 10 Selected Centers (5): 11 ");
        QCOMPARE(d->highlighted(d->chosen()), QStringList({"3", "25", "40"}));
        QVERIFY(d->multiSelect(d->chosen()) && d->hasFocus("lstSelectedCenters"));
        QCOMPARE(cells(d->chosen(), "25", {C::Duty, C::Updated}), "0N|" + today());

        d->clickRow(d->chosen(), "5");
        d->saveFee("3");
        d->clickRow(d->chosen(), "5");
        for (const char *id : {"6", "25"})
            d->clickRow(d->chosen(), id, Qt::ControlModifier);
        d->click("cmdRemoveAll");
        QCOMPARE(d->ids(d->centers()), QStringList({"5", "6", "14", "25"}));
        QCOMPARE(captions(), "01000 Non Selected Active Centers(4): 11 Selected Centers (2): 10 ");
        QCOMPARE(cells(d->centers(), "5", {C::Duty, C::Fee}), "1DU|3.00");
        QCOMPARE(cells(d->centers(), "6", {C::Duty, C::Updated}), "0D|");
        QCOMPARE(cells(d->centers(), "25", {C::Duty, C::Updated}), "0|" + today());
        QCOMPARE(d->highlighted(d->centers()), QStringList({"5", "6", "25"}));
        QVERIFY(d->multiSelect(d->centers()));
        QCOMPARE(d->feePanel(), "Update||0|0|0");
    }
};

QTEST_MAIN(MovesTest)
#include "MovesTest.moc"
