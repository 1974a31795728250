#include "widget/ControlSurface.h"

#include "widget/CenterListView.h"
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

// The control's captions share one translation context.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Vendor_Center)
};

// Places widgets by the twips of the layout, at the control's logical DPI.
class Placer
{
public:
    explicit Placer(QWidget *control) : dpi_(control->logicalDpiX()) { }

    template<typename W>
    W *place(W *widget, const char *name, int left, int top, int width, int height) const
    {
        widget->setObjectName(QLatin1String(name));
        const int x = twipsToPixels(left, dpi_);
        const int y = twipsToPixels(top, dpi_);
        widget->setGeometry(x, y, twipsToPixels(left + width, dpi_) - x, twipsToPixels(top + height, dpi_) - y);
        return widget;
    }

private:
    double dpi_;
};

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
    const Placer at(control);
    ControlSurface s;

    s.fraMain = at.place(frame(control, QString(), Texts::tr("Vendor Center")), "fraMain", 0, -90, 8745, 5310);
    s.lblAllVendors =
        at.place(label(s.fraMain, Texts::tr("Non Selected Active Centers:")), "lblAllVendors", 165, 150, 3105, 255);
    s.lblSelVendors = at.place(label(s.fraMain, Texts::tr("Selected Centers:")), "lblSelVendors", 4710, 150, 2175, 255);
    s.lstCenters = at.place(new CenterListView(s.fraMain), "lstCenters", 105, 360, 3975, 2775);
    s.lstCenters->setAccessibleName(Texts::tr("Non Selected Active Centers"));
    s.lstSelectedCenters = at.place(new CenterListView(s.fraMain), "lstSelectedCenters", 4665, 360, 3975, 2775);
    s.lstSelectedCenters->setAccessibleName(Texts::tr("Selected Centers"));
    s.lblAllVendors->setBuddy(s.lstCenters);
    s.lblSelVendors->setBuddy(s.lstSelectedCenters);

    s.cmdAdd = at.place(commandButton(s.fraMain, QStringLiteral(">")), "cmdAdd", 4065, 960, 615, 375);
    s.cmdAddAll = at.place(commandButton(s.fraMain, QStringLiteral(">>")), "cmdAddAll", 4065, 1335, 615, 375);
    s.cmdRemoveAll = at.place(commandButton(s.fraMain, QStringLiteral("<<")), "cmdRemoveAll", 4065, 1710, 615, 375);
    s.cmdDelete = at.place(commandButton(s.fraMain, QStringLiteral("<")), "cmdDelete", 4065, 2085, 615, 375);
    s.cmdAdd->setAccessibleDescription(Texts::tr("Select the current center"));
    s.cmdAddAll->setAccessibleDescription(Texts::tr("Select all highlighted centers"));
    s.cmdRemoveAll->setAccessibleDescription(Texts::tr("Deselect all highlighted centers"));
    s.cmdDelete->setAccessibleDescription(Texts::tr("Deselect the current center"));
    s.cmdCommit =
        at.place(commandButton(s.fraMain, Texts::tr("Commit to Database")), "cmdCommit", 6945, 3300, 1680, 375);

    s.fraFind = at.place(
        frame(s.fraMain, Texts::tr(" Find Center"), Texts::tr("Find Center")), "fraFind", 120, 3120, 4575, 2055);
    s.Frame1 = at.place(
        frame(s.fraFind, Texts::tr(" List to search  "), Texts::tr("List to search")), "Frame1", 135, 915, 2490, 825);
    s.optList[0] =
        at.place(new QRadioButton(Texts::tr("Non Selected Centers"), s.Frame1), "optList(0)", 120, 225, 2040, 255);
    s.optList[1] =
        at.place(new QRadioButton(Texts::tr("Selected Centers"), s.Frame1), "optList(1)", 120, 555, 1575, 195);
    s.optFind[1] = at.place(new QRadioButton(Texts::tr("ID"), s.fraFind), "optFind(1)", 135, 240, 735, 255);
    s.txtVendorID = at.place(new QLineEdit(s.fraFind), "txtVendorID", 915, 255, 1095, 285);
    s.optFind[0] = at.place(new QRadioButton(Texts::tr("Name"), s.fraFind), "optFind(0)", 135, 600, 765, 255);
    s.txtVendorName = at.place(new QLineEdit(s.fraFind), "txtVendorName", 915, 615, 3330, 285);
    s.cmdFind = at.place(commandButton(s.fraFind, Texts::tr("Find")), "cmdFind", 2865, 1200, 975, 375);
    s.lblVersionNumber =
        at.place(label(s.fraFind, Texts::tr("Version Number:")), "lblVersionNumber", 150, 1770, 2175, 255);
    for (QRadioButton *option : {s.optList[0], s.optList[1], s.optFind[0], s.optFind[1]})
        option->setAccessibleName(option->text());
    // Each option array is one exclusive group of its own; Qt would otherwise
    // group optList with optFind, since Frame1 sits inside fraFind.
    for (QRadioButton *const *array : {s.optList, s.optFind}) {
        auto *group = new QButtonGroup(control);
        for (int index = 0; index < 2; ++index)
            group->addButton(array[index], index);
    }
    s.txtVendorID->setAccessibleName(Texts::tr("Find by ID"));
    s.txtVendorName->setAccessibleName(Texts::tr("Find by Name"));

    s.frmEntry = at.place(frame(s.fraMain, QString(), Texts::tr("Handling fee")), "frmEntry", 4785, 3765, 3855, 1080);
    s.lblDuty = at.place(label(s.frmEntry, Texts::tr("Duty / Brokerage Fee")), "lblDuty", 120, 240, 1575, 255);
    s.chkDuty = at.place(new QCheckBox(s.frmEntry), "chkDuty", 1980, 240, 390, 270);
    s.chkDuty->setAccessibleName(Texts::tr("Duty / Brokerage Fee"));
    s.Label1 = at.place(label(s.frmEntry, Texts::tr("Center / Handling Fee (%)")), "Label1", 120, 600, 1875, 240);
    s.txtCntHandFee = at.place(new QLineEdit(s.frmEntry), "txtCntHandFee", 1980, 600, 525, 285);
    s.txtCntHandFee->setAccessibleName(Texts::tr("Center / Handling Fee (%)"));
    s.Label1->setBuddy(s.txtCntHandFee);
    s.lblDuty->setBuddy(s.chkDuty);
    s.cmdcenterHandFee =
        at.place(commandButton(s.frmEntry, QCoreApplication::translate("vendorcenter::FeePanel", "Update")),
            "cmdcenterHandFee", 2625, 600, 1080, 315);

    s.prbLoad = at.place(new LoadProgressBar(s.fraMain), "prbLoad", 4785, 4920, 3870, 255);
    s.prbLoad->setRange(0, 4000);
    s.prbLoad->setValue(0);
    s.prbLoad->setTextVisible(false);
    s.prbLoad->setFocusPolicy(Qt::NoFocus);
    s.prbLoad->setAccessibleName(Texts::tr("Load progress"));

    s.mnuRemove = new QMenu(Texts::tr("Remove"), control);
    s.mnuRemove->setObjectName(QStringLiteral("mnuRemove"));
    s.mnuRemoveItems = s.mnuRemove->addAction(Texts::tr("Remove"));
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
