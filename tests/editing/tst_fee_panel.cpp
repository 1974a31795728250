// The fee panel: "Update" and "Save", the checks of the typed fee, the reset,
// and the selection of the whole text when the box gets the focus.

#include "EditingDriver.h"
#include "MessageBoxWatcher.h"

#include "widget/FeePanel.h"

#include <QtTest>

#include <memory>

using namespace editing_test;
using vendorcenter::ColDuty;
using vendorcenter::ColHandlingFee;

namespace {

const QString kRequired = QStringLiteral("The Numeric value will be required");
const QString kBelow100 = QStringLiteral("The Numeric value should be less Than 100");

// "<fee> <duty>" of a row.
QString feeAndDuty(CenterListView *list, const QString &id)
{
    return cell(list, id, ColHandlingFee) + ' ' + cell(list, id, ColDuty);
}

// "Update", the typed text (or Delete for none), "Save".
void typeFee(const ControlSurface &ui, const QString &typed)
{
    click(ui.cmdcenterHandFee);
    if (!typed.isEmpty())
        QTest::keyClicks(ui.txtCntHandFee, typed);
    else
        QTest::keyClick(ui.txtCntHandFee, Qt::Key_Delete);
    click(ui.cmdcenterHandFee);
}

bool hasFocus(QWidget *widget)
{
    return widget->window()->focusWidget() == widget;
}

} // namespace

class FeePanelTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakeServerPage> server_;
    std::unique_ptr<Vendor_Center> control_;

    // Loads a control whose selected row "5" ("0", fee 7.5) is shown in the
    // panel; row "6" is "1" with the same fee.
    bool loadAndPick(const QString &fee = QStringLiteral("0.075"))
    {
        if (!loadAndShow(*control_, *server_, {active("7", "Seven")},
                         {selected("5", "Five", fee, "0"), selected("6", "Six", fee, "1")}))
            return false;
        clickRow(vendorcenter::surfaceOf(*control_).lstSelectedCenters, "5");
        return true;
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() { server_ = std::make_unique<FakeServerPage>(); control_ = std::make_unique<Vendor_Center>(); }
    void cleanup()
    {
        control_.reset();
        server_.reset();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    // Read-only or not, the box selects its whole text whenever it gets the focus.
    void updateEntersEditingWithTheWholeTextSelected()
    {
        QVERIFY(loadAndPick());
        const ControlSurface &ui = vendorcenter::surfaceOf(*control_);
        QCOMPARE(feePanel(ui), "Update|7.5|0|0|1");
        QTest::mouseClick(ui.txtCntHandFee, Qt::LeftButton, {}, QPoint(2, ui.txtCntHandFee->height() / 2));
        QTRY_COMPARE(ui.txtCntHandFee->selectedText(), "7.5");
        ui.lstSelectedCenters->setFocus();
        QTRY_VERIFY(!ui.txtCntHandFee->hasSelectedText());
        ui.txtCntHandFee->setFocus(Qt::OtherFocusReason);
        QTRY_COMPARE(ui.txtCntHandFee->selectedText(), "7.5");
        ui.lstSelectedCenters->setFocus();
        QTRY_VERIFY(!ui.txtCntHandFee->hasSelectedText());

        click(ui.cmdcenterHandFee);
        QCOMPARE(feePanel(ui), "Save|7.5|0|1|1");
        QTRY_VERIFY(hasFocus(ui.txtCntHandFee));
        QTRY_COMPARE(ui.txtCntHandFee->selectedText(), "7.5");
        QCOMPARE(ui.txtCntHandFee->selectionStart(), 0);

        // Saved twice: the row keeps the one "U".
        QTest::keyClicks(ui.txtCntHandFee, "7.5");
        click(ui.cmdcenterHandFee);
        typeFee(ui, "3");
        QCOMPARE(feeAndDuty(ui.lstSelectedCenters, "5"), "3.00 0U");
    }

    void typedFeeIsChecked_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message"); // empty when accepted
        QTest::addColumn<QString>("row");     // fee and duty of the row afterwards

        QTest::newRow("below 100") << "7.5" << QString() << "7.50 0U";
        QTest::newRow("100") << "100" << kBelow100 << "7.5 0";
        QTest::newRow("rounds up to 100") << "99.999" << QString() << "100.00 0U";
        QTest::newRow("letters") << "abc" << kRequired << "7.5 0";
        QTest::newRow("empty") << "" << kRequired << "7.5 0";
        QTest::newRow("blanks around") << " 12 " << QString() << "12.00 0U";
        QTest::newRow("negative") << "-5" << QString() << "-5.00 0U";
        QTest::newRow("point first") << ".5" << QString() << "0.50 0U";
        QTest::newRow("point last") << "5." << QString() << "5.00 0U";
        QTest::newRow("exponent") << "1e1" << kRequired << "7.5 0";
        QTest::newRow("two points") << "1.2.3" << kRequired << "7.5 0";
        QTest::newRow("comma") << "7,5" << kRequired << "7.5 0";
        QTest::newRow("only a point") << "." << kRequired << "7.5 0";
        QTest::newRow("far above") << "12345" << kBelow100 << "7.5 0";
    }

    void typedFeeIsChecked()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, row);
        QVERIFY(loadAndPick());
        const ControlSurface &ui = vendorcenter::surfaceOf(*control_);
        MessageBoxWatcher watcher;

        typeFee(ui, typed);
        QCOMPARE(feeAndDuty(ui.lstSelectedCenters, "5"), row);
        QCOMPARE(feeAndDuty(ui.lstSelectedCenters, "6"), "7.5 1");
        QCOMPARE(ui.cmdCommit->isEnabled(), message.isEmpty());
        if (message.isEmpty()) {
            QVERIFY(watcher.seen().isEmpty());
            QCOMPARE(feePanel(ui), "Update|" + typed + "|0|0|1"); // the box keeps what was typed
            QTRY_VERIFY(hasFocus(ui.lstSelectedCenters));
            return;
        }
        QCOMPARE(watcher.seen().size(), 1);
        QCOMPARE(watcher.seen().front().text, message);
        QCOMPARE(watcher.seen().front().title, "Information Validation");
        QCOMPARE(watcher.seen().front().icon, QMessageBox::Information);
        // Still editing, focus back in the box.
        QCOMPARE(feePanel(ui), "Save|" + typed + "|0|1|1");
        QTRY_VERIFY(hasFocus(ui.txtCntHandFee));
    }

    void feeFollowsCommaDecimalSettings()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(loadAndPick(QStringLiteral("0,075")));
        const ControlSurface &ui = vendorcenter::surfaceOf(*control_);
        MessageBoxWatcher watcher;
        QCOMPARE(feePanel(ui), "Update|7,5|0|0|1");
        typeFee(ui, "7.5");
        QCOMPARE(watcher.texts(), QStringList{kRequired});
        QTest::keyClicks(ui.txtCntHandFee, "12,345");
        click(ui.cmdcenterHandFee);
        QCOMPARE(feeAndDuty(ui.lstSelectedCenters, "5"), "12,35 0U");
        typeFee(ui, "99,999");
        QCOMPARE(cell(ui.lstSelectedCenters, "5", ColHandlingFee), "100,00");
        QCOMPARE(watcher.texts(), QStringList{kRequired});
    }

    void resetClearsThePanel()
    {
        QVERIFY(loadAndPick());
        const ControlSurface &ui = vendorcenter::surfaceOf(*control_);
        vendorcenter::VendorCenterPrivate &inner = vendorcenter::privateOf(*control_);

        // Showing a row: emptied and disabled, still "Update" and read-only.
        inner.resetFeePanel();
        QCOMPARE(feePanel(ui), "Update||0|0|0");

        clickRow(ui.lstSelectedCenters, "6");
        QCOMPARE(feePanel(ui), "Update|7.5|1|0|1");
        click(ui.cmdcenterHandFee);
        QTest::keyClicks(ui.txtCntHandFee, "9");
        inner.resetFeePanel();
        QCOMPARE(feePanel(ui), "Update||0|0|0");
        QCOMPARE(cell(ui.lstSelectedCenters, "6", ColHandlingFee), "7.5");
    }

    // A reload empties the lists but leaves the panel as it was: "Save" then
    // has no row to write to.
    void saveWithoutCurrentRowWritesNothing()
    {
        QVERIFY(loadAndPick());
        const ControlSurface &ui = vendorcenter::surfaceOf(*control_);
        click(ui.cmdcenterHandFee);
        control_->LetDataFromDatabase(kVendor);
        QVERIFY(!ui.lstSelectedCenters->currentPosition());
        QCOMPARE(ui.cmdcenterHandFee->text(), "Save");

        MessageBoxWatcher watcher;
        QTest::keyClicks(ui.txtCntHandFee, "9");
        click(ui.cmdcenterHandFee);
        QVERIFY(watcher.seen().isEmpty());
        QCOMPARE(feePanel(ui), "Update|9|0|0|1");
        QCOMPARE(feeAndDuty(ui.lstSelectedCenters, "5") + ' ' + cell(ui.lstSelectedCenters, "6", ColDuty), "7.5 0 1");
        QVERIFY(!ui.cmdCommit->isEnabled());
    }
};

QTEST_MAIN(FeePanelTest)
#include "tst_fee_panel.moc"
