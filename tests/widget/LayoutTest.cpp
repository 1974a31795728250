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
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

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
    void extraRoomGoesToTheLists_data()
    {
        QTest::addColumn<QSize>("change"); // of the control's size, from the design size
        QTest::newRow("201 x 100 more") << QSize(201, 100);
        QTest::newRow("odd: 33 x 57 more") << QSize(33, 57);
        QTest::newRow("narrower, taller") << QSize(-40, 30);
        QTest::newRow("smaller") << QSize(-40, -30);
    }

    void extraRoomGoesToTheLists()
    {
        QFETCH(QSize, change);
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
        QCOMPARE(atDesign.size(), 28);
        const auto *left = d.widget<QTreeView>("lstCenters");
        const auto *right = d.widget<QTreeView>("lstSelectedCenters");
        const int designedNameWidths[] = {left->columnWidth(1), right->columnWidth(1)};

        control.resize(designed + change);
        QCOMPARE(control.layout()->geometry(), control.rect());
        const int w = std::max(0, change.width());
        const int h = std::max(0, change.height());
        const int half = w / 2;
        // Where each widget that moves or grows stands; every other one stays.
        const QHash<QString, QMargins> moved {
            {"fraMain", {0, 0, w, h}},
            {"lstCenters", {0, 0, half, h}},
            {"lstSelectedCenters", {half, 0, w, h}},
            {"lblSelVendors", {half, 0, half, 0}},
            {"cmdAdd", {half, h / 2, half, h / 2}},
            {"cmdAddAll", {half, h / 2, half, h / 2}},
            {"cmdRemoveAll", {half, h / 2, half, h / 2}},
            {"cmdDelete", {half, h / 2, half, h / 2}},
            {"fraFind", {0, h, 0, h}},
            {"frmEntry", {half, h, half, h}},
            {"prbLoad", {half, h, half, h}},
            {"cmdCommit", {w, h, w, h}},
        };
        for (auto placed = atDesign.cbegin(); placed != atDesign.cend(); ++placed) {
            const QMargins by = moved.value(placed.key()->objectName());
            QCOMPARE(placed.key()->geometry(), placed.value().adjusted(by.left(), by.top(), by.right(), by.bottom()));
        }
        // The name columns take what their lists gain.
        QCOMPARE(left->columnWidth(1), designedNameWidths[0] + half);
        QCOMPARE(right->columnWidth(1), designedNameWidths[1] + w - half);
    }

    void aHostGetsTheDesignAndTheSmallestSizeThatShowsEveryCaption_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("captions"); // of cmdCommit, lblSelVendors and optFind(0)
        QTest::newRow("English") << QString() << QStringList {"Commit to Database", "Selected Centers:", "Name"};
        QTest::newRow("French") << QStringLiteral("fr")
                                << QStringList {"Valider dans la base", "Centres retenus :", "Nom"};
    }

    void aHostGetsTheDesignAndTheSmallestSizeThatShowsEveryCaption()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, captions);
        QTranslator translator;
        if (!language.isEmpty()) {
            QVERIFY(translator.load(
                QLocale(language), QStringLiteral("vendorcenter"), QStringLiteral("_"), QStringLiteral(":/i18n")));
            QCoreApplication::installTranslator(&translator);
        }
        ControlDriver d; // the translator stays until it goes: a load writes captions too
        for (const char *name : {"cmdCommit", "lblSelVendors", "optFind(0)"})
            QCOMPARE(captionOf(d.control.findChild<QWidget *>(name)).text, captions.takeFirst());
        QVERIFY(d.load({{"7", "Seven", "2", ""}}, {{"5", "Five", "0.075", "1"}}));
        const QSize smallest = d.control.minimumSizeHint();
        QCOMPARE(d.control.layout()->sizeHint(), d.control.sizeHint());
        QVERIFY2(smallest.width() < d.control.sizeHint().width() && smallest.height() < d.control.sizeHint().height(),
            qPrintable(QStringLiteral("%1 x %2").arg(smallest.width()).arg(smallest.height())));
        // Every caption is readable whole in its widget, every such widget lies whole
        // inside the smallest size, and one touches each edge.
        QRect captioned;
        int count = 0;
        for (const QWidget *widget : d.control.findChildren<QWidget *>()) {
            const Caption caption = captionOf(widget);
            if (caption.text.isEmpty())
                continue;
            ++count;
            QVERIFY2(
                caption.needed <= caption.given, qPrintable(widget->objectName() + QLatin1String(": ") + caption.text));
            captioned |= QRect(widget->mapTo(&d.control, QPoint(0, 0)), widget->size());
        }
        QCOMPARE(count, 18);
        QCOMPARE(captioned.bottomRight(), QPoint(smallest.width() - 1, smallest.height() - 1));
        // A host's layout gives the control no less, and the design size when it can.
        QWidget host;
        auto *column = new QVBoxLayout(&host);
        column->setContentsMargins(0, 0, 0, 0);
        d.control.setParent(&host);
        column->addWidget(&d.control);
        host.resize(100, 100);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QCOMPARE(host.minimumSizeHint(), smallest);
        QCOMPARE(host.sizeHint(), d.control.sizeHint());
        d.control.setParent(nullptr);
        // Past its last item the layout hands out nothing, and keeps what it has.
        QLayout *placed = d.control.layout();
        const int items = placed->count();
        QVERIFY(!placed->itemAt(items) && !placed->takeAt(items) && !placed->takeAt(-1));
        QCOMPARE(placed->count(), items);
        // A widget a host adds is counted; the control as a window takes any size its host gives it.
        auto *added = new QLabel(QStringLiteral("host's"), &d.control);
        placed->addWidget(added);
        QCOMPARE(placed->itemAt(items)->widget(), added);
        std::unique_ptr<QLayoutItem> taken(placed->takeAt(items));
        QCOMPARE(placed->count(), items);
        d.control.show();
        d.control.resize(20, 10);
        QVERIFY(QTest::qWaitForWindowExposed(&d.control));
        QCOMPARE(d.control.size(), QSize(20, 10));
    }
};

QTEST_MAIN(LayoutTest)
#include "LayoutTest.moc"
