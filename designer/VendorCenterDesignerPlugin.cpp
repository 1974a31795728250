#include "VendorCenterDesignerPlugin.h"

#include <vendorcenter/Vendor_Center.h>

#include <QIcon>

VendorCenterDesignerPlugin::VendorCenterDesignerPlugin(QObject *parent) : QObject(parent) { }

QString VendorCenterDesignerPlugin::name() const
{
    return QStringLiteral("vendorcenter::Vendor_Center");
}

QString VendorCenterDesignerPlugin::group() const
{
    return QStringLiteral("VendorCenter");
}

QString VendorCenterDesignerPlugin::toolTip() const
{
    return QStringLiteral("Vendor / distribution center cross-reference editor");
}

QString VendorCenterDesignerPlugin::whatsThis() const
{
    return QStringLiteral("Edits which distribution centers serve a vendor, with their handling fees. "
                          "Call LetDataFromDatabase(vendorId, serverBase) to load it.");
}

QString VendorCenterDesignerPlugin::includeFile() const
{
    return QStringLiteral("vendorcenter/Vendor_Center.h");
}

QIcon VendorCenterDesignerPlugin::icon() const
{
    return QIcon(QStringLiteral(":/vendorcenter/designer/icon.svg"));
}

bool VendorCenterDesignerPlugin::isContainer() const
{
    return false;
}

QWidget *VendorCenterDesignerPlugin::createWidget(QWidget *parent)
{
    return new vendorcenter::Vendor_Center(parent);
}

bool VendorCenterDesignerPlugin::isInitialized() const
{
    return initialized_;
}

void VendorCenterDesignerPlugin::initialize(QDesignerFormEditorInterface *)
{
    initialized_ = true;
}

QString VendorCenterDesignerPlugin::domXml() const
{
    // The design area of 8745 x 5220 twips, at 96 DPI.
    return QStringLiteral(R"(<ui language="c++">
  <widget class="vendorcenter::Vendor_Center" name="vendorCenter">
    <property name="geometry"><rect><x>0</x><y>0</y><width>583</width><height>348</height></rect></property>
    <property name="toolTip"><string>Vendor / distribution center cross-reference editor</string></property>
  </widget>
</ui>)");
}
