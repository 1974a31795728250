// The control's captions in English and French, each readable whole, and
// the room a bigger control gives its lists.

#include "ControlDriver.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTranslator>
#include <QTreeView>

using vendorcenter::Vendor_Center;

namespace {

// The caption's text as drawn, and the room its widget leaves it.
struct Caption
{
    QString text;
    int needed = 0;
    int given = 0;
};

Caption captionOf(const QWidget *widget)
{
    const QStyle *style = widget->style();
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return {label->text(), label->sizeHint().width(), label->width()};
    if (const auto *button = qobject_cast<const QPushButton *>(widget))
        return {button->text(), button->fontMetrics().horizontalAdvance(button->text()),
            button->width() - 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, widget)};
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
        return {button->text(), button->sizeHint().width(), button->width()};
    if (const auto *frame = qobject_cast<const QGroupBox *>(widget))
        return {frame->title(), frame->fontMetrics().horizontalAdvance(frame->title()), frame->width()};
    return {};
}

} // namespace

class LayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void everyCaptionFitsItsWidget_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("captions"); // of cmdCommit, lblSelVendors and optFind(0)
        QTest::newRow("English") << QString() << QStringList {"Commit to Database", "Selected Centers:", "Name"};
        QTest::newRow("French") << QStringLiteral("fr")
                                << QStringList {"Valider dans la base", "Centres retenus :", "Nom"};
    }

    void everyCaptionFitsItsWidget()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, captions);
        QTranslator translator;
        if (!language.isEmpty()) {
            QVERIFY(translator.load(
                QLocale(language), QStringLiteral("vendorcenter"), QStringLiteral("_"), QStringLiteral(":/i18n")));
            QCoreApplication::installTranslator(&translator);
        }
        Vendor_Center control;
        QCoreApplication::removeTranslator(&translator);
        int count = 0;
        for (const QWidget *widget : control.findChildren<QWidget *>()) {
            const Caption caption = captionOf(widget);
            if (caption.text.isEmpty())
                continue;
            ++count;
            QVERIFY2(
                caption.needed <= caption.given, qPrintable(widget->objectName() + QLatin1String(": ") + caption.text));
        }
        QCOMPARE(count, 18);
        for (const char *name : {"cmdCommit", "lblSelVendors", "optFind(0)"})
            QCOMPARE(captionOf(control.findChild<QWidget *>(name)).text, captions.takeFirst());
    }

    void extraRoomGoesToTheLists()
    {
        ControlDriver d;
        Vendor_Center &control = d.control;
        const QSize designed = control.sizeHint();
        control.resize(designed);
        control.show();
        QVERIFY(QTest::qWaitForWindowExposed(&control));
        // The control's own widgets: those with a name of the layout.
        QHash<const QWidget *, QRect> atDesign;
        for (const QWidget *widget : control.findChildren<QWidget *>()) {
            if (!widget->objectName().isEmpty() && !widget->objectName().startsWith(QLatin1String("qt_")))
                atDesign.insert(widget, widget->geometry());
        }
        const auto designedOf = [&d, &atDesign](const char *name) { return atDesign.value(d.widget(name)); };
        const auto geometry = [&d](const char *name) { return d.widget(name)->geometry(); };
        const int designedNameWidth = d.widget<QTreeView>("lstCenters")->columnWidth(1);

        control.resize(designed + QSize(201, 100));
        QCOMPARE(geometry("lstCenters"), designedOf("lstCenters").adjusted(0, 0, 100, 100));
        QCOMPARE(geometry("lstSelectedCenters"), designedOf("lstSelectedCenters").adjusted(100, 0, 201, 100));
        QCOMPARE(d.widget<QTreeView>("lstCenters")->columnWidth(1), designedNameWidth + 100);
        QCOMPARE(geometry("cmdAdd"), designedOf("cmdAdd").translated(100, 50));
        QCOMPARE(geometry("fraFind"), designedOf("fraFind").translated(0, 100));
        QCOMPARE(geometry("frmEntry"), designedOf("frmEntry").translated(100, 100));
        QCOMPARE(geometry("cmdCommit"), designedOf("cmdCommit").translated(201, 100));

        control.resize(designed - QSize(40, 30));
        for (auto placed = atDesign.cbegin(); placed != atDesign.cend(); ++placed)
            QCOMPARE(placed.key()->geometry(), placed.value());
    }
};

QTEST_MAIN(LayoutTest)
#include "LayoutTest.moc"
