// What a screen reader is told when the control changes at a glance: the
// control frame's accessible description (whose change events the
// accessibility tree test hears over AT-SPI), and the same text for a
// host's status line.

#include "ControlDriver.h"

#include <QAccessible>
#include <QGroupBox>

namespace {

enum class Step { Load, MoveOne, MoveTwo, MoveOneBack, MoveOneTwice, FailedSave };

} // namespace

Q_DECLARE_METATYPE(Step)

class AnnouncementTest : public DriverTest
{
    Q_OBJECT

private slots:
    void everyChangeAtAGlanceIsHeard_data()
    {
        QTest::addColumn<Step>("step");
        QTest::addColumn<QStringList>("texts"); // heard after the load, in order
        QTest::newRow("load") << Step::Load << QStringList {};
        QTest::newRow("move one") << Step::MoveOne << QStringList {"Centers moved to Selected Centers: 1"};
        QTest::newRow("move two") << Step::MoveTwo << QStringList {"Centers moved to Selected Centers: 2"};
        QTest::newRow("move one back") << Step::MoveOneBack
                                       << QStringList {"Centers moved to Non Selected Active Centers: 1"};
        QTest::newRow("the same move twice")
            << Step::MoveOneTwice
            << QStringList {"Centers moved to Selected Centers: 1", "Centers moved to Selected Centers: 1"};
        QTest::newRow("failed save") << Step::FailedSave
                                     << QStringList {
                                            "Centers moved to Selected Centers: 1", "The changes were not saved"};
    }

    void everyChangeAtAGlanceIsHeard()
    {
        QFETCH(Step, step);
        QFETCH(QStringList, texts);
        QStringList statusLine;
        QObject *announcer = d->control.findChild<QObject *>(QStringLiteral("announcer"));
        QVERIFY(announcer);
        QVERIFY(connect(announcer, SIGNAL(announced(QString)), this, SLOT(noteStatus(QString))));
        statusLine_ = &statusLine;
        QVERIFY(d->load(
            {{"7", "Seven", "2", ""}, {"8", "Eight", "1", ""}, {"9", "Nine", "1", ""}}, {{"5", "Five", "0.075", "1"}}));
        const QStringList loaded {"Centers loaded: 1 selected, 3 not selected"};
        QCOMPARE(statusLine, loaded);
        switch (step) {
        case Step::Load:
            break;
        case Step::MoveOneTwice:
            d->clickRow(d->centers(), "8");
            d->click("cmdAdd");
            [[fallthrough]];
        case Step::MoveOne:
        case Step::FailedSave:
            d->clickRow(d->centers(), "7");
            d->click("cmdAdd");
            break;
        case Step::MoveTwo:
            d->clickRow(d->centers(), "7");
            d->clickRow(d->centers(), "9", Qt::ControlModifier);
            d->click("cmdAddAll");
            break;
        case Step::MoveOneBack:
            d->clickRow(d->chosen(), "5");
            d->click("cmdDelete");
            break;
        }
        if (step == Step::FailedSave) {
            d->page.setPostReply({500, "no", "text/plain"});
            d->click("cmdCommit");
            QTRY_VERIFY(!d->boxes.isEmpty());
        }
        QCOMPARE(statusLine, loaded + texts);
        // The last news stays the frame's description, for a screen reader that asks again.
        QCOMPARE(frameDescription(), statusLine.last());
        statusLine_ = nullptr;
    }

public slots:
    void noteStatus(const QString &text) { statusLine_->append(text); }

private:
    QString frameDescription() const
    {
        return QAccessible::queryAccessibleInterface(d->widget(QStringLiteral("fraMain")))
            ->text(QAccessible::Description);
    }

    QStringList *statusLine_ = nullptr;
};

QTEST_MAIN(AnnouncementTest)
#include "AnnouncementTest.moc"
