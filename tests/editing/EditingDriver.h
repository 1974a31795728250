#pragma once

// Drives a loaded control the way a user does: clicks on list rows and on the
// empty area below them, header clicks, double clicks and the fee box.

#include "FakeServerPage.h"

#include "widget/CenterListView.h"
#include "widget/ControlSurface.h"
#include "widget/TextBoxLook.h"
#include "widget/VendorCenterPrivate.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <vendorcenter/Vendor_Center.h>

#include <vector>

namespace editing_test {

using vendorcenter::CenterListView;
using vendorcenter::ControlSurface;
using vendorcenter::Vendor_Center;

constexpr qint32 kVendor = 12;

// Loads the control from a fake server page with the given rows, shows it and
// makes its window active so that focus changes can be seen.
inline bool loadAndShow(Vendor_Center &control, FakeServerPage &server,
                        const std::vector<FakeServerPage::ActiveCenter> &active,
                        const std::vector<FakeServerPage::SelectedCenter> &selected, int dutyDefault = 0)
{
    server.serveVendor(kVendor, dutyDefault, active, selected);
    control.LetDataFromDatabase(kVendor, server.baseUrl());
    if (!control.isVisible()) {
        control.show();
        if (!QTest::qWaitForWindowExposed(&control))
            return false;
    }
    control.activateWindow();
    return QTest::qWaitForWindowActive(&control);
}

inline QPoint rowPoint(CenterListView *list, int position)
{
    return list->visualRect(list->model()->index(position, 0)).center();
}

inline int positionOf(CenterListView *list, const QString &id)
{
    for (int position = 0; position < list->count(); ++position) {
        if (list->text(position) == id)
            return position;
    }
    return -1;
}

inline void clickRow(CenterListView *list, const QString &id, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, rowPoint(list, positionOf(list, id)));
}

// What a mouse sends for a double click: press, release, double click, release.
inline void doubleClickAt(CenterListView *list, QPoint at, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mousePress(list->viewport(), Qt::LeftButton, modifiers, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, modifiers, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, modifiers, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, modifiers, at);
}

inline void doubleClickRow(CenterListView *list, const QString &id, Qt::KeyboardModifiers modifiers = {})
{
    doubleClickAt(list, rowPoint(list, positionOf(list, id)), modifiers);
}

inline void rightClickRow(CenterListView *list, const QString &id)
{
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, rowPoint(list, positionOf(list, id)));
}

// A point of the viewport below the last row.
inline void clickEmptyArea(CenterListView *list, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(list->viewport(), button, {}, QPoint(10, list->viewport()->height() - 4));
}

inline void clickHeader(CenterListView *list, int section)
{
    QHeaderView *header = list->header();
    const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

inline void click(QPushButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

inline QStringList ids(CenterListView *list)
{
    QStringList result;
    for (int position = 0; position < list->count(); ++position)
        result << list->text(position);
    return result;
}

inline QStringList highlightedIds(CenterListView *list)
{
    QStringList result;
    for (const int position : list->highlightedPositions())
        result << list->text(position);
    return result;
}

inline QString cell(CenterListView *list, const QString &id, int column)
{
    const int position = positionOf(list, id);
    if (position < 0)
        return QStringLiteral("<missing>");
    return column == 0 ? list->text(position) : list->subItem(position, column);
}

inline QString currentId(CenterListView *list)
{
    const std::optional<int> current = list->currentPosition();
    return current ? list->text(*current) : QString();
}

// The enabled states of ">", ">>", "<", "<<" and the fee button, as "10010".
inline QString moveButtons(const ControlSurface &ui)
{
    QString states;
    for (const QPushButton *button : {ui.cmdAdd, ui.cmdAddAll, ui.cmdDelete, ui.cmdRemoveAll, ui.cmdcenterHandFee})
        states += button->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    return states;
}

// The fee panel as "<caption>|<text>|<checked>|<writable>|<button enabled>".
inline QString feePanel(const ControlSurface &ui)
{
    return QStringLiteral("%1|%2|%3|%4|%5")
        .arg(ui.cmdcenterHandFee->text(), ui.txtCntHandFee->text())
        .arg(ui.chkDuty->isChecked() ? 1 : 0)
        .arg(vendorcenter::isTextBoxWritable(ui.txtCntHandFee) ? 1 : 0)
        .arg(ui.cmdcenterHandFee->isEnabled() ? 1 : 0);
}

inline FakeServerPage::ActiveCenter active(const QString &id, const QString &name, const QString &country = "1",
                                           const QString &date = "01/02/2020")
{
    return {id, name, country, date};
}

inline FakeServerPage::SelectedCenter selected(const QString &id, const QString &name, const QString &fee,
                                               const QString &duty)
{
    return {id, name, fee, duty};
}

} // namespace editing_test
