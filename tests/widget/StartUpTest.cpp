#include "ControlDriver.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <cmath>

namespace {

struct Placement
{
    const char *name;
    const char *container;
    int left, top, width, height;
};

// The layout in twips, container by container.
const Placement kLayout[] = {{"fraMain", "Vendor_Center", 0, -90, 8745, 5310},
    {"lblAllVendors", "fraMain", 165, 150, 3105, 255}, {"lblSelVendors", "fraMain", 4710, 150, 2175, 255},
    {"lstCenters", "fraMain", 105, 360, 3975, 2775}, {"lstSelectedCenters", "fraMain", 4665, 360, 3975, 2775},
    {"cmdAdd", "fraMain", 4065, 960, 615, 375}, {"cmdAddAll", "fraMain", 4065, 1335, 615, 375},
    {"cmdRemoveAll", "fraMain", 4065, 1710, 615, 375}, {"cmdDelete", "fraMain", 4065, 2085, 615, 375},
    {"cmdCommit", "fraMain", 6945, 3300, 1680, 375}, {"fraFind", "fraMain", 120, 3120, 4575, 2055},
    {"Frame1", "fraFind", 135, 915, 2490, 825}, {"optList(0)", "Frame1", 120, 225, 2040, 255},
    {"optList(1)", "Frame1", 120, 555, 1575, 195}, {"optFind(1)", "fraFind", 135, 240, 735, 255},
    {"txtVendorID", "fraFind", 915, 255, 1095, 285}, {"optFind(0)", "fraFind", 135, 600, 765, 255},
    {"txtVendorName", "fraFind", 915, 615, 3330, 285}, {"cmdFind", "fraFind", 2865, 1200, 975, 375},
    {"lblVersionNumber", "fraFind", 150, 1770, 2175, 255}, {"frmEntry", "fraMain", 4785, 3765, 3855, 1080},
    {"lblDuty", "frmEntry", 120, 240, 1575, 255}, {"chkDuty", "frmEntry", 1980, 240, 390, 270},
    {"Label1", "frmEntry", 120, 600, 1875, 240}, {"txtCntHandFee", "frmEntry", 1980, 600, 525, 285},
    {"cmdcenterHandFee", "frmEntry", 2625, 600, 1080, 315}, {"prbLoad", "fraMain", 4785, 4920, 3870, 255}};

int pixels(int twips, double dpi)
{
    return int(std::lround(twips * dpi / 1440.0));
}

} // namespace

class StartUpTest : public DriverTest
{
    Q_OBJECT

private slots:
    void everyWidgetStandsInItsPlace()
    {
        const double dpi = d->control.logicalDpiX();
        for (const Placement &p : kLayout) {
            QWidget *widget = d->widget(p.name);
            QVERIFY2(widget, p.name);
            QCOMPARE(widget->parentWidget()->objectName(), QLatin1String(p.container));
            QCOMPARE(widget->geometry(),
                QRect(QPoint(pixels(p.left, dpi), pixels(p.top, dpi)),
                    QPoint(pixels(p.left + p.width, dpi) - 1, pixels(p.top + p.height, dpi) - 1)));
        }
        QCOMPARE(d->control.sizeHint(), QSize(pixels(8745, dpi), pixels(5220, dpi)));
        QCOMPARE(d->control.findChild<QObject *>("Inet1")->parent(), &d->control);
        const int expectedDpi = qEnvironmentVariableIntValue("VENDORCENTER_EXPECT_DPI");
        if (expectedDpi != 0)
            QCOMPARE(d->control.logicalDpiX(), expectedDpi);
    }

    void captionsKeepTheirBlanks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        for (const auto &[name, caption] :
            std::initializer_list<std::pair<const char *, const char *>> {{"fraMain", ""},
                {"lblAllVendors", "Non Selected Active Centers:"}, {"lblSelVendors", "Selected Centers:"},
                {"cmdAdd", ">"}, {"cmdAddAll", ">>"}, {"cmdRemoveAll", "<<"}, {"cmdDelete", "<"},
                {"cmdCommit", "Commit to Database"}, {"fraFind", " Find Center"}, {"Frame1", " List to search  "},
                {"optList(0)", "Non Selected Centers"}, {"optList(1)", "Selected Centers"}, {"optFind(1)", "ID"},
                {"optFind(0)", "Name"}, {"cmdFind", "Find"}, {"frmEntry", ""}, {"lblDuty", "Duty / Brokerage Fee"},
                {"Label1", "Center / Handling Fee (%)"}, {"cmdcenterHandFee", "Update"}, {"txtVendorID", ""},
                {"txtVendorName", ""}, {"txtCntHandFee", ""}, {"lblVersionNumber", "Version Number: 2.0.9"}})
            QTest::newRow(name) << name << caption;
    }

    void captionsKeepTheirBlanks()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QCOMPARE(d->text(name), caption);
    }

    // What a screen reader calls each widget, and the caption whose mnemonic reaches it.
    void screenReadersNameEachWidget_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("accessibleName");
        QTest::addColumn<QString>("label");
        for (const auto &[name, accessibleName, label] :
            std::initializer_list<std::tuple<const char *, const char *, const char *>> {
                {"lstCenters", "Non Selected Active Centers", "lblAllVendors"},
                {"lstSelectedCenters", "Selected Centers", "lblSelVendors"}, {"cmdAddAll", ">>", ""},
                {"cmdCommit", "Commit to Database", ""}, {"fraMain", "Vendor Center", ""},
                {"fraFind", "Find Center", ""}, {"Frame1", "List to search", ""},
                {"optList(1)", "Selected Centers", ""}, {"optFind(0)", "Name", ""}, {"txtVendorID", "Find by ID", ""},
                {"txtVendorName", "Find by Name", ""}, {"frmEntry", "Handling fee", ""},
                {"chkDuty", "Duty / Brokerage Fee", "lblDuty"},
                {"txtCntHandFee", "Center / Handling Fee (%)", "Label1"}, {"prbLoad", "Load progress", ""}})
            QTest::newRow(name) << name << accessibleName << label;
    }

    void screenReadersNameEachWidget()
    {
        QFETCH(QString, name);
        QFETCH(QString, accessibleName);
        QFETCH(QString, label);
        QCOMPARE(d->widget(name)->accessibleName(), accessibleName);
        if (!label.isEmpty())
            QCOMPARE(d->widget<QLabel>(label)->buddy(), d->widget(name));
    }

    void widgetsStartInTheirStartingStates()
    {
        for (const char *off : {"cmdAdd", "cmdAddAll", "cmdRemoveAll", "cmdDelete", "cmdCommit", "optList(0)",
                 "optList(1)", "optFind(0)", "optFind(1)", "txtVendorID", "cmdFind", "chkDuty", "cmdcenterHandFee"})
            QVERIFY2(!d->enabled(off), off);
        for (const char *on : {"fraMain", "fraFind", "Frame1", "frmEntry", "txtVendorName", "txtCntHandFee"})
            QVERIFY2(d->enabled(on), on);
        QCOMPARE(QList<bool>({d->checked("optList(0)"), d->checked("optList(1)"), d->checked("optFind(0)"),
                     d->checked("optFind(1)"), d->checked("chkDuty")}),
            QList<bool>({true, false, false, true, false}));
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
        // Screen readers tell what each move does.
        for (const auto &[name, description] :
            {std::pair {"cmdAdd", "Select the current center"}, {"cmdAddAll", "Select all highlighted centers"},
                {"cmdRemoveAll", "Deselect all highlighted centers"}, {"cmdDelete", "Deselect the current center"}})
            QCOMPARE(d->widget(name)->accessibleDescription(), description);
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
