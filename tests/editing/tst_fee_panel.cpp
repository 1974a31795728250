// The fee panel: "Update" and "Save", the checks of the typed fee, the reset,
// and the selection of the whole text when the box gets the focus.

#include "EditingDriver.h"
#include "MessageBoxWatcher.h"

#include "fees/FeePanel.h"

#include <QtTest>

using namespace editing_test;

namespace {

const QString kRequired = QStringLiteral("The Numeric value will be required");
const QString kBelow100 = QStringLiteral("The Numeric value should be less Than 100");

} // namespace

class FeePanelTest : public QObject
{
    Q_OBJECT

private:
    // A loaded control whose selected row "5" ("0", fee 7.5) is shown in the panel.
    struct Loaded
    {
        FakeServerPage server;
        Vendor_Center control;
        ControlSurface *ui = nullptr;
    };

    static bool loadAndPick(Loaded &loaded, const QString &fee = QStringLiteral("0.075"))
    {
        if (!loadAndShow(loaded.control, loaded.server, {active("7", "Seven")},
                         {selected("5", "Five", fee, "0"), selected("6", "Six", fee, "1")}))
            return false;
        loaded.ui = &vendorcenter::surfaceOf(loaded.control);
        clickRow(loaded.ui->lstSelectedCenters, "5");
        return true;
    }

    static void typeFee(ControlSurface &ui, const QString &typed)
    {
        click(ui.cmdcenterHandFee);
        if (!typed.isEmpty())
            QTest::keyClicks(ui.txtCntHandFee, typed);
        else
            QTest::keyClick(ui.txtCntHandFee, Qt::Key_Delete);
        click(ui.cmdcenterHandFee);
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void updateEntersEditingWithTheWholeTextSelected()
    {
        Loaded loaded;
        QVERIFY(loadAndPick(loaded));
        ControlSurface &ui = *loaded.ui;
        QCOMPARE(feePanel(ui), QStringLiteral("Update|7.5|0|0|1"));

        click(ui.cmdcenterHandFee);
        QCOMPARE(feePanel(ui), QStringLiteral("Save|7.5|0|1|1"));
        QTRY_COMPARE(ui.txtCntHandFee->window()->focusWidget(), static_cast<QWidget *>(ui.txtCntHandFee));
        QTRY_COMPARE(ui.txtCntHandFee->selectedText(), QStringLiteral("7.5"));
        QCOMPARE(ui.txtCntHandFee->selectionStart(), 0);
    }

    void savedFeeIsFormattedAndMarksTheRow()
    {
        Loaded loaded;
        QVERIFY(loadAndPick(loaded));
        ControlSurface &ui = *loaded.ui;
        QVERIFY(!ui.cmdCommit->isEnabled());

        typeFee(ui, "7.5");
        CenterListView *list = ui.lstSelectedCenters;
        QCOMPARE(cell(list, "5", 3), QStringLiteral("7.50"));
        QCOMPARE(cell(list, "5", 4), QStringLiteral("0U"));
        QCOMPARE(feePanel(ui), QStringLiteral("Update|7.5|0|0|1")); // the box keeps what was typed
        QVERIFY(ui.cmdCommit->isEnabled());
        QTRY_COMPARE(list->window()->focusWidget(), static_cast<QWidget *>(list));
        // The other row is untouched.
        QCOMPARE(cell(list, "6", 3), QStringLiteral("7.5"));
        QCOMPARE(cell(list, "6", 4), QStringLiteral("1"));

        // A second save keeps the one "U".
        typeFee(ui, "3");
        QCOMPARE(cell(list, "5", 3), QStringLiteral("3.00"));
        QCOMPARE(cell(list, "5", 4), QStringLiteral("0U"));
    }

    void typedFeeIsChecked_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message"); // empty when accepted
        QTest::addColumn<QString>("stored");

        QTest::newRow("below 100") << "7.5" << QString() << "7.50";
        QTest::newRow("100") << "100" << kBelow100 << "7.5";
        QTest::newRow("rounds up to 100") << "99.999" << QString() << "100.00";
        QTest::newRow("letters") << "abc" << kRequired << "7.5";
        QTest::newRow("empty") << "" << kRequired << "7.5";
        QTest::newRow("blanks around") << " 12 " << QString() << "12.00";
        QTest::newRow("negative") << "-5" << QString() << "-5.00";
        QTest::newRow("point first") << ".5" << QString() << "0.50";
        QTest::newRow("point last") << "5." << QString() << "5.00";
        QTest::newRow("exponent") << "1e1" << kRequired << "7.5";
        QTest::newRow("two points") << "1.2.3" << kRequired << "7.5";
        QTest::newRow("comma") << "7,5" << kRequired << "7.5";
        QTest::newRow("only a point") << "." << kRequired << "7.5";
        QTest::newRow("far above") << "12345" << kBelow100 << "7.5";
    }

    void typedFeeIsChecked()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, stored);
        Loaded loaded;
        QVERIFY(loadAndPick(loaded));
        ControlSurface &ui = *loaded.ui;
        MessageBoxWatcher watcher;

        typeFee(ui, typed);
        CenterListView *list = ui.lstSelectedCenters;
        QCOMPARE(cell(list, "5", 3), stored);
        if (message.isEmpty()) {
            QVERIFY(watcher.seen().isEmpty());
            QCOMPARE(cell(list, "5", 4), QStringLiteral("0U"));
            QCOMPARE(ui.cmdcenterHandFee->text(), QStringLiteral("Update"));
            QVERIFY(ui.cmdCommit->isEnabled());
            return;
        }
        QCOMPARE(watcher.seen().size(), 1);
        QCOMPARE(watcher.seen().front().text, message);
        QCOMPARE(watcher.seen().front().title, QStringLiteral("Information Validation"));
        QCOMPARE(watcher.seen().front().icon, QMessageBox::Information);
        // Still editing, focus back in the box, nothing written.
        QCOMPARE(feePanel(ui), QStringLiteral("Save|%1|0|1|1").arg(typed));
        QTRY_COMPARE(ui.txtCntHandFee->window()->focusWidget(), static_cast<QWidget *>(ui.txtCntHandFee));
        QCOMPARE(cell(list, "5", 4), QStringLiteral("0"));
        QVERIFY(!ui.cmdCommit->isEnabled());
    }

    void feeFollowsCommaDecimalSettings()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Loaded loaded;
        const bool picked = loadAndPick(loaded, QStringLiteral("0,075"));
        MessageBoxWatcher watcher;
        ControlSurface &ui = *loaded.ui;
        CenterListView *list = ui.lstSelectedCenters;
        if (picked) {
            QCOMPARE(feePanel(ui), QStringLiteral("Update|7,5|0|0|1"));
            typeFee(ui, "7.5");
            QCOMPARE(watcher.texts(), QStringList{kRequired});
            QTest::keyClicks(ui.txtCntHandFee, "12,345");
            click(ui.cmdcenterHandFee);
            QCOMPARE(cell(list, "5", 3), QStringLiteral("12,35"));
            QCOMPARE(cell(list, "5", 4), QStringLiteral("0U"));
            typeFee(ui, "99,999");
            QCOMPARE(cell(list, "5", 3), QStringLiteral("100,00"));
        }
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY(picked);
        QCOMPARE(watcher.texts(), QStringList{kRequired});
    }

    void resetClearsThePanel()
    {
        Loaded loaded;
        QVERIFY(loadAndPick(loaded));
        ControlSurface &ui = *loaded.ui;
        vendorcenter::FeePanel &fees = *vendorcenter::privateOf(loaded.control).fees;

        // Showing a row: emptied and disabled, still "Update" and read-only.
        fees.reset();
        QCOMPARE(feePanel(ui), QStringLiteral("Update||0|0|0"));

        clickRow(ui.lstSelectedCenters, "6");
        QCOMPARE(feePanel(ui), QStringLiteral("Update|7.5|1|0|1"));
        click(ui.cmdcenterHandFee);
        QTest::keyClicks(ui.txtCntHandFee, "9");
        fees.reset();
        QCOMPARE(feePanel(ui), QStringLiteral("Update||0|0|0"));
        QCOMPARE(cell(ui.lstSelectedCenters, "6", 3), QStringLiteral("7.5"));
    }

    // A reload empties the lists but leaves the panel as it was: "Save" then
    // has no row to write to.
    void saveWithoutCurrentRowWritesNothing()
    {
        Loaded loaded;
        QVERIFY(loadAndPick(loaded));
        ControlSurface &ui = *loaded.ui;
        click(ui.cmdcenterHandFee);
        loaded.control.LetDataFromDatabase(kVendor);
        QVERIFY(!ui.lstSelectedCenters->currentPosition());
        QCOMPARE(ui.cmdcenterHandFee->text(), QStringLiteral("Save"));

        MessageBoxWatcher watcher;
        QTest::keyClicks(ui.txtCntHandFee, "9");
        click(ui.cmdcenterHandFee);
        QVERIFY(watcher.seen().isEmpty());
        QCOMPARE(feePanel(ui), QStringLiteral("Update|9|0|0|1"));
        QCOMPARE(cell(ui.lstSelectedCenters, "5", 3), QStringLiteral("7.5"));
        QCOMPARE(cell(ui.lstSelectedCenters, "5", 4), QStringLiteral("0"));
        QCOMPARE(cell(ui.lstSelectedCenters, "6", 4), QStringLiteral("1"));
        QVERIFY(!ui.cmdCommit->isEnabled());
    }

    void focusOnTheBoxSelectsItsWholeText()
    {
        Loaded loaded;
        QVERIFY(loadAndPick(loaded));
        ControlSurface &ui = *loaded.ui;
        // Read-only or not, a mouse click into the box selects all of it.
        QTest::mouseClick(ui.txtCntHandFee, Qt::LeftButton, {}, QPoint(2, ui.txtCntHandFee->height() / 2));
        QTRY_COMPARE(ui.txtCntHandFee->selectedText(), QStringLiteral("7.5"));

        ui.lstSelectedCenters->setFocus();
        QTRY_VERIFY(!ui.txtCntHandFee->hasSelectedText());
        ui.txtCntHandFee->setFocus(Qt::OtherFocusReason);
        QTRY_COMPARE(ui.txtCntHandFee->selectedText(), QStringLiteral("7.5"));
    }

};

QTEST_MAIN(FeePanelTest)
#include "tst_fee_panel.moc"
