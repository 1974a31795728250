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
        QObject *instance = loader.instance();
        QVERIFY2(instance, qPrintable(loader.errorString()));
        auto *plugin = qobject_cast<QDesignerCustomWidgetInterface *>(instance);
        QVERIFY(plugin);
        QCOMPARE(plugin->name(), QStringLiteral("vendorcenter::Vendor_Center"));
        QVERIFY(!plugin->icon().isNull());
        QVERIFY(!plugin->toolTip().isEmpty());
        QVERIFY(plugin->domXml().contains(QStringLiteral("<width>583</width>")));
        QVERIFY(!plugin->isContainer());

        QWidget form;
        QWidget *created = plugin->createWidget(&form);
        auto *control = qobject_cast<vendorcenter::Vendor_Center *>(created);
        QVERIFY(control);
        QCOMPARE(control->parentWidget(), &form);
        QVERIFY(control->findChild<QWidget *>(QStringLiteral("lstSelectedCenters")));
    }
};

QTEST_MAIN(DesignerPluginTest)
#include "DesignerPluginTest.moc"
