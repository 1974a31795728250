#include "ControlDriver.h"

#include <QDate>
#include <QRegularExpression>
#include <QTest>

using C = ControlDriver;

namespace {

QString today()
{
    return QDate::currentDate().toString("MM/dd/yyyy");
}

// The texts of some columns of a row, joined by "|".
QString cells(const QAbstractItemView *list, const QString &id, std::initializer_list<int> columns)
{
    QStringList texts;
    for (const int column : columns)
        texts << C::cell(list, id, column);
    return texts.join('|');
}

} // namespace

class MovesTest : public QObject
{
    Q_OBJECT

    ControlDriver *d = nullptr;

    // A list's caption and its option as <enabled><checked>.
    QString caption(const char *label, const char *option) const
    {
        return d->text(label) + ' ' + QString::number(int(d->enabled(option))) + QString::number(int(d->checked(option)));
    }
    QString captions() const
    {
        return caption("lblAllVendors", "optList(0)") + " | " + caption("lblSelVendors", "optList(1)");
    }

private slots:
    void init() { d = new ControlDriver; }
    void cleanup() { delete d; }

    void addAndRemoveMoveTheCurrentRow()
    {
        QVERIFY(d->load({{"7", "Seven", "2", "03/04/2021"}, {"12", "Twelve", "1", ""}, {"30", "Thirty", "1", ""}},
                        {{"5", "Five", "0.075", "1"}, {"6", "Six", "0.05", "0"}}, 1));
        d->clickRow(d->centers(), "7");
        d->click("cmdAdd");
        QCOMPARE(d->ids(d->centers()), QStringList({"12", "30"}));
        QCOMPARE(d->ids(d->chosen()), QStringList({"5", "6", "7"}));
        QCOMPARE(d->moveButtons(), "00100");
        QVERIFY(d->enabled("cmdCommit"));
        QCOMPARE(captions(), "Non Selected Active Centers(2): 10 | Selected Centers (3): 11");
        // The default fee and the vendor's duty default, marked new and stamped now.
        QCOMPARE(cells(d->chosen(), "7", {C::Name, C::Country, C::Fee, C::Duty, C::SortKey}), "Seven|2|8.00|1N|0007");
        QVERIFY(QRegularExpression("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d$").match(d->cell(d->chosen(), "7", C::Updated)).hasMatch());
        QVERIFY(d->cell(d->chosen(), "7", C::Updated).startsWith(today()));
        QCOMPARE(d->highlighted(d->chosen()), QStringList{"7"});
        QCOMPARE(d->current(d->chosen()), "7");
        QVERIFY(d->hasFocus("lstSelectedCenters"));

        // "<" in the middle of a fee edit resets the panel.
        d->clickRow(d->chosen(), "5");
        d->click("cmdcenterHandFee");
        QTest::keyClicks(d->box("txtCntHandFee"), "9");
        d->click("cmdDelete");
        QCOMPARE(d->feePanel(), "Update||0|0|0");
        QCOMPARE(d->ids(d->centers()), QStringList({"5", "12", "30"}));
        QCOMPARE(d->moveButtons(), "10000");
        QCOMPARE(captions(), "Non Selected Active Centers(3): 11 | Selected Centers (2): 10");
        QCOMPARE(cells(d->centers(), "5", {C::Fee, C::Duty, C::Updated, C::SortKey}), "7.5|1D||0005");
        QCOMPARE(d->highlighted(d->centers()), QStringList{"5"});
        QVERIFY(d->hasFocus("lstCenters"));
    }

    void lastRowsLeaveTheirOptionDisabled()
    {
        QVERIFY(d->load({{"7", "Seven", "1", ""}}, {}));
        d->clickRow(d->centers(), "7");
        d->click("cmdAdd");
        QCOMPARE(captions(), "Non Selected Active Centers(0): 00 | Selected Centers (1): 11");
        d->clickRow(d->chosen(), "7");
        d->click("cmdDelete");
        QCOMPARE(captions(), "Non Selected Active Centers(1): 11 | Selected Centers (0): 00");
        QCOMPARE(d->moveButtons(), "10000");
        // The stamp of ">" stays on the row it went back with.
        QCOMPARE(cells(d->centers(), "7", {C::Duty, C::Updated}).left(12), "0|" + today());
    }

    // The server lists center 5 in both lists: ">" refuses it, ">>" leaves it
    // where it is and moves the others.
    void movesSkipACenterAlreadySelected()
    {
        QVERIFY(d->load({{"5", "Five again", "1", ""}, {"7", "Seven", "1", ""}, {"8", "Eight", "1", ""}},
                        {{"5", "Five", "0.075", "1"}}));
        d->clickRow(d->centers(), "5");
        d->click("cmdAdd");
        QCOMPARE(d->ids(d->centers()), QStringList({"5", "7", "8"}));
        QCOMPARE(d->ids(d->chosen()), QStringList{"5"});
        QVERIFY(!d->enabled("cmdCommit"));
        d->clickRow(d->centers(), "7", Qt::ControlModifier);
        d->clickRow(d->centers(), "8", Qt::ControlModifier);
        d->click("cmdAddAll");
        QCOMPARE(d->ids(d->centers()), QStringList{"5"});
        QCOMPARE(d->ids(d->chosen()), QStringList({"5", "7", "8"}));
        QCOMPARE(cells(d->chosen(), "5", {C::Name, C::Duty}), "Five|1");
        QCOMPARE(d->highlighted(d->chosen()), QStringList({"7", "8"}));
    }

    void roundTripsRestoreTheMarks()
    {
        QVERIFY(d->load({{"7", "Seven", "1", ""}}, {{"5", "Five", "0.075", "1"}, {"6", "Six", "0.05", "0"}}));
        // Out and straight back in: the loaded duty text again.
        d->doubleClickRow(d->chosen(), "5");
        QCOMPARE(d->cell(d->centers(), "5", C::Duty), "1D");
        d->doubleClickRow(d->centers(), "5");
        QCOMPARE(cells(d->chosen(), "5", {C::Duty, C::Fee}), "1|7.5");
        // In and straight back out.
        d->clickRow(d->centers(), "7");
        d->click("cmdAdd");
        QCOMPARE(d->cell(d->chosen(), "7", C::Duty), "0N");
        d->click("cmdDelete");
        QCOMPARE(d->cell(d->centers(), "7", C::Duty), "0");
        // Fee saved, out, in: "U" with the new fee.
        d->clickRow(d->chosen(), "6");
        d->saveFee("4.25");
        QCOMPARE(d->cell(d->chosen(), "6", C::Duty), "0U");
        d->clickRow(d->chosen(), "6");
        d->click("cmdDelete");
        QCOMPARE(cells(d->centers(), "6", {C::Duty, C::Fee}), "0DU|4.25");
        d->clickRow(d->centers(), "6");
        d->click("cmdAdd");
        QCOMPARE(cells(d->chosen(), "6", {C::Duty, C::Fee}), "0U|4.25");
        // "N" survives a fee change.
        d->clickRow(d->centers(), "7");
        d->click("cmdAdd");
        d->clickRow(d->chosen(), "7");
        d->saveFee("9");
        QCOMPARE(cells(d->chosen(), "7", {C::Duty, C::Fee, C::SortKey}), "0N|9.00|0007");
    }

    void movedRowIsScrolledIntoView()
    {
        std::vector<C::Active> many;
        std::vector<C::Selected> chosen;
        for (int id = 1; id < 60; ++id) {
            many.push_back({QString::number(id + 100), "Center", "1", ""});
            chosen.push_back({QString::number(id), "Chosen", "0.01", "0"});
        }
        QVERIFY(d->load(many, chosen));
        d->clickRow(d->centers(), "101");
        d->click("cmdAdd");
        QCOMPARE(d->ids(d->chosen()).last(), "101");
        QVERIFY(d->rowInView(d->chosen(), "101"));
        d->clickRow(d->chosen(), "101");
        d->click("cmdDelete");
        QCOMPARE(d->ids(d->centers()).first(), "101");
        QVERIFY(d->rowInView(d->centers(), "101"));
    }

    void addAllMovesEveryHighlightedRowAndRemoveAllTakesItsMarksOff()
    {
        QVERIFY(d->load({{"3", "C", "1", ""}, {"14", "N", "1", ""}, {"25", "Y", "1", ""}, {"40", "Z", "1", ""}, {"9", "I", "1", ""}},
                        {{"20", "T", "0.01", "1"}}));
        d->clickHeader(d->chosen(), 1); // sorted by name before the move, by id after it
        d->clickRow(d->centers(), "3");
        d->clickRow(d->centers(), "25", Qt::ControlModifier);
        d->clickRow(d->centers(), "40", Qt::ControlModifier);
        QCOMPARE(d->moveButtons(), "01000");
        d->click("cmdAddAll");
        QCOMPARE(d->ids(d->centers()), QStringList({"9", "14"}));
        QCOMPARE(d->ids(d->chosen()), QStringList({"3", "20", "25", "40"}));
        QCOMPARE(d->moveButtons(), "00010");
        QCOMPARE(captions(), "Non Selected Active Centers(2): 10 | Selected Centers (4): 11");
        QCOMPARE(d->highlighted(d->chosen()), QStringList({"3", "25", "40"}));
        QVERIFY(d->multiSelect(d->chosen()) && d->hasFocus("lstSelectedCenters"));
        for (const char *id : {"3", "25", "40"})
            QCOMPARE(cells(d->chosen(), id, {C::Duty, C::Updated}), "0N|" + today());

        d->clickRow(d->chosen(), "3");
        d->clickRow(d->chosen(), "25", Qt::ControlModifier);
        d->clickRow(d->chosen(), "40", Qt::ControlModifier);
        d->click("cmdRemoveAll");
        QCOMPARE(d->ids(d->centers()), QStringList({"3", "9", "14", "25", "40"}));
        QCOMPARE(d->moveButtons(), "01000");
        QCOMPARE(captions(), "Non Selected Active Centers(5): 11 | Selected Centers (1): 10");
        QCOMPARE(cells(d->centers(), "25", {C::Duty, C::Updated}), "0|" + today());
        QCOMPARE(d->highlighted(d->centers()), QStringList({"3", "25", "40"}));
    }

    void removeAllMarksByTheRowsMark()
    {
        QVERIFY(d->load({{"7", "Seven", "1", "05/06/2022"}, {"8", "Eight", "1", ""}},
                        {{"5", "Five", "0.075", "1"}, {"6", "Six", "0.05", "0"}}));
        d->clickRow(d->centers(), "7");
        d->click("cmdAdd");
        d->clickRow(d->chosen(), "5");
        d->saveFee("3");
        const QString stampOf7 = d->cell(d->chosen(), "7", C::Updated);
        d->clickRow(d->chosen(), "5");
        d->clickRow(d->chosen(), "6", Qt::ControlModifier);
        d->clickRow(d->chosen(), "7", Qt::ControlModifier);
        QCOMPARE(d->moveButtons(), "00010");
        d->click("cmdRemoveAll");
        QCOMPARE(d->ids(d->centers()), QStringList({"5", "6", "7", "8"}));
        QCOMPARE(captions(), "Non Selected Active Centers(4): 11 | Selected Centers (0): 00");
        QCOMPARE(cells(d->centers(), "5", {C::Duty, C::Fee}), "1DU|3.00");
        QCOMPARE(cells(d->centers(), "6", {C::Duty, C::Updated}), "0D|");
        QCOMPARE(cells(d->centers(), "7", {C::Duty, C::Updated}), "0|" + stampOf7);
        QCOMPARE(d->highlighted(d->centers()), QStringList({"5", "6", "7"}));
        QVERIFY(d->multiSelect(d->centers()));
        QCOMPARE(d->feePanel(), "Update||0|0|0");
    }

    // 10,000 of 12,000 rows move in one click, both ways.
    void movesOfAllOnLongLists()
    {
        std::vector<C::Active> many;
        for (int id = 1; id <= 12000; ++id)
            many.push_back({QString::number(id), "Center", "1", ""});
        QVERIFY(d->load(many, {}));
        const QStringList loaded = d->ids(d->centers());
        d->clickRow(d->centers(), loaded.first());
        d->clickRow(d->centers(), loaded.at(9999), Qt::ShiftModifier);
        d->click("cmdAddAll");
        QCOMPARE(d->centers()->model()->rowCount(), 2000);
        QCOMPARE(d->highlighted(d->chosen()).size(), 10000);
        QCOMPARE(d->cell(d->chosen(), loaded.at(9999), C::Duty), "0N");
        QCOMPARE(d->text("lblSelVendors"), "Selected Centers (10000):");
        d->click("cmdRemoveAll");
        QCOMPARE(d->chosen()->model()->rowCount(), 0);
        // Keys compare as text: five-digit ids sort among the four-digit ones.
        QCOMPARE(d->ids(d->centers()), loaded);
        QCOMPARE(d->cell(d->centers(), "1", C::Duty), "0");
    }
};

QTEST_MAIN(MovesTest)
#include "MovesTest.moc"
