#pragma once

#include "FakeServerPage.h"

#include <vendorcenter/Vendor_Center.h>

#include <QAbstractItemView>
#include <QLineEdit>
#include <QMessageBox>
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
    ~ControlDriver();

    // Serves vendor 12 with these rows, loads it and shows the control active.
    bool load(const std::vector<Active> &active, const std::vector<Selected> &selected, int dutyDefault = 0);
    bool show();

    template<typename T = QWidget>
    T *widget(const QString &name) const
    {
        return control.findChild<T *>(name);
    }
    QAbstractItemView *centers() const { return widget<QAbstractItemView>("lstCenters"); }
    QAbstractItemView *chosen() const { return widget<QAbstractItemView>("lstSelectedCenters"); }
    QLineEdit *box(const QString &name) const { return widget<QLineEdit>(name); }
    // The caption of a button, label or frame, or the text of a box.
    QString text(const QString &name) const;
    bool enabled(const QString &name) const { return widget(name)->isEnabled(); }
    bool checked(const QString &name) const { return widget(name)->property("checked").toBool(); }
    // Read-only boxes show the button face behind their text too.
    bool writable(const QString &name) const;
    bool hasFocus(const QString &name) const { return control.focusWidget() == widget(name); }
    // ">", ">>", "<", "<<" and the fee button enabled, as "10010".
    QString moveButtons() const;
    // "<fee button caption>|<fee>|<duty checked>|<fee writable>|<fee button enabled>".
    QString feePanel() const;

    static QStringList ids(const QAbstractItemView *list);
    static QString cell(const QAbstractItemView *list, const QString &id, int column);
    static QStringList highlighted(const QAbstractItemView *list);
    static QString current(const QAbstractItemView *list);
    static bool multiSelect(const QAbstractItemView *list)
    {
        return list->selectionMode() == QAbstractItemView::ExtendedSelection;
    }
    static QModelIndex indexOf(const QAbstractItemView *list, const QString &id);

    void click(const QString &name) { QTest::mouseClick(widget(name), Qt::LeftButton); }
    void clickRow(QAbstractItemView *list, const QString &id, Qt::KeyboardModifiers modifiers = {},
        Qt::MouseButton button = Qt::LeftButton);
    void clickBelowRows(QAbstractItemView *list, Qt::MouseButton button = Qt::LeftButton);
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

    struct Box
    {
        QString text, title;
        QMessageBox::Icon icon;
    };
    QStringList boxTexts() const;

    FakeServerPage page;
    vendorcenter::Vendor_Center control;
    QList<Box> boxes; // every message box answered
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

protected slots:
    void init() { d = std::make_unique<ControlDriver>(); }
    void cleanup()
    {
        QCOMPARE(d->control.cursor().shape(), Qt::ArrowCursor);
        d.reset();
    }
};

// The event-log entry of a failed load.
QString loadFailure(const QString &failure);
