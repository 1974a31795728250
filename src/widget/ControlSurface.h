#pragma once

#include <QPointer>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QRadioButton;
class QWidget;

namespace vendorcenter {

class CenterListView;
class LoadProgressBar;

// Every widget of the control, reached by its name. Built once when the
// control is created; no widget is created or destroyed later.
struct ControlSurface
{
    QGroupBox *fraMain = nullptr;
    QLabel *lblAllVendors = nullptr;
    QLabel *lblSelVendors = nullptr;
    CenterListView *lstCenters = nullptr;
    CenterListView *lstSelectedCenters = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdAddAll = nullptr;
    QPushButton *cmdRemoveAll = nullptr;
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdCommit = nullptr;

    QGroupBox *fraFind = nullptr;
    QGroupBox *Frame1 = nullptr;
    QRadioButton *optList[2] = {nullptr, nullptr};
    QRadioButton *optFind[2] = {nullptr, nullptr};
    QLineEdit *txtVendorID = nullptr;
    QLineEdit *txtVendorName = nullptr;
    QPushButton *cmdFind = nullptr;
    QLabel *lblVersionNumber = nullptr;

    QGroupBox *frmEntry = nullptr;
    QLabel *lblDuty = nullptr;
    QCheckBox *chkDuty = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *txtCntHandFee = nullptr;
    QPushButton *cmdcenterHandFee = nullptr;

    LoadProgressBar *prbLoad = nullptr;

    QMenu *mnuRemove = nullptr;
    QAction *mnuRemoveItems = nullptr;
};

// Twips (1/1440 inch) to pixels at the widget's logical DPI: 15 twips a pixel at 96 DPI.
int twipsToPixels(double twips, double logicalDpi);

// The control's design area in twips.
inline constexpr int kDesignWidthTwips = 8745;
inline constexpr int kDesignHeightTwips = 5220;

// Creates the widgets under `control` with their names, captions, places,
// tab order and starting states.
ControlSurface buildSurface(QWidget *control);

} // namespace vendorcenter
