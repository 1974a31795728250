#include "ControlDriver.h"

#include <vendorcenter/EventLog.h>

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>

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
            boxes.append({box->text(), box->windowTitle(), box->icon()});
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

QStringList ControlDriver::boxTexts() const
{
    QStringList texts;
    for (const Box &box : boxes)
        texts << box.text;
    return texts;
}

ControlDriver::~ControlDriver()
{
    vendorcenter::setEventLogSink({});
}

bool ControlDriver::load(const std::vector<Active> &active, const std::vector<Selected> &selected, int dutyDefault)
{
    page.serveVendor(kVendor, dutyDefault, active, selected);
    control.LetDataFromDatabase(kVendor, page.baseUrl());
    return log.isEmpty() && show();
}

bool ControlDriver::show()
{
    control.show();
    control.activateWindow();
    return QTest::qWaitForWindowActive(&control);
}

QString ControlDriver::text(const QString &name) const
{
    QWidget *w = widget(name);
    return w->property(qobject_cast<QGroupBox *>(w) ? "title" : "text").toString();
}

bool ControlDriver::writable(const QString &name) const
{
    const QPalette &palette = box(name)->palette();
    return !box(name)->isReadOnly() && palette.color(QPalette::Base) != palette.color(QPalette::Button);
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

QStringList ControlDriver::ids(const QAbstractItemView *list)
{
    QStringList ids;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        ids << list->model()->index(row, Id).data().toString();
    return ids;
}

QString ControlDriver::cell(const QAbstractItemView *list, const QString &id, int column)
{
    const qsizetype row = ids(list).indexOf(id);
    return row < 0 ? QStringLiteral("<missing>") : list->model()->index(int(row), column).data().toString();
}

QStringList ControlDriver::highlighted(const QAbstractItemView *list)
{
    QStringList result;
    const QStringList all = ids(list);
    for (int row = 0; row < all.size(); ++row) {
        if (list->selectionModel()->isRowSelected(row))
            result << all[row];
    }
    return result;
}

QString ControlDriver::current(const QAbstractItemView *list)
{
    const QModelIndex index = list->currentIndex();
    return index.isValid() ? ids(list).at(index.row()) : QString();
}

QModelIndex ControlDriver::indexOf(const QAbstractItemView *list, const QString &id)
{
    return list->model()->index(int(ids(list).indexOf(id)), 0);
}

static QPoint rowPoint(QAbstractItemView *list, const QString &id)
{
    list->scrollTo(ControlDriver::indexOf(list, id));
    return list->visualRect(ControlDriver::indexOf(list, id)).center();
}

void ControlDriver::clickRow(
    QAbstractItemView *list, const QString &id, Qt::KeyboardModifiers modifiers, Qt::MouseButton button)
{
    QTest::mouseClick(list->viewport(), button, modifiers, rowPoint(list, id));
}

void ControlDriver::clickBelowRows(QAbstractItemView *list, Qt::MouseButton button)
{
    QTest::mouseClick(list->viewport(), button, {}, QPoint(10, list->viewport()->height() - 4));
}

// What a mouse sends for a double click: press, release, double click, release.
void ControlDriver::doubleClickRow(QAbstractItemView *list, const QString &id, Qt::KeyboardModifiers modifiers)
{
    const QPoint at = id.isEmpty() ? QPoint(10, list->viewport()->height() - 4) : rowPoint(list, id);
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

QString loadFailure(const QString &failure)
{
    return QStringLiteral("KelvoVendor_Center LetDataFromDatabase : ") + failure;
}
