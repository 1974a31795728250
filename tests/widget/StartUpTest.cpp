#include "ControlDriver.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>

#include <cmath>

namespace {

struct Widget
{
    const char *name, *container;
    int left, top, width, height; // in twips
    const char *caption; // nullptr: none to read
    bool enabled;
};

// Container by container, as the control starts.
const Widget kWidgets[] = {
    {"fraMain", "Vendor_Center", 0, -90, 8745, 5310, "", true},
    {"lblAllVendors", "fraMain", 165, 150, 3105, 255, "Non Selected Active Centers:", true},
    {"lblSelVendors", "fraMain", 4710, 150, 2175, 255, "Selected Centers:", true},
    {"lstCenters", "fraMain", 105, 360, 3975, 2775, nullptr, true},
    {"lstSelectedCenters", "fraMain", 4665, 360, 3975, 2775, nullptr, true},
    {"cmdAdd", "fraMain", 4065, 960, 615, 375, ">", false},
    {"cmdAddAll", "fraMain", 4065, 1335, 615, 375, ">>", false},
    {"cmdRemoveAll", "fraMain", 4065, 1710, 615, 375, "<<", false},
    {"cmdDelete", "fraMain", 4065, 2085, 615, 375, "<", false},
    {"cmdCommit", "fraMain", 6945, 3300, 1680, 375, "Commit to Database", false},
    {"fraFind", "fraMain", 120, 3120, 4575, 2055, " Find Center", true},
    {"Frame1", "fraFind", 135, 915, 2490, 825, " List to search  ", true},
    {"optList(0)", "Frame1", 120, 225, 2040, 255, "Non Selected Centers", false},
    {"optList(1)", "Frame1", 120, 555, 1575, 195, "Selected Centers", false},
    {"optFind(1)", "fraFind", 135, 240, 735, 255, "ID", false},
    {"txtVendorID", "fraFind", 915, 255, 1095, 285, "", false},
    {"optFind(0)", "fraFind", 135, 600, 765, 255, "Name", false},
    {"txtVendorName", "fraFind", 915, 615, 3330, 285, "", true},
    {"cmdFind", "fraFind", 2865, 1200, 975, 375, "Find", false},
    {"lblVersionNumber", "fraFind", 150, 1770, 2175, 255, "Version Number: 2.0.9", true},
    {"frmEntry", "fraMain", 4785, 3765, 3855, 1080, "", true},
    {"lblDuty", "frmEntry", 120, 240, 1575, 255, "Duty / Brokerage Fee", true},
    {"chkDuty", "frmEntry", 1980, 240, 390, 270, nullptr, false},
    {"Label1", "frmEntry", 120, 600, 1875, 240, "Center / Handling Fee (%)", true},
    {"txtCntHandFee", "frmEntry", 1980, 600, 525, 285, "", true},
    {"cmdcenterHandFee", "frmEntry", 2625, 600, 1080, 315, "Update", false},
    {"prbLoad", "fraMain", 4785, 4920, 3870, 255, nullptr, true},
};

int pixels(int twips, double dpi)
{
    return int(std::lround(twips * dpi / 1440.0));
}

} // namespace

class StartUpTest : public DriverTest
{
    Q_OBJECT

private slots:
    // Each widget in its container and place, with its caption and its
    // starting state. What a screen reader calls and tells of each is read
    // through the accessibility stack (accessibility_tree_test.py).
    void everyWidgetStandsInItsPlace()
    {
        const double dpi = d->control.logicalDpiX();
        for (const Widget &w : kWidgets) {
            QWidget *widget = d->widget(w.name);
            QVERIFY2(widget, w.name);
            QCOMPARE(widget->parentWidget()->objectName(), QLatin1String(w.container));
            QCOMPARE(widget->geometry(),
                QRect(QPoint(pixels(w.left, dpi), pixels(w.top, dpi)),
                    QPoint(pixels(w.left + w.width, dpi) - 1, pixels(w.top + w.height, dpi) - 1)));
            if (w.caption)
                QCOMPARE(d->text(w.name), QLatin1String(w.caption));
            QVERIFY2(widget->isEnabled() == w.enabled, w.name);
        }
        // The caption whose mnemonic reaches a widget.
        for (const auto &[label, buddy] : {std::pair {"lblAllVendors", "lstCenters"},
                 {"lblSelVendors", "lstSelectedCenters"}, {"lblDuty", "chkDuty"}, {"Label1", "txtCntHandFee"}})
            QCOMPARE(d->widget<QLabel>(label)->buddy(), d->widget(buddy));
        QCOMPARE(d->control.sizeHint(), QSize(pixels(8745, dpi), pixels(5220, dpi)));
        QCOMPARE(d->control.findChild<QObject *>("Inet1")->parent(), &d->control);
        const int expectedDpi = qEnvironmentVariableIntValue("VENDORCENTER_EXPECT_DPI");
        if (expectedDpi != 0)
            QCOMPARE(d->control.logicalDpiX(), expectedDpi);
    }

    void widgetsStartInTheirStartingStates()
    {
        QVERIFY(!d->checked("chkDuty"));
        for (const char *box : {"txtVendorID", "txtVendorName", "txtCntHandFee"})
            QVERIFY2(!d->writable(box) && d->box(box)->isReadOnly(), box);
        auto *bar = d->widget<QProgressBar>("prbLoad");
        QCOMPARE(QList<int>({bar->minimum(), bar->maximum(), bar->value()}), QList<int>({0, 4000, 0}));
        for (QPushButton *button : d->control.findChildren<QPushButton *>())
            QVERIFY(!button->isDefault() && !button->autoDefault());
        const QList<QAction *> menu = d->widget<QMenu>("mnuRemove")->actions();
        QCOMPARE(menu.size() == 1 ? menu.first()->objectName() + ' ' + menu.first()->text() : QString(),
            "mnuRemoveItems Remove");
        QCOMPARE(d->control.font().pointSizeF(), 7.5); // the small dialog font the captions were laid out for
        QCOMPARE(d->control.urlEncode("50% off"), "50%25+off");
    }

    void listsHaveSevenColumnsWithIdAndNameSharingTheWidth()
    {
        const QStringList headers {
            "ID", "Name", "CountryID", "Handling Fee", "Duty Brokerage Fee", "Date Updated", "ID"};
        for (QAbstractItemView *list : {d->centers(), d->chosen()}) {
            QCOMPARE(list->model()->rowCount(), 0);
            QCOMPARE(list->model()->columnCount(), 7);
            auto *header = list->findChild<QHeaderView *>();
            for (int c = 0; c < 7; ++c) {
                QCOMPARE(list->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
                QCOMPARE(header->isSectionHidden(c), c > 1);
            }
            QCOMPARE(header->sectionSize(1), 4 * header->sectionSize(0));
            QCOMPARE(header->sectionSize(0) + header->sectionSize(1), list->width());
        }
    }

    void tabOrderRunsThroughTheFocusableWidgets()
    {
        const QStringList order {"txtCntHandFee", "chkDuty", "cmdcenterHandFee", "txtVendorName", "optFind(0)",
            "txtVendorID", "optFind(1)", "cmdFind", "optList(0)", "optList(1)", "cmdDelete", "cmdAdd", "cmdAddAll",
            "cmdRemoveAll", "cmdCommit", "lstCenters", "lstSelectedCenters"};
        for (qsizetype i = 1; i < order.size(); ++i) {
            QWidget *next = d->widget(order[i - 1])->nextInFocusChain();
            while (!(next->focusPolicy() & Qt::TabFocus))
                next = next->nextInFocusChain();
            QCOMPARE(next->objectName(), order[i]);
        }
        for (const char *never : {"lblAllVendors", "lblSelVendors", "lblDuty", "Label1", "lblVersionNumber", "prbLoad"})
            QCOMPARE(d->widget(never)->focusPolicy(), Qt::NoFocus);
    }
};

QTEST_MAIN(StartUpTest)
#include "StartUpTest.moc"
