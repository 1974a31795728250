#include "ControlDriver.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QMessageBox>

ControlDriver::ControlDriver()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    vendorcenter::setEventLogSink([this](const QString &entry) { log << entry; });
    QObject::connect(&boxWatch_, &QTimer::timeout, [this] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (!box || !box->isVisible() || box->property("vc_answered").toBool())
                continue;
            box->setProperty("vc_answered", true);
            boxes << QStringLiteral("%1|%2|%3").arg(box->icon()).arg(box->windowTitle(), box->text());
            for (QAbstractButton *button : box->buttons()) {
                if (button->text().remove(QLatin1Char('&')) == conflictAnswer) {
                    button->click();
                    return;
                }
            }
            box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->accept();
        }
    });
    boxWatch_.start(5);
    // Every change of the two lists keeps to the item-model contract the views rely on.
    for (QAbstractItemView *list : {centers(), chosen()})
        new QAbstractItemModelTester(
            list->model(), QAbstractItemModelTester::FailureReportingMode::QtTest, list->model());
}

QString ControlDriver::moveButtons() const
{
    QString states;
    for (const char *name : {"cmdAdd", "cmdAddAll", "cmdDelete", "cmdRemoveAll", "cmdcenterHandFee"})
        states += enabled(name) ? '1' : '0';
    return states;
}

QString ControlDriver::feePanel() const
{
    return QStringLiteral("%1|%2|%3|%4|%5")
        .arg(text("cmdcenterHandFee"), text("txtCntHandFee"))
        .arg(int(checked("chkDuty")))
        .arg(int(writable("txtCntHandFee")))
        .arg(int(enabled("cmdcenterHandFee")));
}

QStringList ControlDriver::ids(const QAbstractItemView *list, bool highlightedOnly)
{
    QStringList ids;
    for (int row = 0; row < list->model()->rowCount(); ++row) {
        if (!highlightedOnly || list->selectionModel()->isRowSelected(row))
            ids << list->model()->index(row, Id).data().toString();
    }
    return ids;
}

QStringList ControlDriver::rows(const QAbstractItemView *list)
{
    QStringList rows;
    for (const QString &id : ids(list)) {
        rows << id;
        for (int column = Name; column <= SortKey; ++column)
            rows.last() += '|' + cell(list, id, column);
    }
    return rows;
}

// The middle of a row, or below the rows for an empty id.
static QPoint rowPoint(QAbstractItemView *list, const QString &id)
{
    if (id.isEmpty())
        return QPoint(10, list->viewport()->height() - 4);
    list->scrollTo(ControlDriver::indexOf(list, id));
    return list->visualRect(ControlDriver::indexOf(list, id)).center();
}

void ControlDriver::clickRow(
    QAbstractItemView *list, const QString &id, Qt::KeyboardModifiers modifiers, Qt::MouseButton button)
{
    QTest::mouseClick(list->viewport(), button, modifiers, rowPoint(list, id));
}

// What a mouse sends for a double click: press, release, double click, release.
void ControlDriver::doubleClickRow(QAbstractItemView *list, const QString &id, Qt::KeyboardModifiers modifiers)
{
    const QPoint at = rowPoint(list, id);
    QTest::mousePress(list->viewport(), Qt::LeftButton, modifiers, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, modifiers, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, modifiers, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, modifiers, at);
}

void ControlDriver::clickHeader(QAbstractItemView *list, int section)
{
    auto *header = list->findChild<QHeaderView *>();
    const int x = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

void ControlDriver::erase(const QString &name)
{
    click(name);
    QTest::keyClick(box(name), Qt::Key_End);
    for (qsizetype n = box(name)->text().size(); n > 0; --n)
        QTest::keyClick(box(name), Qt::Key_Backspace);
}

void ControlDriver::saveFee(const QString &typed)
{
    click("cmdcenterHandFee");
    QTest::keyClicks(box("txtCntHandFee"), typed);
    if (typed.isEmpty())
        QTest::keyClick(box("txtCntHandFee"), Qt::Key_Delete);
    click("cmdcenterHandFee");
}
