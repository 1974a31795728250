// What a screen reader is told when the control changes at a glance: the
// control frame's accessible description (whose change events the
// accessibility tree test hears over AT-SPI), and the same text for a
// host's status line.

#include "ControlDriver.h"

#include <QAccessible>

class AnnouncementTest : public DriverTest
{
    Q_OBJECT

private slots:
    void everyChangeAtAGlanceIsHeard()
    {
        QObject *announcer = d->control.findChild<QObject *>(QStringLiteral("announcer"));
        QVERIFY(announcer);
        QVERIFY(connect(announcer, SIGNAL(announced(QString)), this, SLOT(noteStatus(QString))));
        QVERIFY(d->load(
            {{"7", "Seven", "2", ""}, {"8", "Eight", "1", ""}, {"9", "Nine", "1", ""}}, {{"5", "Five", "0.075", "1"}}));
        QStringList heard;
        const auto hears = [&](const QString &text) {
            heard << text;
            QCOMPARE(statusLine_, heard);
            // The last news stays the frame's description, for a screen reader that asks again.
            QCOMPARE(frameDescription(), text);
        };
        hears("Centers loaded: 1 selected, 3 not selected");
        d->clickRow(d->centers(), "7");
        d->click("cmdAdd");
        hears("Centers moved to Selected Centers: 1");
        d->clickRow(d->chosen(), "5");
        d->click("cmdDelete");
        hears("Centers moved to Non Selected Active Centers: 1");
        d->clickRow(d->centers(), "9");
        d->clickRow(d->centers(), "5", Qt::ControlModifier);
        d->click("cmdAddAll");
        hears("Centers moved to Selected Centers: 2");
        d->page.setPostReply({500, "no", "text/plain"});
        d->click("cmdCommit");
        QTRY_VERIFY(!d->boxes.isEmpty());
        hears("The changes were not saved");
    }

public slots:
    void noteStatus(const QString &text) { statusLine_.append(text); }

private:
    QString frameDescription() const
    {
        return QAccessible::queryAccessibleInterface(d->widget(QStringLiteral("fraMain")))
            ->text(QAccessible::Description);
    }

    QStringList statusLine_;
};

QTEST_MAIN(AnnouncementTest)
#include "AnnouncementTest.moc"
