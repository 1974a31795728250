#include "FakeServerPage.h"
#include "MessageBoxWatcher.h"

#include "control/CenterListView.h"
#include "control/TextBoxLook.h"
#include "control/VendorCenterPrivate.h"
#include "editing/CenterRow.h"

#include <vendorcenter/EventLog.h>
#include <vendorcenter/Vendor_Center.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>
#include <vector>

using namespace vendorcenter;

namespace {

constexpr qint32 kVendor = 12;

// Entries of failed loads: a test that loads expects none.
QStringList &loadFailures()
{
    static QStringList entries;
    return entries;
}

// Ordered by their sort keys "0005", "0012", "0123", "0200": 12 stands before
// 123, and "Warehouse East" is the first name holding "ware".
const std::vector<FakeServerPage::ActiveCenter> kActive{
    {"5", "North Depot", "1", "01/02/2024"},
    {"12", "Warehouse East", "1", "01/02/2024"},
    {"123", "Central Warehouse", "2", "01/02/2024"},
    {"200", "Harbour", "3", "01/02/2024"},
};

const std::vector<FakeServerPage::SelectedCenter> kSelected{
    {"31", "Airport Hub", "0.025", "1"},
    {"40", "warehouse south", "0", "0"},
    {"400", "Rail Yard", "0.01", "0"},
};

// One control loaded from a fake server page, shown and active so that
// clicks and the focus behave as they do for a user.
struct LoadedControl
{
    explicit LoadedControl(const std::vector<FakeServerPage::ActiveCenter> &active = kActive,
                           const std::vector<FakeServerPage::SelectedCenter> &selected = kSelected)
    {
        page.serveVendor(kVendor, 0, active, selected);
        control.LetDataFromDatabase(kVendor, page.baseUrl());
        control.show();
        control.activateWindow();
    }

    bool ready() { return loadFailures().isEmpty() && QTest::qWaitForWindowActive(&control); }
    void reload() { control.LetDataFromDatabase(kVendor, QString()); }

    ControlSurface &ui() { return surfaceOf(control); }

    FakeServerPage page;
    Vendor_Center control;
};

void clickFind(ControlSurface &ui)
{
    QTest::mouseClick(ui.cmdFind, Qt::LeftButton);
}

void typeInto(QLineEdit *box, const QString &text)
{
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::keyClicks(box, text);
}

void eraseAll(QLineEdit *box)
{
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::keyClick(box, Qt::Key_End);
    for (qsizetype n = box->text().size(); n > 0; --n)
        QTest::keyClick(box, Qt::Key_Backspace);
}

QStringList highlightedIds(const CenterListView *list)
{
    QStringList ids;
    for (int position : list->highlightedPositions())
        ids << list->text(position);
    return ids;
}

QString currentId(const CenterListView *list)
{
    const std::optional<int> current = list->currentPosition();
    return current ? list->text(*current) : QString();
}

// The fee panel as the selected-list click leaves it: a row shown, not edited.
void showRowInFeePanel(ControlSurface &ui)
{
    ui.chkDuty->setChecked(true);
    ui.txtCntHandFee->setText(QStringLiteral("2.50"));
    ui.cmdcenterHandFee->setEnabled(true);
}

// The fee panel after "Update": the fee box writable, the button reading "Save".
void editFeeInPanel(ControlSurface &ui)
{
    showRowInFeePanel(ui);
    setTextBoxWritable(ui.txtCntHandFee, true);
    ui.txtCntHandFee->setText(QStringLiteral("7.5"));
    ui.cmdcenterHandFee->setText(QStringLiteral("Save"));
}

bool feePanelCleared(const ControlSurface &ui)
{
    return !ui.chkDuty->isChecked() && ui.txtCntHandFee->text().isEmpty() && !ui.cmdcenterHandFee->isEnabled()
           && ui.cmdcenterHandFee->text() == QLatin1String("Update") && !isTextBoxWritable(ui.txtCntHandFee);
}

} // namespace

class FindPanelTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        setEventLogSink([](const QString &entry) { loadFailures() << entry; });
    }
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        loadFailures().clear();
    }
    void cleanup() { QVERIFY2(loadFailures().isEmpty(), qPrintable(loadFailures().join(QLatin1Char('\n')))); }
    void cleanupTestCase() { setEventLogSink({}); }

    void startsAsAnIdSearchOfTheOtherListAndALoadOpensIt();
    void choicesAndTextsSurviveAReload();
    void idSearchMatchesTheWholeIdOnly();
    void notFoundIsReportedAndChangesNothingElse();
    void nameSearchIgnoresCaseAndFirstMatchWins();
    void emptyNameTextFindsTheFirstRowAndAnEmptyListNothing();
    void switchingKeysEmptiesTheOtherBoxAndDisablesFind();
    void findIsEnabledFromTheChangedBoxAlone();
    void selectedListIsSearchedWhenChosen();
    void searchEndsMultiSelectAndLeavesOneRowHighlighted();
    void listChoiceClearsTheFeePanelOnlyWhenInUse();
    void clickIntoAFindBoxAlwaysClearsTheFeePanel();
    void searchLeavesTheFeePanelAlone();
    void idSearchUnderACommaDecimalLocaleComparesText();
    void searchesReachTheLastRowOfAVeryLongList();
};

void FindPanelTest::startsAsAnIdSearchOfTheOtherListAndALoadOpensIt()
{
    FakeServerPage page;
    page.serveVendor(kVendor, 0, kActive, kSelected);
    Vendor_Center control;
    ControlSurface &ui = surfaceOf(control);

    QVERIFY(ui.optList[0]->isChecked());
    QVERIFY(!ui.optList[1]->isChecked());
    QVERIFY(ui.optFind[1]->isChecked());
    QVERIFY(!ui.optFind[0]->isChecked());
    for (QWidget *w : {static_cast<QWidget *>(ui.optList[0]), static_cast<QWidget *>(ui.optList[1]),
                       static_cast<QWidget *>(ui.optFind[0]), static_cast<QWidget *>(ui.optFind[1]),
                       static_cast<QWidget *>(ui.txtVendorID), static_cast<QWidget *>(ui.cmdFind)})
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(ui.txtVendorName->isEnabled());
    QVERIFY(!isTextBoxWritable(ui.txtVendorName));
    QVERIFY(!isTextBoxWritable(ui.txtVendorID));

    control.LetDataFromDatabase(kVendor, page.baseUrl());
    QCOMPARE(ui.lstCenters->count(), 4);
    QCOMPARE(ui.lstSelectedCenters->count(), 3);
    for (QWidget *w : {static_cast<QWidget *>(ui.optList[0]), static_cast<QWidget *>(ui.optList[1]),
                       static_cast<QWidget *>(ui.optFind[0]), static_cast<QWidget *>(ui.optFind[1]),
                       static_cast<QWidget *>(ui.txtVendorID)})
        QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(isTextBoxWritable(ui.txtVendorID));
    QVERIFY(!isTextBoxWritable(ui.txtVendorName));
    QVERIFY2(!ui.cmdFind->isEnabled(), "only text in a box enables Find");
    QVERIFY(ui.optList[0]->isChecked());
    QVERIFY(ui.optFind[1]->isChecked());
}

void FindPanelTest::choicesAndTextsSurviveAReload()
{
    LoadedControl loaded;
    QVERIFY(loaded.ready());
    ControlSurface &ui = loaded.ui();

    QTest::mouseClick(ui.optList[1], Qt::LeftButton);
    QTest::mouseClick(ui.optFind[0], Qt::LeftButton);
    typeInto(ui.txtVendorName, QStringLiteral("hub"));
    QVERIFY(ui.cmdFind->isEnabled());

    loaded.reload();
    QVERIFY(ui.optList[1]->isChecked());
    QVERIFY(ui.optFind[0]->isChecked());
    QCOMPARE(ui.txtVendorName->text(), QStringLiteral("hub"));
    QVERIFY(ui.cmdFind->isEnabled());
    // The load opens the id box whatever key is chosen.
    QVERIFY(isTextBoxWritable(ui.txtVendorID));
    QVERIFY(isTextBoxWritable(ui.txtVendorName));

    clickFind(ui);
    QCOMPARE(highlightedIds(ui.lstSelectedCenters), QStringList{"31"});
}

void FindPanelTest::idSearchMatchesTheWholeIdOnly()
{
    LoadedControl loaded;
    QVERIFY(loaded.ready());
    ControlSurface &ui = loaded.ui();
    MessageBoxWatcher boxes;

    typeInto(ui.txtVendorID, QStringLiteral("12"));
    QVERIFY(ui.cmdFind->isEnabled());
    clickFind(ui);
    QCOMPARE(highlightedIds(ui.lstCenters), QStringList{"12"});
    QCOMPARE(currentId(ui.lstCenters), QStringLiteral("12"));
    QCOMPARE(loaded.control.focusWidget(), static_cast<QWidget *>(ui.lstCenters));

    // "Central Warehouse" (123) now stands before "Warehouse East" (12).
    ui.lstCenters->setSortKey(ColName);
    ui.lstCenters->clearHighlights();
    QCOMPARE(ui.lstCenters->text(0), QStringLiteral("123"));
    clickFind(ui);
    QCOMPARE(highlightedIds(ui.lstCenters), QStringList{"12"});
    QCOMPARE(currentId(ui.lstCenters), QStringLiteral("12"));

    // The beginning of an id is not the id.
    eraseAll(ui.txtVendorID);
    typeInto(ui.txtVendorID, QStringLiteral("1"));
    clickFind(ui);
    QCOMPARE(boxes.texts(), QStringList{"Not found"});
    QCOMPARE(highlightedIds(ui.lstCenters), QStringList{"12"});

    // The text is compared as typed: no trimming, no reading as a number.
    for (const QString &typed : {QStringLiteral(" 12"), QStringLiteral("12 "), QStringLiteral("012")}) {
        eraseAll(ui.txtVendorID);
        typeInto(ui.txtVendorID, typed);
        boxes.clear();
        clickFind(ui);
        QVERIFY2(boxes.texts() == QStringList{"Not found"}, qPrintable(typed));
    }
}

void FindPanelTest::notFoundIsReportedAndChangesNothingElse()
{
    LoadedControl loaded;
    QVERIFY(loaded.ready());
    ControlSurface &ui = loaded.ui();
    MessageBoxWatcher boxes;

    ui.lstCenters->setHighlighted(3, true);
    typeInto(ui.txtVendorID, QStringLiteral("999"));
    clickFind(ui);

    QCOMPARE(boxes.seen().size(), 1);
    const MessageBoxWatcher::Seen &box = boxes.seen().first();
    QCOMPARE(box.text, QStringLiteral("Not found"));
    QCOMPARE(box.icon, QMessageBox::Information);
    QVERIFY2(box.title.isEmpty() || box.title == QApplication::applicationDisplayName(), qPrintable(box.title));
    QCOMPARE(highlightedIds(ui.lstCenters), QStringList{"200"});
    QCOMPARE(ui.txtVendorID->text(), QStringLiteral("999"));
    QVERIFY(ui.cmdFind->isEnabled());
}

void FindPanelTest::nameSearchIgnoresCaseAndFirstMatchWins()
{
    LoadedControl loaded;
    QVERIFY(loaded.ready());
    ControlSurface &ui = loaded.ui();
    MessageBoxWatcher boxes;

    QTest::mouseClick(ui.optFind[0], Qt::LeftButton);
    QVERIFY(ui.optFind[0]->isChecked());
    QVERIFY(isTextBoxWritable(ui.txtVendorName));
    QVERIFY(!isTextBoxWritable(ui.txtVendorID));

    typeInto(ui.txtVendorName, QStringLiteral("ware"));
    for (int press = 0; press < 3; ++press) {
        clickFind(ui);
        QCOMPARE(highlightedIds(ui.lstCenters), QStringList{"12"});
        QCOMPARE(currentId(ui.lstCenters), QStringLiteral("12"));
    }
    QCOMPARE(loaded.control.focusWidget(), static_cast<QWidget *>(ui.lstCenters));

    eraseAll(ui.txtVendorName);
    typeInto(ui.txtVendorName, QStringLiteral("WARE"));
    ui.lstCenters->clearHighlights();
    clickFind(ui);
    QCOMPARE(highlightedIds(ui.lstCenters), QStringList{"12"});

    // The middle of a name counts; the list's order decides which row is first.
    ui.lstCenters->setSortKey(ColName);
    clickFind(ui);
    QCOMPARE(highlightedIds(ui.lstCenters), QStringList{"123"});
    QVERIFY(boxes.seen().isEmpty());

    eraseAll(ui.txtVendorName);
    typeInto(ui.txtVendorName, QStringLiteral("warehouse  east"));
    clickFind(ui);
    QCOMPARE(boxes.texts(), QStringList{"Not found"});
}

void FindPanelTest::emptyNameTextFindsTheFirstRowAndAnEmptyListNothing()
{
    LoadedControl loaded(kActive, {});
    QVERIFY(loaded.ready());
    ControlSurface &ui = loaded.ui();
    MessageBoxWatcher boxes;

    QTest::mouseClick(ui.optFind[0], Qt::LeftButton);
    QVERIFY(!isTextBoxWritable(ui.txtVendorID));
    // The reload opens the id box again while "Name" stays chosen.
    loaded.reload();
    QVERIFY(isTextBoxWritable(ui.txtVendorID));
    typeInto(ui.txtVendorID, QStringLiteral("x"));
    QVERIFY(ui.cmdFind->isEnabled());
    QVERIFY(ui.txtVendorName->text().isEmpty());

    clickFind(ui);
    QCOMPARE(highlightedIds(ui.lstCenters), QStringList{"5"});
    QVERIFY(boxes.seen().isEmpty());

    QTest::mouseClick(ui.optList[1], Qt::LeftButton);
    QVERIFY(ui.optList[1]->isChecked());
    clickFind(ui);
    QCOMPARE(boxes.texts(), QStringList{"Not found"});
}

void FindPanelTest::switchingKeysEmptiesTheOtherBoxAndDisablesFind()
{
    LoadedControl loaded;
    QVERIFY(loaded.ready());
    ControlSurface &ui = loaded.ui();

    typeInto(ui.txtVendorID, QStringLiteral("12"));
    QVERIFY(ui.cmdFind->isEnabled());

    QTest::mouseClick(ui.optFind[0], Qt::LeftButton);
    // The key and the list are separate choices.
    QVERIFY(ui.optFind[0]->isChecked());
    QVERIFY(!ui.optFind[1]->isChecked());
    QVERIFY(ui.optList[0]->isChecked());
    QVERIFY(!ui.optList[1]->isChecked());
    QVERIFY(ui.txtVendorID->text().isEmpty());
    QVERIFY(!ui.cmdFind->isEnabled());
    QVERIFY(!isTextBoxWritable(ui.txtVendorID));
    QVERIFY(isTextBoxWritable(ui.txtVendorName));

    typeInto(ui.txtVendorName, QStringLiteral("hub"));
    QVERIFY(ui.cmdFind->isEnabled());
    // A click on the key already chosen keeps its own text.
    QTest::mouseClick(ui.optFind[0], Qt::LeftButton);
    QVERIFY(ui.optFind[0]->isChecked());
    QCOMPARE(ui.txtVendorName->text(), QStringLiteral("hub"));
    QVERIFY(ui.cmdFind->isEnabled());

    // The reload opens the id box; the id text does not keep Find enabled.
    loaded.reload();
    typeInto(ui.txtVendorID, QStringLiteral("31"));
    QTest::mouseClick(ui.optFind[1], Qt::LeftButton);
    QVERIFY(ui.optFind[1]->isChecked());
    QVERIFY(ui.txtVendorName->text().isEmpty());
    QCOMPARE(ui.txtVendorID->text(), QStringLiteral("31"));
    QVERIFY(!ui.cmdFind->isEnabled());
    QVERIFY(!isTextBoxWritable(ui.txtVendorName));
    QVERIFY(isTextBoxWritable(ui.txtVendorID));

    // Typing into a read-only box changes nothing.
    typeInto(ui.txtVendorName, QStringLiteral("abc"));
    QVERIFY(ui.txtVendorName->text().isEmpty());
    QVERIFY(!ui.cmdFind->isEnabled());
}

void FindPanelTest::findIsEnabledFromTheChangedBoxAlone()
{
    LoadedControl loaded;
    QVERIFY(loaded.ready());
    ControlSurface &ui = loaded.ui();

    typeInto(ui.txtVendorID, QStringLiteral("4"));
    QVERIFY(ui.cmdFind->isEnabled());
    eraseAll(ui.txtVendorID);
    QVERIFY(!ui.cmdFind->isEnabled());

    // With "Name" chosen after a reload, the id box still drives Find on its own.
    typeInto(ui.txtVendorID, QStringLiteral("4"));
    QTest::mouseClick(ui.optFind[0], Qt::LeftButton);
    typeInto(ui.txtVendorName, QStringLiteral("a"));
    loaded.reload();
    typeInto(ui.txtVendorID, QStringLiteral("9"));
    QVERIFY(ui.cmdFind->isEnabled());
    eraseAll(ui.txtVendorID);
    QVERIFY2(!ui.cmdFind->isEnabled(), "the name box's text is not looked at");
    QCOMPARE(ui.txtVendorName->text(), QStringLiteral("a"));
}

void FindPanelTest::selectedListIsSearchedWhenChosen()
{
    LoadedControl loaded;
    QVERIFY(loaded.ready());
    ControlSurface &ui = loaded.ui();
    MessageBoxWatcher boxes;

    typeInto(ui.txtVendorID, QStringLiteral("400"));
    clickFind(ui);
    QCOMPARE(boxes.texts(), QStringList{"Not found"});

    QTest::mouseClick(ui.optList[1], Qt::LeftButton);
    QVERIFY(ui.optList[1]->isChecked());
    QCOMPARE(ui.txtVendorID->text(), QStringLiteral("400"));
    clickFind(ui);
    QCOMPARE(boxes.seen().size(), 1);
    QCOMPARE(highlightedIds(ui.lstSelectedCenters), QStringList{"400"});
    QCOMPARE(currentId(ui.lstSelectedCenters), QStringLiteral("400"));
    QCOMPARE(loaded.control.focusWidget(), static_cast<QWidget *>(ui.lstSelectedCenters));
    QVERIFY(ui.lstCenters->highlightedPositions().empty());

    QTest::mouseClick(ui.optFind[0], Qt::LeftButton);
    QVERIFY(ui.optList[1]->isChecked());
    typeInto(ui.txtVendorName, QStringLiteral("WAREHOUSE"));
    clickFind(ui);
    QCOMPARE(highlightedIds(ui.lstSelectedCenters), QStringList{"40"});

    QTest::mouseClick(ui.optList[0], Qt::LeftButton);
    QVERIFY(ui.optList[0]->isChecked());
    QVERIFY(!ui.optList[1]->isChecked());
    QVERIFY(ui.optFind[0]->isChecked());
    clickFind(ui);
    QCOMPARE(highlightedIds(ui.lstCenters), QStringList{"12"});
    QCOMPARE(loaded.control.focusWidget(), static_cast<QWidget *>(ui.lstCenters));
    QCOMPARE(highlightedIds(ui.lstSelectedCenters), QStringList{"40"});
}

void FindPanelTest::searchEndsMultiSelectAndLeavesOneRowHighlighted()
{
    LoadedControl loaded;
    QVERIFY(loaded.ready());
    ControlSurface &ui = loaded.ui();
    MessageBoxWatcher boxes;

    ui.lstCenters->setMultiSelect(true);
    ui.lstSelectedCenters->setMultiSelect(true);
    ui.lstCenters->setHighlighted(0, true);
    ui.lstCenters->setHighlighted(3, true);
    typeInto(ui.txtVendorID, QStringLiteral("123"));
    clickFind(ui);
    QVERIFY(!ui.lstCenters->multiSelect());
    QVERIFY(!ui.lstSelectedCenters->multiSelect());
    QCOMPARE(highlightedIds(ui.lstCenters), QStringList{"123"});

    ui.lstCenters->setMultiSelect(true);
    ui.lstSelectedCenters->setMultiSelect(true);
    eraseAll(ui.txtVendorID);
    typeInto(ui.txtVendorID, QStringLiteral("none"));
    clickFind(ui);
    QCOMPARE(boxes.texts(), QStringList{"Not found"});
    QVERIFY(!ui.lstCenters->multiSelect());
    QVERIFY(!ui.lstSelectedCenters->multiSelect());
}

void FindPanelTest::listChoiceClearsTheFeePanelOnlyWhenInUse()
{
    LoadedControl loaded;
    QVERIFY(loaded.ready());
    ControlSurface &ui = loaded.ui();

    showRowInFeePanel(ui);
    QTest::mouseClick(ui.optList[1], Qt::LeftButton);
    QVERIFY(feePanelCleared(ui));

    editFeeInPanel(ui);
    QTest::mouseClick(ui.optList[1], Qt::LeftButton); // already chosen: still a click
    QVERIFY(feePanelCleared(ui));
    QVERIFY(ui.optList[1]->isChecked());

    // A disabled button means the panel shows nothing of its own: left as it is.
    ui.chkDuty->setChecked(true);
    ui.txtCntHandFee->setText(QStringLiteral("3"));
    QTest::mouseClick(ui.optList[0], Qt::LeftButton);
    QVERIFY(ui.chkDuty->isChecked());
    QCOMPARE(ui.txtCntHandFee->text(), QStringLiteral("3"));
    QVERIFY(!ui.cmdcenterHandFee->isEnabled());

    // An edit is ended even when the button is disabled.
    setTextBoxWritable(ui.txtCntHandFee, true);
    ui.cmdcenterHandFee->setText(QStringLiteral("Save"));
    QTest::mouseClick(ui.optList[0], Qt::LeftButton);
    QCOMPARE(ui.cmdcenterHandFee->text(), QStringLiteral("Update"));
    QVERIFY(!isTextBoxWritable(ui.txtCntHandFee));
    QCOMPARE(ui.txtCntHandFee->text(), QStringLiteral("3"));

    // Switching the key runs the same guarded reset.
    ui.chkDuty->setChecked(false);
    ui.txtCntHandFee->clear();
    editFeeInPanel(ui);
    QTest::mouseClick(ui.optFind[0], Qt::LeftButton);
    QVERIFY(feePanelCleared(ui));
    ui.chkDuty->setChecked(true);
    QTest::mouseClick(ui.optFind[1], Qt::LeftButton);
    QVERIFY(ui.chkDuty->isChecked());

    // "Save " is not "Save".
    ui.chkDuty->setChecked(false);
    setTextBoxWritable(ui.txtCntHandFee, true);
    ui.cmdcenterHandFee->setText(QStringLiteral("Save "));
    QTest::mouseClick(ui.optList[1], Qt::LeftButton);
    QCOMPARE(ui.cmdcenterHandFee->text(), QStringLiteral("Save "));
    QVERIFY(isTextBoxWritable(ui.txtCntHandFee));
}

void FindPanelTest::clickIntoAFindBoxAlwaysClearsTheFeePanel()
{
    LoadedControl loaded;
    QVERIFY(loaded.ready());
    ControlSurface &ui = loaded.ui();

    // Even with the fee button disabled.
    ui.chkDuty->setChecked(true);
    ui.txtCntHandFee->setText(QStringLiteral("3"));
    QTest::mouseClick(ui.txtVendorName, Qt::LeftButton); // read-only, still takes the click
    QVERIFY(feePanelCleared(ui));

    showRowInFeePanel(ui);
    QTest::mouseClick(ui.txtVendorID, Qt::LeftButton);
    QVERIFY(feePanelCleared(ui));

    editFeeInPanel(ui);
    QTest::mouseClick(ui.txtVendorID, Qt::LeftButton);
    QVERIFY(feePanelCleared(ui));

    // Typing alone, without a click, leaves the panel as it is.
    showRowInFeePanel(ui);
    ui.txtVendorID->setFocus();
    QTest::keyClicks(ui.txtVendorID, QStringLiteral("5"));
    QVERIFY(ui.cmdcenterHandFee->isEnabled());
    QCOMPARE(ui.txtCntHandFee->text(), QStringLiteral("2.50"));
}

void FindPanelTest::searchLeavesTheFeePanelAlone()
{
    LoadedControl loaded;
    QVERIFY(loaded.ready());
    ControlSurface &ui = loaded.ui();
    MessageBoxWatcher boxes;

    QTest::mouseClick(ui.optList[1], Qt::LeftButton);
    typeInto(ui.txtVendorID, QStringLiteral("31"));
    editFeeInPanel(ui);
    clickFind(ui);
    QCOMPARE(highlightedIds(ui.lstSelectedCenters), QStringList{"31"});
    QCOMPARE(ui.cmdcenterHandFee->text(), QStringLiteral("Save"));
    QVERIFY(ui.cmdcenterHandFee->isEnabled());
    QCOMPARE(ui.txtCntHandFee->text(), QStringLiteral("7.5"));
    QVERIFY(ui.chkDuty->isChecked());
    QVERIFY(boxes.seen().isEmpty());
    // Nor does it touch the rows or the labels.
    QCOMPARE(ui.lstSelectedCenters->subItem(0, ColDuty), QStringLiteral("1"));
    QCOMPARE(ui.lstSelectedCenters->count(), 3);
}

void FindPanelTest::idSearchUnderACommaDecimalLocaleComparesText()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const std::vector<FakeServerPage::ActiveCenter> active{{"1.5", "Dotted", "4", ""}, {"15", "Plain", "4", ""}};
    LoadedControl loaded(active, {{"31", "Airport Hub", "0", "1"}});
    QVERIFY(loaded.ready());
    ControlSurface &ui = loaded.ui();
    MessageBoxWatcher boxes;

    typeInto(ui.txtVendorID, QStringLiteral("1,5"));
    clickFind(ui);
    QCOMPARE(boxes.texts(), QStringList{"Not found"});
    eraseAll(ui.txtVendorID);
    typeInto(ui.txtVendorID, QStringLiteral("1.5"));
    clickFind(ui);
    QCOMPARE(highlightedIds(ui.lstCenters), QStringList{"1.5"});
}

void FindPanelTest::searchesReachTheLastRowOfAVeryLongList()
{
    LoadedControl loaded({}, {});
    QVERIFY(loaded.ready());
    ControlSurface &ui = loaded.ui();
    MessageBoxWatcher boxes;

    constexpr int rowCount = 40000;
    std::vector<CenterRow> rows(rowCount);
    for (int i = 0; i < rowCount; ++i) {
        CenterRow &row = rows[static_cast<std::size_t>(i)];
        row.id = QStringLiteral("%1").arg(i + 1, 5, 10, QLatin1Char('0'));
        row.subItem(ColName) = i + 1 == rowCount ? QStringLiteral("Zebra Terminal") : QStringLiteral("Center %1").arg(i);
        row.subItem(ColSortKey) = row.id;
    }
    ui.lstCenters->setSortKey(ColSortKey);
    ui.lstCenters->addRows(std::move(rows));
    QCOMPARE(ui.lstCenters->count(), rowCount);
    const int last = rowCount - 1;
    QCOMPARE(ui.lstCenters->text(last), QStringLiteral("40000"));

    typeInto(ui.txtVendorID, QStringLiteral("40000"));
    clickFind(ui);
    QCOMPARE(ui.lstCenters->highlightedPositions(), std::vector<int>{last});
    QCOMPARE(ui.lstCenters->currentPosition(), std::optional<int>(last));
    const QRect shown = ui.lstCenters->visualRect(ui.lstCenters->model()->index(last, 0));
    QVERIFY(ui.lstCenters->viewport()->rect().intersects(shown));

    ui.lstCenters->setHighlighted(0, true);
    ui.lstCenters->scrollToTop();
    QTest::mouseClick(ui.optFind[0], Qt::LeftButton);
    typeInto(ui.txtVendorName, QStringLiteral("zebra"));
    clickFind(ui);
    QCOMPARE(ui.lstCenters->highlightedPositions(), std::vector<int>{last});
    QVERIFY(ui.lstCenters->viewport()->rect().intersects(
        ui.lstCenters->visualRect(ui.lstCenters->model()->index(last, 0))));

    // No match at all: the walk ends at the last row and reports it.
    eraseAll(ui.txtVendorName);
    typeInto(ui.txtVendorName, QStringLiteral("yak"));
    clickFind(ui);
    QCOMPARE(boxes.texts(), QStringList{"Not found"});
}

QTEST_MAIN(FindPanelTest)
#include "find_panel_test.moc"
