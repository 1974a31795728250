#include "ControlDriver.h"

using C = ControlDriver;

namespace {

const QString kRequired = QStringLiteral("The Numeric value will be required");
const QString kBelow100 = QStringLiteral("The Numeric value should be less Than 100");

} // namespace

class FeePanelTest : public DriverTest
{
    Q_OBJECT

    // Selected row "5" (duty 0, fee 7.5) shown in the panel; "6" has duty 1.
    bool loadAndPick(const QString &fee = QStringLiteral("0.075"))
    {
        if (!d->load({{"7", "Seven", "1", ""}}, {{"5", "Five", fee, "0"}, {"6", "Six", fee, "1"}}))
            return false;
        d->clickRow(d->chosen(), "5");
        return true;
    }
    QString feeAndDuty(const QString &id) const
    {
        return d->cell(d->chosen(), id, C::Fee) + ' ' + d->cell(d->chosen(), id, C::Duty);
    }

private slots:
    // "Update" opens the box with its whole text selected, so typing replaces
    // the fee; saved twice, the row keeps the one "U".
    void updateEntersEditingWithTheWholeTextSelected()
    {
        QVERIFY(loadAndPick());
        QCOMPARE(d->feePanel(), "Update|7.5|0|0|1");
        d->click("txtCntHandFee"); // read-only or not, the box selects its whole text when it gets the focus
        QTRY_COMPARE(d->box("txtCntHandFee")->selectedText(), "7.5");
        d->chosen()->setFocus();
        QTRY_VERIFY(!d->box("txtCntHandFee")->hasSelectedText());
        d->click("cmdcenterHandFee");
        QCOMPARE(d->feePanel(), "Save|7.5|0|1|1");
        QTRY_VERIFY(d->hasFocus("txtCntHandFee"));
        QTRY_COMPARE(d->box("txtCntHandFee")->selectedText(), "7.5");
        QTest::keyClicks(d->box("txtCntHandFee"), "7.5");
        d->click("cmdcenterHandFee");
        d->saveFee("3");
        QCOMPARE(feeAndDuty("5"), "3.00 0U");
    }

    // Read and written with the user's decimal separator.
    void typedFeeIsChecked_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message"); // empty when accepted
        QTest::addColumn<QString>("row"); // fee and duty of the row afterwards
        const QLocale point(QLocale::English, QLocale::UnitedStates), comma(QLocale::German, QLocale::Germany);
        QTest::newRow("below 100") << point << "7.5" << QString() << "7.50 0U";
        QTest::newRow("100") << point << "100" << kBelow100 << "7.5 0";
        QTest::newRow("rounds up to 100") << point << "99.999" << QString() << "100.00 0U";
        QTest::newRow("letters") << point << "abc" << kRequired << "7.5 0";
        QTest::newRow("empty") << point << "" << kRequired << "7.5 0";
        QTest::newRow("blanks around") << point << " 12 " << QString() << "12.00 0U";
        QTest::newRow("negative") << point << "-5" << QString() << "-5.00 0U";
        QTest::newRow("point first") << point << ".5" << QString() << "0.50 0U";
        QTest::newRow("exponent") << point << "1e1" << kRequired << "7.5 0";
        QTest::newRow("comma") << point << "7,5" << kRequired << "7.5 0";
        QTest::newRow("comma settings") << comma << "12,345" << QString() << "12,35 0U";
        QTest::newRow("comma settings, point") << comma << "7.5" << kRequired << "7,5 0";
    }

    void typedFeeIsChecked()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, row);
        QLocale::setDefault(locale);
        QVERIFY(loadAndPick(locale.toString(0.075)));
        QCOMPARE(d->text("txtCntHandFee"), locale.toString(7.5));
        d->saveFee(typed);
        QCOMPARE(feeAndDuty("5"), row);
        QCOMPARE(feeAndDuty("6"), locale.toString(7.5) + " 1");
        QCOMPARE(d->enabled("cmdCommit"), message.isEmpty());
        if (message.isEmpty()) {
            QVERIFY(d->boxes.isEmpty());
            QCOMPARE(d->feePanel(), "Update|" + typed + "|0|0|1"); // the box keeps what was typed
            QTRY_VERIFY(d->hasFocus("lstSelectedCenters"));
            return;
        }
        QCOMPARE(d->boxes, QStringList {"1|Information Validation|" + message});
        QCOMPARE(d->feePanel(), "Save|" + typed + "|0|1|1"); // still editing, typing replaces it
        QTRY_VERIFY(d->hasFocus("txtCntHandFee"));
        QTRY_COMPARE(d->box("txtCntHandFee")->selectedText(), typed);
    }

    // Another selected row ends the edit and shows that row; a row of the
    // other list clears the panel. A reload empties the lists but leaves the
    // panel as it was: "Save" then has no row to write to.
    void otherRowsAndReloadsEndTheEdit()
    {
        QVERIFY(loadAndPick());
        d->click("cmdcenterHandFee");
        QTest::keyClicks(d->box("txtCntHandFee"), "42");
        d->clickRow(d->chosen(), "6");
        QCOMPARE(d->feePanel(), "Update|7.5|1|0|1");
        d->click("cmdcenterHandFee");
        d->clickRow(d->centers(), "7");
        QCOMPARE(d->feePanel(), "Update||0|0|0");
        d->clickRow(d->chosen(), "5");
        d->click("cmdcenterHandFee");
        d->control.LetDataFromDatabase(C::kVendor);
        QCOMPARE(d->text("cmdcenterHandFee") + d->current(d->chosen()), "Save");
        QTest::keyClicks(d->box("txtCntHandFee"), "9");
        d->click("cmdcenterHandFee");
        QCOMPARE(d->feePanel(), "Update|9|0|0|1");
        QCOMPARE(feeAndDuty("5") + ' ' + feeAndDuty("6"), "7.5 0 7.5 1");
        QVERIFY(!d->enabled("cmdCommit") && d->boxes.isEmpty());
    }
};

QTEST_MAIN(FeePanelTest)
#include "FeePanelTest.moc"
