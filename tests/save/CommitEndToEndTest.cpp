// A user's whole session against the real server page: load, move centers
// both ways, change a fee, commit; the database then holds exactly the
// cross-references the user left, and the reloaded lists carry no marks.

#include "EditingDriver.h"
#include "MessageBoxWatcher.h"

#include "widget/CenterListView.h"
#include "widget/VendorCenterPrivate.h"

#include <vendorcenter/EventLog.h>

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <map>

using namespace vendorcenter;
using namespace editing_test;

namespace {

struct CrossReference
{
    double fee;
    int duty;
    bool operator==(const CrossReference &other) const { return fee == other.fee && duty == other.duty; }
};

std::map<int, CrossReference> crossReferences(const QString &databasePath, int vendorId)
{
    std::map<int, CrossReference> result;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(databasePath.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *query = nullptr;
        sqlite3_prepare_v2(db,
                           "SELECT CenterID, CenterHandlingFee, DutyBrokerageFee FROM VendorCenterCrossReference "
                           "WHERE VendorID = ?",
                           -1, &query, nullptr);
        sqlite3_bind_int(query, 1, vendorId);
        while (sqlite3_step(query) == SQLITE_ROW)
            result[sqlite3_column_int(query, 0)] = {sqlite3_column_double(query, 1), sqlite3_column_int(query, 2)};
        sqlite3_finalize(query);
    }
    sqlite3_close(db);
    return result;
}

} // namespace

class CommitEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY(directory_.isValid());
        database_ = directory_.filePath("vendorcenter.sqlite");
        server_.setProgram(QStringLiteral(VENDORCENTER_SERVER_BINARY));
        server_.setArguments({"--listen", "127.0.0.1:0", "--database", database_});
        server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server_.start();
        QVERIFY(server_.waitForStarted(10'000));
        QVERIFY(server_.waitForReadyRead(20'000));
        const QString line = QString::fromUtf8(server_.readLine()).trimmed();
        const QRegularExpressionMatch match = QRegularExpression("^listening on (http://\\S+)$").match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        baseUrl_ = match.captured(1);
    }

    void cleanupTestCase()
    {
        server_.terminate();
        server_.waitForFinished(10'000);
    }

    void movesAndAFeeChangeReachTheDatabase()
    {
        const std::map<int, CrossReference> before = crossReferences(database_, 12);
        QVERIFY(before.count(3) && before.count(9) && !before.count(7));

        QStringList log;
        setEventLogSink([&log](const QString &entry) { log << entry; });
        Vendor_Center control;
        control.LetDataFromDatabase(12, baseUrl_);
        control.show();
        QVERIFY(QTest::qWaitForWindowExposed(&control));
        ControlSurface &ui = surfaceOf(control);

        // Center 7 in, center 3 out, center 9's fee to 7.5 %.
        clickRow(ui.lstCenters, "7");
        click(ui.cmdAdd);
        clickRow(ui.lstSelectedCenters, "3");
        click(ui.cmdDelete);
        clickRow(ui.lstSelectedCenters, "9");
        click(ui.cmdcenterHandFee);
        QTest::keyClicks(ui.txtCntHandFee, "7.5");
        click(ui.cmdcenterHandFee);
        QCOMPARE(cell(ui.lstSelectedCenters, "7", ColDuty), QStringLiteral("1N"));
        QCOMPARE(cell(ui.lstCenters, "3", ColDuty), QStringLiteral("1D"));
        QCOMPARE(cell(ui.lstSelectedCenters, "9", ColDuty), QStringLiteral("1U"));

        MessageBoxWatcher boxes;
        click(ui.cmdCommit);
        setEventLogSink({});
        QVERIFY2(log.isEmpty(), qPrintable(log.join('\n')));
        QCOMPARE(boxes.seen().size(), 1);
        QCOMPARE(boxes.seen().first().title, QStringLiteral("Vendor Center Cross Reference"));
        QVERIFY2(boxes.seen().first().text.contains("vendor 12"), qPrintable(boxes.seen().first().text));

        std::map<int, CrossReference> expected = before;
        expected.erase(3);
        expected[7] = {0.08, 1};
        expected[9] = {0.075, before.at(9).duty};
        QVERIFY(crossReferences(database_, 12) == expected);

        // The reload shows the saved state, without marks.
        QVERIFY(positionOf(ui.lstSelectedCenters, "7") >= 0);
        QVERIFY(positionOf(ui.lstCenters, "3") >= 0);
        QCOMPARE(cell(ui.lstSelectedCenters, "9", ColHandlingFee), QStringLiteral("7.5"));
        for (CenterListView *list : {ui.lstCenters, ui.lstSelectedCenters}) {
            for (int position = 0; position < list->count(); ++position) {
                const QString duty = list->row(position).duty();
                QVERIFY2(duty == "0" || duty == "1", qPrintable(duty));
            }
        }
        QVERIFY(!ui.cmdCommit->isEnabled());
    }

private:
    QTemporaryDir directory_;
    QString database_;
    QProcess server_;
    QString baseUrl_;
};

QTEST_MAIN(CommitEndToEndTest)
#include "CommitEndToEndTest.moc"
