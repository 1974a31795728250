#include "widget/ControlSurface.h"

#include <vendorcenter/Vendor_Center.h>

#include "core/CenterRow.h"
#include "widget/CenterListView.h"
#include "widget/ControlLayout.h"
#include "widget/LoadProgressBar.h"
#include "widget/TextBoxLook.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

#include <cmath>

namespace vendorcenter {

int twipsToPixels(double twips, double logicalDpi)
{
    return static_cast<int>(std::lround(twips * logicalDpi / 1440.0));
}

namespace {

constexpr EdgeMove kStays = EdgeMove::None;
constexpr EdgeMove kHalf = EdgeMove::Half;
constexpr EdgeMove kAll = EdgeMove::All;

// The room of a bigger control: the two lists share the extra width evenly
// and take all the extra height, the move buttons stay between them, and the
// panels below move down (and right, with the list above them) at their own size.
constexpr Growth kFrame {kStays, kStays, kAll, kAll};
constexpr Growth kLeftList {kStays, kStays, kHalf, kAll};
constexpr Growth kRightList {kHalf, kStays, kAll, kAll};
constexpr Growth kAboveRightList {kHalf, kStays, kHalf, kStays};
constexpr Growth kBetweenLists {kHalf, kHalf, kHalf, kHalf};
constexpr Growth kBelowLeftList {kStays, kAll, kStays, kAll};
constexpr Growth kBelowRightList {kHalf, kAll, kHalf, kAll};
constexpr Growth kCorner {kAll, kAll, kAll, kAll};

// Names `widget` and gives it its line of the layout: its design rectangle
// in twips and how it grows.
template<typename W>
W *place(ControlLayout &layout, W *widget, const char *name, const QRect &twips, Growth growth = {},
    ControlLayout::Widened widened = {})
{
    widget->setObjectName(QLatin1String(name));
    layout.place(widget, twips, growth, std::move(widened));
    return widget;
}

// A list's name column takes the width its list gains.
ControlLayout::Widened nameColumnOf(CenterListView *list)
{
    // Read at the first layout, when the columns stand at their designed widths.
    return [list, designed = -1](int extraWidth) mutable {
        if (designed < 0)
            designed = list->columnWidth(ColName);
        list->setColumnWidth(ColName, designed + extraWidth);
    };
}

QPushButton *commandButton(QWidget *parent, const QString &caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setAccessibleName(caption);
    return button;
}

QLabel *label(QWidget *parent, const QString &caption)
{
    auto *l = new QLabel(caption, parent);
    l->setTextFormat(Qt::PlainText);
    l->setFocusPolicy(Qt::NoFocus);
    return l;
}

QGroupBox *frame(QWidget *parent, const QString &caption, const QString &accessibleName)
{
    auto *f = new QGroupBox(caption, parent);
    f->setFocusPolicy(Qt::NoFocus);
    f->setAccessibleName(accessibleName);
    return f;
}

} // namespace

ControlSurface buildSurface(QWidget *control)
{
    ControlLayout &layout = *new ControlLayout(control);
    ControlSurface s;

    s.fraMain = place(
        layout, frame(control, QString(), Vendor_Center::tr("Vendor Center")), "fraMain", {0, -90, 8745, 5310}, kFrame);
    s.lblAllVendors = place(layout, label(s.fraMain, Vendor_Center::tr("Non Selected Active Centers:")),
        "lblAllVendors", {165, 150, 3105, 255});
    s.lblSelVendors = place(layout, label(s.fraMain, Vendor_Center::tr("Selected Centers:")), "lblSelVendors",
        {4710, 150, 2175, 255}, kAboveRightList);
    s.lstCenters = new CenterListView(s.fraMain);
    place(layout, s.lstCenters, "lstCenters", {105, 360, 3975, 2775}, kLeftList, nameColumnOf(s.lstCenters));
    s.lstCenters->setAccessibleName(Vendor_Center::tr("Non Selected Active Centers"));
    s.lstSelectedCenters = new CenterListView(s.fraMain);
    place(layout, s.lstSelectedCenters, "lstSelectedCenters", {4665, 360, 3975, 2775}, kRightList,
        nameColumnOf(s.lstSelectedCenters));
    s.lstSelectedCenters->setAccessibleName(Vendor_Center::tr("Selected Centers"));
    s.lblAllVendors->setBuddy(s.lstCenters);
    s.lblSelVendors->setBuddy(s.lstSelectedCenters);

    s.cmdAdd =
        place(layout, commandButton(s.fraMain, QStringLiteral(">")), "cmdAdd", {4065, 960, 615, 375}, kBetweenLists);
    s.cmdAddAll = place(
        layout, commandButton(s.fraMain, QStringLiteral(">>")), "cmdAddAll", {4065, 1335, 615, 375}, kBetweenLists);
    s.cmdRemoveAll = place(
        layout, commandButton(s.fraMain, QStringLiteral("<<")), "cmdRemoveAll", {4065, 1710, 615, 375}, kBetweenLists);
    s.cmdDelete = place(
        layout, commandButton(s.fraMain, QStringLiteral("<")), "cmdDelete", {4065, 2085, 615, 375}, kBetweenLists);
    s.cmdAdd->setAccessibleDescription(Vendor_Center::tr("Select the current center"));
    s.cmdAddAll->setAccessibleDescription(Vendor_Center::tr("Select all highlighted centers"));
    s.cmdRemoveAll->setAccessibleDescription(Vendor_Center::tr("Deselect all highlighted centers"));
    s.cmdDelete->setAccessibleDescription(Vendor_Center::tr("Deselect the current center"));
    s.cmdCommit = place(layout, commandButton(s.fraMain, Vendor_Center::tr("Commit to Database")), "cmdCommit",
        {6945, 3300, 1680, 375}, kCorner);

    s.fraFind = place(layout, frame(s.fraMain, Vendor_Center::tr(" Find Center"), Vendor_Center::tr("Find Center")),
        "fraFind", {120, 3120, 4575, 2055}, kBelowLeftList);
    s.Frame1 =
        place(layout, frame(s.fraFind, Vendor_Center::tr(" List to search  "), Vendor_Center::tr("List to search")),
            "Frame1", {135, 915, 2490, 825});
    s.optList[0] = place(layout, new QRadioButton(Vendor_Center::tr("Non Selected Centers"), s.Frame1), "optList(0)",
        {120, 225, 2040, 255});
    s.optList[1] = place(
        layout, new QRadioButton(Vendor_Center::tr("Selected Centers"), s.Frame1), "optList(1)", {120, 555, 1575, 195});
    s.optFind[1] =
        place(layout, new QRadioButton(Vendor_Center::tr("ID"), s.fraFind), "optFind(1)", {135, 240, 735, 255});
    s.txtVendorID = place(layout, new QLineEdit(s.fraFind), "txtVendorID", {915, 255, 1095, 285});
    s.optFind[0] =
        place(layout, new QRadioButton(Vendor_Center::tr("Name"), s.fraFind), "optFind(0)", {135, 600, 765, 255});
    s.txtVendorName = place(layout, new QLineEdit(s.fraFind), "txtVendorName", {915, 615, 3330, 285});
    s.cmdFind = place(layout, commandButton(s.fraFind, Vendor_Center::tr("Find")), "cmdFind", {2865, 1200, 975, 375});
    s.lblVersionNumber = place(
        layout, label(s.fraFind, Vendor_Center::tr("Version Number:")), "lblVersionNumber", {150, 1770, 2175, 255});
    for (QRadioButton *option : {s.optList[0], s.optList[1], s.optFind[0], s.optFind[1]})
        option->setAccessibleName(option->text());
    // Each option array is one exclusive group of its own; Qt would otherwise
    // group optList with optFind, since Frame1 sits inside fraFind.
    for (QRadioButton *const *array : {s.optList, s.optFind}) {
        auto *group = new QButtonGroup(control);
        for (int index = 0; index < 2; ++index)
            group->addButton(array[index], index);
    }
    s.txtVendorID->setAccessibleName(Vendor_Center::tr("Find by ID"));
    s.txtVendorName->setAccessibleName(Vendor_Center::tr("Find by Name"));

    s.frmEntry = place(layout, frame(s.fraMain, QString(), Vendor_Center::tr("Handling fee")), "frmEntry",
        {4785, 3765, 3855, 1080}, kBelowRightList);
    s.lblDuty =
        place(layout, label(s.frmEntry, Vendor_Center::tr("Duty / Brokerage Fee")), "lblDuty", {120, 240, 1575, 255});
    s.chkDuty = place(layout, new QCheckBox(s.frmEntry), "chkDuty", {1980, 240, 390, 270});
    s.chkDuty->setAccessibleName(Vendor_Center::tr("Duty / Brokerage Fee"));
    s.Label1 = place(
        layout, label(s.frmEntry, Vendor_Center::tr("Center / Handling Fee (%)")), "Label1", {120, 600, 1875, 240});
    s.txtCntHandFee = place(layout, new QLineEdit(s.frmEntry), "txtCntHandFee", {1980, 600, 525, 285});
    s.txtCntHandFee->setAccessibleName(Vendor_Center::tr("Center / Handling Fee (%)"));
    s.Label1->setBuddy(s.txtCntHandFee);
    s.lblDuty->setBuddy(s.chkDuty);
    s.cmdcenterHandFee =
        place(layout, commandButton(s.frmEntry, QCoreApplication::translate("vendorcenter::FeePanel", "Update")),
            "cmdcenterHandFee", {2625, 600, 1080, 315});

    s.prbLoad = place(layout, new LoadProgressBar(s.fraMain), "prbLoad", {4785, 4920, 3870, 255}, kBelowRightList);
    s.prbLoad->setRange(0, 4000);
    s.prbLoad->setValue(0);
    s.prbLoad->setTextVisible(false);
    s.prbLoad->setFocusPolicy(Qt::NoFocus);
    s.prbLoad->setAccessibleName(Vendor_Center::tr("Load progress"));

    s.mnuRemove = new QMenu(Vendor_Center::tr("Remove"), control);
    s.mnuRemove->setObjectName(QStringLiteral("mnuRemove"));
    s.mnuRemoveItems = s.mnuRemove->addAction(Vendor_Center::tr("Remove"));
    s.mnuRemoveItems->setObjectName(QStringLiteral("mnuRemoveItems"));

    // Starting states.
    for (QWidget *w :
        {static_cast<QWidget *>(s.cmdAdd), static_cast<QWidget *>(s.cmdAddAll), static_cast<QWidget *>(s.cmdRemoveAll),
            static_cast<QWidget *>(s.cmdDelete), static_cast<QWidget *>(s.cmdCommit),
            static_cast<QWidget *>(s.optList[0]), static_cast<QWidget *>(s.optList[1]),
            static_cast<QWidget *>(s.optFind[0]), static_cast<QWidget *>(s.optFind[1]),
            static_cast<QWidget *>(s.txtVendorID), static_cast<QWidget *>(s.cmdFind), static_cast<QWidget *>(s.chkDuty),
            static_cast<QWidget *>(s.cmdcenterHandFee)})
        w->setEnabled(false);
    s.optList[0]->setChecked(true);
    s.optFind[1]->setChecked(true);
    setTextBoxWritable(s.txtVendorID, false);
    setTextBoxWritable(s.txtVendorName, false);
    setTextBoxWritable(s.txtCntHandFee, false);

    QWidget *const tabOrder[] = {s.txtCntHandFee, s.chkDuty, s.cmdcenterHandFee, s.txtVendorName, s.optFind[0],
        s.txtVendorID, s.optFind[1], s.cmdFind, s.optList[0], s.optList[1], s.cmdDelete, s.cmdAdd, s.cmdAddAll,
        s.cmdRemoveAll, s.cmdCommit, s.lstCenters, s.lstSelectedCenters};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
    return s;
}

} // namespace vendorcenter
