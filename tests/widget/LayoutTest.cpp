// The control's captions in English and French, each readable whole, and
// the room a bigger control gives its lists.

#include <vendorcenter/Vendor_Center.h>

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
    void everyCaptionFitsItsWidget_data();
    void everyCaptionFitsItsWidget();
    void frenchCaptionsWithTheTranslation();
    void extraRoomGoesToTheLists();
};

void LayoutTest::everyCaptionFitsItsWidget_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << QString();
    QTest::newRow("French") << QStringLiteral("fr");
}

void LayoutTest::everyCaptionFitsItsWidget()
{
    QFETCH(QString, language);
    QTranslator translator;
    if (!language.isEmpty()) {
        QVERIFY(translator.load(
            QLocale(language), QStringLiteral("vendorcenter"), QStringLiteral("_"), QStringLiteral(":/i18n")));
        QCoreApplication::installTranslator(&translator);
    }
    Vendor_Center control;
    int captions = 0;
    for (const QWidget *widget : control.findChildren<QWidget *>()) {
        const Caption caption = captionOf(widget);
        if (caption.text.isEmpty())
            continue;
        ++captions;
        QVERIFY2(
            caption.needed <= caption.given, qPrintable(widget->objectName() + QLatin1String(": ") + caption.text));
    }
    QCOMPARE(captions, 18);
    QCoreApplication::removeTranslator(&translator);
}

void LayoutTest::frenchCaptionsWithTheTranslation()
{
    QTranslator french;
    QVERIFY(french.load(QStringLiteral(":/i18n/vendorcenter_fr.qm")));
    QCoreApplication::installTranslator(&french);
    const Vendor_Center inFrench;
    QCoreApplication::removeTranslator(&french);
    const Vendor_Center inEnglish;
    const struct
    {
        const char *name;
        const char *english;
        const char *french;
    } captions[] = {{"cmdCommit", "Commit to Database", "Valider dans la base"},
        {"lblSelVendors", "Selected Centers:", "Centres retenus :"}, {"optFind(0)", "Name", "Nom"}};
    for (const auto &caption : captions) {
        QCOMPARE(captionOf(inEnglish.findChild<QWidget *>(caption.name)).text, caption.english);
        QCOMPARE(captionOf(inFrench.findChild<QWidget *>(caption.name)).text, QString::fromUtf8(caption.french));
    }
}

void LayoutTest::extraRoomGoesToTheLists()
{
    Vendor_Center control;
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
    const auto designedOf = [&](const char *name) { return atDesign.value(control.findChild<QWidget *>(name)); };
    const auto geometry = [&control](const char *name) { return control.findChild<QWidget *>(name)->geometry(); };
    const auto nameWidth = [&control](
                               const char *name) { return control.findChild<QTreeView *>(name)->columnWidth(1); };
    const int designedNameWidth = nameWidth("lstCenters");

    control.resize(designed + QSize(201, 100));
    QCOMPARE(geometry("lstCenters"), designedOf("lstCenters").adjusted(0, 0, 100, 100));
    QCOMPARE(geometry("lstSelectedCenters"), designedOf("lstSelectedCenters").adjusted(100, 0, 201, 100));
    QCOMPARE(nameWidth("lstCenters"), designedNameWidth + 100);
    QCOMPARE(geometry("cmdAdd"), designedOf("cmdAdd").translated(100, 50));
    QCOMPARE(geometry("fraFind"), designedOf("fraFind").translated(0, 100));
    QCOMPARE(geometry("frmEntry"), designedOf("frmEntry").translated(100, 100));
    QCOMPARE(geometry("cmdCommit"), designedOf("cmdCommit").translated(201, 100));

    control.resize(designed - QSize(40, 30));
    for (auto placed = atDesign.cbegin(); placed != atDesign.cend(); ++placed)
        QCOMPARE(placed.key()->geometry(), placed.value());
}

QTEST_MAIN(LayoutTest)
#include "LayoutTest.moc"
