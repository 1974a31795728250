#include <vendorcenter/Vendor_Center.h>

#include <QPluginLoader>
#include <QTest>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

// Loads the built Designer plugin the way Qt Designer does.
class DesignerPluginTest : public QObject
{
    Q_OBJECT

private slots:
    void designerCreatesTheControlThroughThePlugin()
    {
        QPluginLoader loader(QStringLiteral(VENDORCENTER_DESIGNER_PLUGIN));
        auto *plugin = qobject_cast<QDesignerCustomWidgetInterface *>(loader.instance());
        QVERIFY2(plugin, qPrintable(loader.errorString()));
        QCOMPARE(plugin->name(), QStringLiteral("vendorcenter::Vendor_Center"));
        QVERIFY(!plugin->icon().isNull() && !plugin->toolTip().isEmpty() && !plugin->isContainer());
        QVERIFY(plugin->domXml().contains(QStringLiteral("<width>583</width>")));

        QWidget form;
        auto *control = qobject_cast<vendorcenter::Vendor_Center *>(plugin->createWidget(&form));
        QVERIFY(control && control->parentWidget() == &form);
        QVERIFY(control->findChild<QWidget *>(QStringLiteral("lstSelectedCenters")));
    }
};

QTEST_MAIN(DesignerPluginTest)
#include "DesignerPluginTest.moc"
