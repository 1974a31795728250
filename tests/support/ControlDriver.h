#pragma once

#include "FakeServerPage.h"

#include <vendorcenter/EventLog.h>
#include <vendorcenter/Vendor_Center.h>

#include <QAbstractItemView>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <memory>

// Drives one control as a host and a user do: loads vendor 12 from a fake
// server page, finds the widgets by their object names, clicks, types and
// reads them back, answers every message box as a user pressing OK would and
// collects the event log.
class ControlDriver
{
public:
    using Active = FakeServerPage::ActiveCenter;
    using Selected = FakeServerPage::SelectedCenter;
    static constexpr qint32 kVendor = 12;
    enum Column { Id, Name, Country, Fee, Duty, Updated, SortKey };

    ControlDriver();
    ~ControlDriver() { vendorcenter::setEventLogSink({}); }

    // Serves vendor 12 with these rows, loads it and shows the control active.
    bool load(const std::vector<Active> &active, const std::vector<Selected> &selected, int dutyDefault = 0)
    {
        page.serveVendor(kVendor, dutyDefault, active, selected);
        control.LetDataFromDatabase(kVendor, page.baseUrl());
        return log.isEmpty() && show();
    }
    bool show()
    {
        control.show();
        control.activateWindow();
        return QTest::qWaitForWindowActive(&control);
    }

    template<typename T = QWidget>
    T *widget(const QString &name) const
    {
        return control.findChild<T *>(name);
    }
    QAbstractItemView *centers() const { return widget<QAbstractItemView>("lstCenters"); }
    QAbstractItemView *chosen() const { return widget<QAbstractItemView>("lstSelectedCenters"); }
    QLineEdit *box(const QString &name) const { return widget<QLineEdit>(name); }
    // The caption of a button, label or frame, or the text of a box.
    QString text(const QString &name) const
    {
        return widget(name)->property(widget(name)->inherits("QGroupBox") ? "title" : "text").toString();
    }
    bool enabled(const QString &name) const { return widget(name)->isEnabled(); }
    bool checked(const QString &name) const { return widget(name)->property("checked").toBool(); }
    // Read-only boxes show the button face behind their text too.
    bool writable(const QString &name) const
    {
        const QPalette &palette = box(name)->palette();
        return !box(name)->isReadOnly() && palette.color(QPalette::Base) != palette.color(QPalette::Button);
    }
    bool hasFocus(const QString &name) const { return control.focusWidget() == widget(name); }
    // ">", ">>", "<", "<<" and the fee button enabled, as "10010".
    QString moveButtons() const;
    // "<fee button caption>|<fee>|<duty checked>|<fee writable>|<fee button enabled>".
    QString feePanel() const;

    // The ids of a list's rows, or of its highlighted ones, top to bottom.
    static QStringList ids(const QAbstractItemView *list, bool highlightedOnly = false);
    static QStringList highlighted(const QAbstractItemView *list) { return ids(list, true); }
    static QModelIndex indexOf(const QAbstractItemView *list, const QString &id)
    {
        return list->model()->index(int(ids(list).indexOf(id)), Id);
    }
    static QString cell(const QAbstractItemView *list, const QString &id, int column)
    {
        const QModelIndex row = indexOf(list, id);
        return row.isValid() ? row.siblingAtColumn(column).data().toString() : QStringLiteral("<missing>");
    }
    // Each row as its seven columns joined by "|".
    static QStringList rows(const QAbstractItemView *list);
    static QString current(const QAbstractItemView *list)
    {
        return list->currentIndex().siblingAtColumn(Id).data().toString();
    }
    static bool multiSelect(const QAbstractItemView *list)
    {
        return list->selectionMode() == QAbstractItemView::ExtendedSelection;
    }

    void click(const QString &name) { QTest::mouseClick(widget(name), Qt::LeftButton); }
    // An empty id clicks below the rows.
    void clickRow(QAbstractItemView *list, const QString &id, Qt::KeyboardModifiers modifiers = {},
        Qt::MouseButton button = Qt::LeftButton);
    void doubleClickRow(QAbstractItemView *list, const QString &id, Qt::KeyboardModifiers modifiers = {});
    void clickHeader(QAbstractItemView *list, int section);
    // Clicks into the box and types; erase() deletes its text key by key.
    void type(const QString &name, const QString &text)
    {
        click(name);
        QTest::keyClicks(box(name), text);
    }
    void erase(const QString &name);
    // "Update", the fee typed over the selected text, "Save".
    void saveFee(const QString &typed);

    QStringList boxTexts() const
    {
        QStringList texts;
        for (const QString &box : boxes)
            texts << box.section('|', 2);
        return texts;
    }

    FakeServerPage page;
    vendorcenter::Vendor_Center control;
    // Every message box answered, as "icon|title|text", the icon as
    // QMessageBox numbers it: 0 none, 1 information, 2 warning, 3 critical.
    QStringList boxes;
    QString conflictAnswer = QStringLiteral("Cancel"); // the button pressed where a box offers it
    QStringList log; // event-log entries

private:
    QTimer boxWatch_;
};

// A test class with a fresh driver for each test function; whatever a test
// did, the control shows the arrow pointer again afterwards.
class DriverTest : public QObject
{
    Q_OBJECT

protected:
    std::unique_ptr<ControlDriver> d;
    // The event-log entry of a failed load.
    static QString loadFailure(const QString &failure) { return "KelvoVendor_Center LetDataFromDatabase : " + failure; }

protected slots:
    void init() { d = std::make_unique<ControlDriver>(); }
    void cleanup()
    {
        QCOMPARE(d->control.cursor().shape(), Qt::ArrowCursor);
        d.reset();
    }
};
