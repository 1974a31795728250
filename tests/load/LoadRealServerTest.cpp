#include "widget/CenterListView.h"
#include "widget/VendorCenterPrivate.h"

#include <vendorcenter/EventLog.h>

#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace vendorcenter;

// The control against the real server page with its demo database.
class LoadRealServerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY(directory_.isValid());
        server_.setProgram(QStringLiteral(VENDORCENTER_SERVER_BINARY));
        server_.setArguments({"--listen", "127.0.0.1:0", "--database", directory_.filePath("demo.sqlite")});
        server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server_.start();
        QVERIFY(server_.waitForStarted(10'000));
        QVERIFY(server_.waitForReadyRead(20'000));
        const QString line = QString::fromUtf8(server_.readLine()).trimmed();
        const QRegularExpressionMatch match = QRegularExpression("^listening on (http://127\\.0\\.0\\.1:\\d+)$").match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        baseUrl_ = match.captured(1);
    }

    void cleanupTestCase()
    {
        server_.terminate();
        server_.waitForFinished(10'000);
    }

    void theDemoVendorLoadsWithCountsMatchingItsRows()
    {
        QStringList entries;
        setEventLogSink([&entries](const QString &entry) { entries << entry; });
        Vendor_Center control;
        control.LetDataFromDatabase(12, baseUrl_);
        setEventLogSink({});
        QVERIFY2(entries.isEmpty(), qPrintable(entries.join('\n')));

        ControlSurface &ui = surfaceOf(control);
        const ControlState &state = controlState(control);
        QVERIFY(ui.lstCenters->count() > 0);
        QVERIFY(ui.lstSelectedCenters->count() > 0);
        QCOMPARE(ui.lstCenters->count(), int(state.nonSelectedCount));
        QCOMPARE(ui.lstSelectedCenters->count(), int(state.selectedCount));
        QCOMPARE(ui.lblSelVendors->text(), QStringLiteral("Selected Centers (%1):").arg(state.selectedCount));
        bool sawEscapedName = false;
        for (int i = 0; i < ui.lstCenters->count(); ++i)
            sawEscapedName |= ui.lstCenters->row(i).name() == QStringLiteral("Smith & Sons <North>");
        for (int i = 0; i < ui.lstSelectedCenters->count(); ++i)
            sawEscapedName |= ui.lstSelectedCenters->row(i).name() == QStringLiteral("Smith & Sons <North>");
        QVERIFY(sawEscapedName);
    }

private:
    QTemporaryDir directory_;
    QProcess server_;
    QString baseUrl_;
};

QTEST_MAIN(LoadRealServerTest)
#include "LoadRealServerTest.moc"
