#include "widget/CenterListView.h"
#include "core/Failure.h"
#include "widget/LoadProgressBar.h"
#include "widget/VendorCenterPrivate.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace vendorcenter;

namespace {

struct Placement
{
    const char *name;
    const char *container;
    int left, top, width, height;
};

// The layout in twips, container by container.
const Placement kLayout[] = {
    {"fraMain", "Vendor_Center", 0, -90, 8745, 5310},
    {"lblAllVendors", "fraMain", 165, 150, 3105, 255},
    {"lblSelVendors", "fraMain", 4710, 150, 2175, 255},
    {"lstCenters", "fraMain", 105, 360, 3975, 2775},
    {"lstSelectedCenters", "fraMain", 4665, 360, 3975, 2775},
    {"cmdAdd", "fraMain", 4065, 960, 615, 375},
    {"cmdAddAll", "fraMain", 4065, 1335, 615, 375},
    {"cmdRemoveAll", "fraMain", 4065, 1710, 615, 375},
    {"cmdDelete", "fraMain", 4065, 2085, 615, 375},
    {"cmdCommit", "fraMain", 6945, 3300, 1680, 375},
    {"fraFind", "fraMain", 120, 3120, 4575, 2055},
    {"Frame1", "fraFind", 135, 915, 2490, 825},
    {"optList(0)", "Frame1", 120, 225, 2040, 255},
    {"optList(1)", "Frame1", 120, 555, 1575, 195},
    {"optFind(1)", "fraFind", 135, 240, 735, 255},
    {"txtVendorID", "fraFind", 915, 255, 1095, 285},
    {"optFind(0)", "fraFind", 135, 600, 765, 255},
    {"txtVendorName", "fraFind", 915, 615, 3330, 285},
    {"cmdFind", "fraFind", 2865, 1200, 975, 375},
    {"lblVersionNumber", "fraFind", 150, 1770, 2175, 255},
    {"frmEntry", "fraMain", 4785, 3765, 3855, 1080},
    {"lblDuty", "frmEntry", 120, 240, 1575, 255},
    {"chkDuty", "frmEntry", 1980, 240, 390, 270},
    {"Label1", "frmEntry", 120, 600, 1875, 240},
    {"txtCntHandFee", "frmEntry", 1980, 600, 525, 285},
    {"cmdcenterHandFee", "frmEntry", 2625, 600, 1080, 315},
    {"prbLoad", "fraMain", 4785, 4920, 3870, 255},
};

QString captionOf(QWidget *widget)
{
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        return button->text();
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text();
    if (auto *frame = qobject_cast<QGroupBox *>(widget))
        return frame->title();
    if (auto *box = qobject_cast<QLineEdit *>(widget))
        return box->text();
    return {};
}

bool looksReadOnly(QLineEdit *box)
{
    return box->isReadOnly() && box->palette().color(QPalette::Base) == box->palette().color(QPalette::Button);
}

} // namespace

class StartUpTest : public QObject
{
    Q_OBJECT

private slots:
    void everyWidgetStandsInItsPlaceWithItsName()
    {
        Vendor_Center control;
        const double dpi = control.logicalDpiX();
        for (const Placement &p : kLayout) {
            auto *widget = control.findChild<QWidget *>(QLatin1String(p.name));
            QVERIFY2(widget, p.name);
            QCOMPARE(widget->parentWidget()->objectName(), QLatin1String(p.container));
            const QRect expected(twipsToPixels(p.left, dpi), twipsToPixels(p.top, dpi),
                                 twipsToPixels(p.left + p.width, dpi) - twipsToPixels(p.left, dpi),
                                 twipsToPixels(p.top + p.height, dpi) - twipsToPixels(p.top, dpi));
            QCOMPARE(widget->geometry(), expected);
        }
        QCOMPARE(control.findChild<QObject *>("Inet1")->parent(), &control);
        auto *menu = control.findChild<QMenu *>("mnuRemove");
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions().first()->objectName(), QStringLiteral("mnuRemoveItems"));
        QCOMPARE(menu->actions().first()->text(), QStringLiteral("Remove"));
        QCOMPARE(control.sizeHint(), QSize(twipsToPixels(8745, dpi), twipsToPixels(5220, dpi)));
    }

    void captionsKeepTheirBlanks()
    {
        Vendor_Center control;
        const QList<QPair<const char *, QString>> captions = {
            {"fraMain", ""},
            {"lblAllVendors", "Non Selected Active Centers:"},
            {"lblSelVendors", "Selected Centers:"},
            {"cmdAdd", ">"},
            {"cmdAddAll", ">>"},
            {"cmdRemoveAll", "<<"},
            {"cmdDelete", "<"},
            {"cmdCommit", "Commit to Database"},
            {"fraFind", " Find Center"},
            {"Frame1", " List to search  "},
            {"optList(0)", "Non Selected Centers"},
            {"optList(1)", "Selected Centers"},
            {"optFind(1)", "ID"},
            {"optFind(0)", "Name"},
            {"cmdFind", "Find"},
            {"frmEntry", ""},
            {"lblDuty", "Duty / Brokerage Fee"},
            {"Label1", "Center / Handling Fee (%)"},
            {"cmdcenterHandFee", "Update"},
            {"txtVendorID", ""},
            {"txtVendorName", ""},
            {"txtCntHandFee", ""},
        };
        for (const auto &[name, caption] : captions)
            QCOMPARE(captionOf(control.findChild<QWidget *>(QLatin1String(name))), caption);
    }

    void widgetsStartInTheirStartingStates()
    {
        Vendor_Center control;
        ControlSurface &ui = surfaceOf(control);
        for (QWidget *disabled : std::initializer_list<QWidget *>{
                 ui.cmdAdd, ui.cmdAddAll, ui.cmdRemoveAll, ui.cmdDelete, ui.cmdCommit, ui.optList[0], ui.optList[1],
                 ui.optFind[0], ui.optFind[1], ui.txtVendorID, ui.cmdFind, ui.chkDuty, ui.cmdcenterHandFee})
            QVERIFY2(!disabled->isEnabled(), qPrintable(disabled->objectName()));
        for (QWidget *enabled : std::initializer_list<QWidget *>{ui.fraMain, ui.fraFind, ui.Frame1, ui.frmEntry,
                                                                 ui.txtVendorName, ui.txtCntHandFee})
            QVERIFY2(enabled->isEnabled(), qPrintable(enabled->objectName()));
        QVERIFY(ui.optList[0]->isChecked());
        QVERIFY(!ui.optList[1]->isChecked());
        QVERIFY(ui.optFind[1]->isChecked());
        QVERIFY(!ui.optFind[0]->isChecked());
        QVERIFY(looksReadOnly(ui.txtVendorID));
        QVERIFY(looksReadOnly(ui.txtVendorName));
        QVERIFY(looksReadOnly(ui.txtCntHandFee));
        QVERIFY(!ui.chkDuty->isChecked());
        QCOMPARE(ui.prbLoad->minimum(), 0);
        QCOMPARE(ui.prbLoad->maximum(), 4000);
        QCOMPARE(ui.prbLoad->value(), 0);
        QCOMPARE(control.cursor().shape(), Qt::ArrowCursor);
        for (QPushButton *button : control.findChildren<QPushButton *>())
            QVERIFY(!button->isDefault() && !button->autoDefault());
    }

    void controlStateStartsAtZeroAndEmpty()
    {
        Vendor_Center control;
        const ControlState &state = controlState(control);
        QCOMPARE(state.vendorId, 0);
        QVERIFY(state.serverName.isEmpty());
        QCOMPARE(state.dutyDefault, 0);
        QCOMPARE(state.nonSelectedCount, 0);
        QCOMPARE(state.selectedCount, 0);
        QCOMPARE(state.loadProgress, 0);
    }

    void versionLabelShowsTheComponentVersion()
    {
        Vendor_Center control;
        QCOMPARE(surfaceOf(control).lblVersionNumber->text(), QStringLiteral("Version Number: 2.0.9"));
    }

    void bothListsHaveSevenColumnsWithIdAndNameSharingTheWidth()
    {
        Vendor_Center control;
        const QStringList headers{"ID", "Name", "CountryID", "Handling Fee", "Duty Brokerage Fee", "Date Updated", "ID"};
        for (CenterListView *list : {surfaceOf(control).lstCenters, surfaceOf(control).lstSelectedCenters}) {
            QCOMPARE(list->model()->columnCount(), 7);
            QCOMPARE(list->count(), 0);
            for (int c = 0; c < 7; ++c) {
                QCOMPARE(list->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
                QCOMPARE(list->isColumnHidden(c), c > 1);
            }
            QCOMPARE(list->columnWidth(1), 4 * list->columnWidth(0));
            QCOMPARE(list->columnWidth(0) + list->columnWidth(1), list->width());
        }
    }

    void columnWidthsOverflowPastEightThousandOneHundredNinetyOneUnits()
    {
        const VisibleColumnWidths normal = visibleColumnWidths(3975);
        QCOMPARE(normal.id, 795.0);
        QCOMPARE(normal.name, 3180.0);
        QCOMPARE(visibleColumnWidths(8191).name, 8191.0 * 4 / 5);
        try {
            visibleColumnWidths(8192);
            QFAIL("a list wider than 8191 units must fail");
        } catch (const Failure &failure) {
            QCOMPARE(failure.number(), int(Failure::Overflow));
        }
    }

    void tabOrderRunsThroughTheFocusableWidgets()
    {
        Vendor_Center control;
        ControlSurface &ui = surfaceOf(control);
        const QList<QWidget *> order{ui.txtCntHandFee, ui.chkDuty,     ui.cmdcenterHandFee, ui.txtVendorName,
                                     ui.optFind[0],    ui.txtVendorID, ui.optFind[1],       ui.cmdFind,
                                     ui.optList[0],    ui.optList[1],  ui.cmdDelete,        ui.cmdAdd,
                                     ui.cmdAddAll,     ui.cmdRemoveAll, ui.cmdCommit,        ui.lstCenters,
                                     ui.lstSelectedCenters};
        auto nextTabStop = [](QWidget *from) {
            QWidget *next = from->nextInFocusChain();
            while (!(next->focusPolicy() & Qt::TabFocus))
                next = next->nextInFocusChain();
            return next;
        };
        for (qsizetype i = 1; i < order.size(); ++i)
            QCOMPARE(nextTabStop(order[i - 1]), order[i]);
        for (QWidget *never : std::initializer_list<QWidget *>{ui.lblAllVendors, ui.lblSelVendors, ui.lblDuty,
                                                               ui.Label1, ui.lblVersionNumber, ui.prbLoad})
            QCOMPARE(never->focusPolicy(), Qt::NoFocus);
    }

    // A few neighbours overlap by design (the move buttons over the list
    // edges, the labels over the list tops, the find frame over the list
    // bottom); at any DPI no overlap may be thicker than the design's own.
    void neighboursOverlapNoMoreThanDesigned()
    {
        Vendor_Center control;
        const double dpi = control.logicalDpiX();
        for (const Placement &a : kLayout) {
            for (const Placement &b : kLayout) {
                if (&a >= &b || qstrcmp(a.container, b.container) != 0)
                    continue;
                const QRect designed = QRect(a.left, a.top, a.width, a.height).intersected(QRect(b.left, b.top, b.width, b.height));
                const int allowed = designed.isEmpty() ? 0 : twipsToPixels(std::min(designed.width(), designed.height()), dpi) + 1;
                const QRect overlap = control.findChild<QWidget *>(QLatin1String(a.name))->geometry().intersected(
                    control.findChild<QWidget *>(QLatin1String(b.name))->geometry());
                QVERIFY2(overlap.isEmpty() || std::min(overlap.width(), overlap.height()) <= allowed,
                         qPrintable(QStringLiteral("%1 overlaps %2").arg(a.name, b.name)));
            }
        }
        const int expectedDpi = qEnvironmentVariableIntValue("VENDORCENTER_EXPECT_DPI");
        if (expectedDpi != 0)
            QCOMPARE(control.logicalDpiX(), expectedDpi);
    }

    void everyWidgetHasAnAccessibleName()
    {
        Vendor_Center control;
        for (QWidget *widget : control.findChildren<QWidget *>()) {
            if (widget->objectName().isEmpty() || widget->objectName().startsWith("qt_") || qobject_cast<QMenu *>(widget))
                continue; // Qt's own inner widgets (viewports, headers, scroll bars)
            if (qobject_cast<QLabel *>(widget))
                continue; // labels are read by their text
            QVERIFY2(!widget->accessibleName().isEmpty(), qPrintable(widget->objectName()));
        }
        QVERIFY(surfaceOf(control).lstCenters->accessibleName() != surfaceOf(control).lstSelectedCenters->accessibleName());
    }
};

QTEST_MAIN(StartUpTest)
#include "StartUpTest.moc"
