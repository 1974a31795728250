#include "FakeServerPage.h"
#include "MessageBoxWatcher.h"

#include "widget/CenterListView.h"
#include "widget/TextBoxLook.h"
#include "widget/VendorCenterPrivate.h"
#include "core/CenterRow.h"

#include <vendorcenter/EventLog.h>
#include <vendorcenter/Vendor_Center.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <functional>
#include <vector>

using namespace vendorcenter;

namespace {

using Active = std::vector<FakeServerPage::ActiveCenter>;
using Selected = std::vector<FakeServerPage::SelectedCenter>;

// Entries of failed loads: a test that loads expects none.
QStringList &loadFailures()
{
    static QStringList entries;
    return entries;
}

// Ordered by their sort keys "0005", "0012", "0123", "0200": 12 stands before
// 123, and "Warehouse East" is the first name holding "ware".
const Active kActive{{"5", "North Depot", "1", "01/02/2024"},
                     {"12", "Warehouse East", "1", "01/02/2024"},
                     {"123", "Central Warehouse", "2", "01/02/2024"},
                     {"200", "Harbour", "3", "01/02/2024"}};
const Selected kSelected{
    {"31", "Airport Hub", "0.025", "1"}, {"40", "warehouse south", "0", "0"}, {"400", "Rail Yard", "0.01", "0"}};

// One control with a fake server page behind it; load() also shows it active
// so that clicks and the focus behave as they do for a user.
struct LoadedControl
{
    explicit LoadedControl(const Active &active = kActive, const Selected &selected = kSelected)
    {
        page.serveVendor(12, 0, active, selected);
    }
    bool load()
    {
        control.LetDataFromDatabase(12, page.baseUrl());
        control.show();
        control.activateWindow();
        return loadFailures().isEmpty() && QTest::qWaitForWindowActive(&control);
    }
    void reload() { control.LetDataFromDatabase(12, QString()); }

    FakeServerPage page;
    Vendor_Center control;
    ControlSurface &ui = surfaceOf(control);
};

void click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton); }

void typeInto(QLineEdit *box, const QString &text)
{
    click(box);
    QTest::keyClicks(box, text);
}

void eraseAll(QLineEdit *box)
{
    click(box);
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

// Each row's id, fee and duty, in list order.
QStringList rowTexts(const CenterListView *list)
{
    QStringList rows;
    for (int position = 0; position < list->count(); ++position)
        rows << list->text(position) + '|' + list->subItem(position, ColHandlingFee) + '|'
                    + list->subItem(position, ColDuty);
    return rows;
}

// The chosen list and key, each box's text and whether it is read-only, and Find, as one line.
QString findPanelNow(const ControlSurface &ui)
{
    const auto box = [](const QLineEdit *b) -> QString {
        return '[' + b->text() + (isTextBoxWritable(b) ? "] " : "] read-only ");
    };
    return QStringLiteral("lists=%1%2 keys=%3%4 ")
               .arg(int(ui.optList[0]->isChecked())).arg(int(ui.optList[1]->isChecked()))
               .arg(int(ui.optFind[0]->isChecked())).arg(int(ui.optFind[1]->isChecked()))
           + "id" + box(ui.txtVendorID) + "name" + box(ui.txtVendorName)
           + (ui.cmdFind->isEnabled() ? "find on" : "find off");
}

struct FeeState
{
    bool duty;
    QString fee;
    bool buttonEnabled;
    QString caption;
    bool writable;
    QString describe() const
    {
        return QStringLiteral("duty=%1 fee='%2' enabled=%3 caption='%4' writable=%5")
            .arg(int(duty)).arg(fee).arg(int(buttonEnabled)).arg(caption).arg(int(writable));
    }
};

const FeeState kRowShown{true, "2.50", true, "Update", false}; // as a click in the selected list leaves it
const FeeState kEditing{true, "7.5", true, "Save", true};      // after "Update"
const FeeState kIdle{true, "3", false, "Update", false};       // disabled button: nothing of its own shown
const FeeState kCleared{false, "", false, "Update", false};

void setFeePanel(ControlSurface &ui, const FeeState &state)
{
    ui.chkDuty->setChecked(state.duty);
    ui.txtCntHandFee->setText(state.fee);
    ui.cmdcenterHandFee->setEnabled(state.buttonEnabled);
    ui.cmdcenterHandFee->setText(state.caption);
    setTextBoxWritable(ui.txtCntHandFee, state.writable);
}

QString feePanelNow(const ControlSurface &ui)
{
    return FeeState{ui.chkDuty->isChecked(), ui.txtCntHandFee->text(), ui.cmdcenterHandFee->isEnabled(),
                    ui.cmdcenterHandFee->text(), isTextBoxWritable(ui.txtCntHandFee)}
        .describe();
}

using UserAction = std::function<void(ControlSurface &)>;

} // namespace

Q_DECLARE_METATYPE(FeeState)
Q_DECLARE_METATYPE(UserAction)

class FindPanelTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setEventLogSink([](const QString &entry) { loadFailures() << entry; }); }
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        loadFailures().clear();
    }
    void cleanup() { QVERIFY2(loadFailures().isEmpty(), qPrintable(loadFailures().join(QLatin1Char('\n')))); }
    void cleanupTestCase() { setEventLogSink({}); }

    void startsAsAnIdSearchAndSwitchingKeysEmptiesTheOtherBox();
    void aReloadKeepsChoicesAndTextsAndOpensTheIdBox();
    void findHighlightsTheFirstMatchOrReportsNotFound_data();
    void findHighlightsTheFirstMatchOrReportsNotFound();
    void turningToTheFindWidgetsClearsTheFeePanel_data();
    void turningToTheFindWidgetsClearsTheFeePanel();
    void idSearchUnderACommaDecimalLocaleComparesText();
    void nameSearchCoversEmptyListsAndTheLastRowOfAVeryLongOne();
};

void FindPanelTest::startsAsAnIdSearchAndSwitchingKeysEmptiesTheOtherBox()
{
    LoadedControl loaded;
    ControlSurface &ui = loaded.ui;
    const QList<QWidget *> openedByLoad{ui.optList[0], ui.optList[1], ui.optFind[0], ui.optFind[1], ui.txtVendorID};

    QCOMPARE(findPanelNow(ui), QStringLiteral("lists=10 keys=01 id[] read-only name[] read-only find off"));
    for (QWidget *w : openedByLoad)
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(ui.txtVendorName->isEnabled());

    QVERIFY(loaded.load());
    QCOMPARE(ui.lstCenters->count(), 4);
    QCOMPARE(ui.lstSelectedCenters->count(), 3);
    for (QWidget *w : openedByLoad)
        QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
    // Only text in a box enables Find.
    QCOMPARE(findPanelNow(ui), QStringLiteral("lists=10 keys=01 id[] name[] read-only find off"));
    typeInto(ui.txtVendorID, QStringLiteral("4"));
    QVERIFY(ui.cmdFind->isEnabled());
    eraseAll(ui.txtVendorID);
    QVERIFY(!ui.cmdFind->isEnabled());

    // The key and the list are separate choices; the other key's box is emptied and closed.
    typeInto(ui.txtVendorID, QStringLiteral("12"));
    click(ui.optFind[0]);
    QCOMPARE(findPanelNow(ui), QStringLiteral("lists=10 keys=10 id[] read-only name[] find off"));
    typeInto(ui.txtVendorName, QStringLiteral("hub"));
    click(ui.optFind[0]); // the key already chosen keeps its own text
    QCOMPARE(findPanelNow(ui), QStringLiteral("lists=10 keys=10 id[] read-only name[hub] find on"));
}

void FindPanelTest::aReloadKeepsChoicesAndTextsAndOpensTheIdBox()
{
    LoadedControl loaded;
    QVERIFY(loaded.load());
    ControlSurface &ui = loaded.ui;
    MessageBoxWatcher boxes;

    click(ui.optList[1]);
    click(ui.optFind[0]);
    typeInto(ui.txtVendorName, QStringLiteral("hub"));
    loaded.reload(); // opens the id box whatever key is chosen
    QCOMPARE(findPanelNow(ui), QStringLiteral("lists=01 keys=10 id[] name[hub] find on"));
    click(ui.cmdFind);
    QCOMPARE(highlightedIds(ui.lstSelectedCenters), QStringList{"31"});
    QVERIFY(boxes.seen().isEmpty());

    // Find follows the box that changed, alone: the name box's text is not looked at.
    typeInto(ui.txtVendorID, QStringLiteral("9"));
    QVERIFY(ui.cmdFind->isEnabled());
    eraseAll(ui.txtVendorID);
    QCOMPARE(findPanelNow(ui), QStringLiteral("lists=01 keys=10 id[] name[hub] find off"));

    // Back to the id key: emptying the name box disables Find though the id box holds text.
    typeInto(ui.txtVendorID, QStringLiteral("31"));
    click(ui.optFind[1]);
    QCOMPARE(findPanelNow(ui), QStringLiteral("lists=01 keys=01 id[31] name[] read-only find off"));
    typeInto(ui.txtVendorName, QStringLiteral("abc")); // a read-only box takes no typing
    QCOMPARE(findPanelNow(ui), QStringLiteral("lists=01 keys=01 id[31] name[] read-only find off"));
}

void FindPanelTest::findHighlightsTheFirstMatchOrReportsNotFound_data()
{
    QTest::addColumn<int>("list"); // 0: all centers, 1: the selected ones
    QTest::addColumn<bool>("byName");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("sortByName");
    QTest::addColumn<QString>("found"); // empty: "Not found"
    const auto row = [](const char *name, int list, bool byName, const char *text, bool sortByName, const char *found) {
        QTest::newRow(name) << list << byName << QString(text) << sortByName << QString(found);
    };
    // The whole id as typed: no beginning of it, no trimming, no reading as a number.
    row("id", 0, false, "12", false, "12");
    row("id, 123 sorted first", 0, false, "12", true, "12");
    row("beginning of an id", 0, false, "1", false, "");
    row("leading blank", 0, false, " 12", false, "");
    row("trailing blank", 0, false, "12 ", false, "");
    row("leading zero", 0, false, "012", false, "");
    row("unknown id", 0, false, "999", false, "");
    row("id of the other list", 0, false, "400", false, "");
    row("id in the selected list", 1, false, "400", false, "400");
    // Any part of a name, case ignored; the list's order decides which row is first.
    row("part of a name", 0, true, "ware", false, "12");
    row("name in capitals", 0, true, "WARE", false, "12");
    row("name, sorted by name", 0, true, "ware", true, "123");
    row("doubled blank", 0, true, "warehouse  east", false, "");
    row("name in the selected list", 1, true, "WAREHOUSE", false, "40");
}

void FindPanelTest::findHighlightsTheFirstMatchOrReportsNotFound()
{
    QFETCH(int, list);
    QFETCH(bool, byName);
    QFETCH(QString, text);
    QFETCH(bool, sortByName);
    QFETCH(QString, found);
    LoadedControl loaded;
    QVERIFY(loaded.load());
    ControlSurface &ui = loaded.ui;
    MessageBoxWatcher boxes;
    CenterListView *const target = list == 0 ? ui.lstCenters : ui.lstSelectedCenters;
    CenterListView *const other = list == 0 ? ui.lstSelectedCenters : ui.lstCenters;
    QLineEdit *const keyBox = byName ? ui.txtVendorName : ui.txtVendorID;

    if (byName)
        click(ui.optFind[0]);
    typeInto(keyBox, text);
    click(ui.optList[list]);
    QCOMPARE(keyBox->text(), text);
    QVERIFY(ui.optList[list]->isChecked() && !ui.optList[1 - list]->isChecked());
    QVERIFY(ui.optFind[byName ? 0 : 1]->isChecked());
    // Rows highlighted in both lists under multi-select, and a fee edit under way: a search ends
    // the multi-select, and leaves the other list, the fee panel and every row as they are.
    for (CenterListView *view : {ui.lstCenters, ui.lstSelectedCenters}) {
        if (sortByName)
            view->setSortKey(ColName);
        view->setMultiSelect(true);
        view->setHighlighted(0, true);
        view->setHighlighted(view->count() - 1, true);
    }
    setFeePanel(ui, kEditing);
    const QStringList targetBefore = highlightedIds(target), otherBefore = highlightedIds(other);
    const QStringList rowsBefore = rowTexts(ui.lstCenters) + rowTexts(ui.lstSelectedCenters);

    click(ui.cmdFind);
    if (found.isEmpty()) {
        QCOMPARE(boxes.seen().size(), 1);
        const MessageBoxWatcher::Seen &box = boxes.seen().first();
        QCOMPARE(box.text, QStringLiteral("Not found"));
        QCOMPARE(box.icon, QMessageBox::Information);
        QVERIFY2(box.title.isEmpty() || box.title == QApplication::applicationDisplayName(), qPrintable(box.title));
        QCOMPARE(highlightedIds(target), targetBefore);
        QCOMPARE(keyBox->text(), text);
        QVERIFY(ui.cmdFind->isEnabled());
    } else {
        click(ui.cmdFind); // a second press finds the same row again
        QVERIFY(boxes.seen().isEmpty());
        QCOMPARE(highlightedIds(target), QStringList{found});
        QCOMPARE(currentId(target), found);
        QCOMPARE(loaded.control.focusWidget(), static_cast<QWidget *>(target));
    }
    QVERIFY(!ui.lstCenters->multiSelect());
    QVERIFY(!ui.lstSelectedCenters->multiSelect());
    QCOMPARE(highlightedIds(other), otherBefore);
    QCOMPARE(feePanelNow(ui), kEditing.describe());
    QCOMPARE(rowTexts(ui.lstCenters) + rowTexts(ui.lstSelectedCenters), rowsBefore);
}

void FindPanelTest::turningToTheFindWidgetsClearsTheFeePanel_data()
{
    QTest::addColumn<UserAction>("action");
    QTest::addColumn<FeeState>("before");
    QTest::addColumn<FeeState>("after");
    const UserAction listAll = [](ControlSurface &ui) { click(ui.optList[0]); };
    const UserAction listSelected = [](ControlSurface &ui) { click(ui.optList[1]); };
    const UserAction idBox = [](ControlSurface &ui) { click(ui.txtVendorID); };
    const FeeState idleEditing{true, "3", false, "Save", true};
    const FeeState almostSave{false, "", false, "Save ", true};

    // A list or key option clears the panel only while its button is enabled, and ends an edit
    // either way; a click on the option already chosen is still a click.
    QTest::newRow("list, row shown") << listSelected << kRowShown << kCleared;
    QTest::newRow("chosen list, editing") << listAll << kEditing << kCleared;
    QTest::newRow("list, idle panel") << listSelected << kIdle << kIdle;
    QTest::newRow("chosen list, idle panel editing") << listAll << idleEditing << kIdle;
    QTest::newRow("\"Save \" is not \"Save\"") << listSelected << almostSave << almostSave;
    const UserAction keyName = [](ControlSurface &ui) { click(ui.optFind[0]); };
    QTest::newRow("key, editing") << keyName << kEditing << kCleared;
    QTest::newRow("chosen key, idle panel") << UserAction([](ControlSurface &ui) { click(ui.optFind[1]); }) << kIdle
                                            << kIdle;
    // A click into either find box always clears it, a read-only one too; typing alone does not.
    QTest::newRow("id box, row shown") << idBox << kRowShown << kCleared;
    QTest::newRow("id box, editing") << idBox << kEditing << kCleared;
    QTest::newRow("read-only name box, idle panel")
        << UserAction([](ControlSurface &ui) { click(ui.txtVendorName); }) << kIdle << kCleared;
    QTest::newRow("typing without a click") << UserAction([](ControlSurface &ui) {
        ui.txtVendorID->setFocus();
        QTest::keyClicks(ui.txtVendorID, QStringLiteral("5"));
    }) << kRowShown << kRowShown;
}

void FindPanelTest::turningToTheFindWidgetsClearsTheFeePanel()
{
    QFETCH(UserAction, action);
    QFETCH(FeeState, before);
    QFETCH(FeeState, after);
    LoadedControl loaded;
    QVERIFY(loaded.load());
    setFeePanel(loaded.ui, before);
    vendorcenter::privateOf(loaded.control).buttons.feeUpdate = before.buttonEnabled;
    action(loaded.ui);
    QCOMPARE(feePanelNow(loaded.ui), after.describe());
}

void FindPanelTest::idSearchUnderACommaDecimalLocaleComparesText()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    LoadedControl loaded({{"1.5", "Dotted", "4", ""}, {"15", "Plain", "4", ""}}, {{"31", "Airport Hub", "0", "1"}});
    QVERIFY(loaded.load());
    ControlSurface &ui = loaded.ui;
    MessageBoxWatcher boxes;

    typeInto(ui.txtVendorID, QStringLiteral("1,5"));
    click(ui.cmdFind);
    QCOMPARE(boxes.texts(), QStringList{"Not found"});
    eraseAll(ui.txtVendorID);
    typeInto(ui.txtVendorID, QStringLiteral("1.5"));
    click(ui.cmdFind);
    QCOMPARE(highlightedIds(ui.lstCenters), QStringList{"1.5"});
}

void FindPanelTest::nameSearchCoversEmptyListsAndTheLastRowOfAVeryLongOne()
{
    LoadedControl loaded({}, {});
    QVERIFY(loaded.load());
    ControlSurface &ui = loaded.ui;
    MessageBoxWatcher boxes;

    // An empty name is searched only through the id box, which a reload opens while "Name" stays chosen.
    click(ui.optFind[0]);
    QVERIFY(!isTextBoxWritable(ui.txtVendorID));
    loaded.reload();
    QVERIFY(isTextBoxWritable(ui.txtVendorID));
    typeInto(ui.txtVendorID, QStringLiteral("x"));
    QVERIFY(ui.cmdFind->isEnabled());
    QVERIFY(ui.txtVendorName->text().isEmpty());
    click(ui.cmdFind);
    QCOMPARE(boxes.texts(), QStringList{"Not found"});

    constexpr int rowCount = 40000;
    const int last = rowCount - 1;
    std::vector<CenterRow> rows(rowCount);
    for (int i = 0; i < rowCount; ++i) {
        CenterRow &row = rows[static_cast<std::size_t>(i)];
        row.id = QStringLiteral("%1").arg(i + 1, 5, 10, QLatin1Char('0'));
        row.subItem(ColName) = i == last ? QStringLiteral("Zebra Terminal") : QStringLiteral("Center %1").arg(i);
        row.subItem(ColSortKey) = row.id;
    }
    ui.lstCenters->setSortKey(ColSortKey);
    ui.lstCenters->addRows(std::move(rows));
    QCOMPARE(ui.lstCenters->count(), rowCount);
    QCOMPARE(ui.lstCenters->text(last), QStringLiteral("40000"));
    // The empty name matches the first row.
    click(ui.cmdFind);
    QCOMPARE(highlightedIds(ui.lstCenters), QStringList{"00001"});
    QCOMPARE(boxes.seen().size(), 1);

    click(ui.optFind[1]);
    eraseAll(ui.txtVendorID);
    typeInto(ui.txtVendorID, QStringLiteral("40000"));
    click(ui.cmdFind);
    QCOMPARE(ui.lstCenters->highlightedPositions(), std::vector<int>{last});
    QCOMPARE(ui.lstCenters->currentPosition(), std::optional<int>(last));
    const auto lastRowShown = [list = ui.lstCenters, last] {
        return list->viewport()->rect().intersects(list->visualRect(list->model()->index(last, 0)));
    };
    QVERIFY(lastRowShown());

    ui.lstCenters->setHighlighted(0, true);
    ui.lstCenters->scrollToTop();
    click(ui.optFind[0]);
    typeInto(ui.txtVendorName, QStringLiteral("zebra"));
    click(ui.cmdFind);
    QCOMPARE(ui.lstCenters->highlightedPositions(), std::vector<int>{last});
    QVERIFY(lastRowShown());

    // No match at all: the walk ends at the last row and reports it.
    eraseAll(ui.txtVendorName);
    typeInto(ui.txtVendorName, QStringLiteral("yak"));
    click(ui.cmdFind);
    QCOMPARE(boxes.texts(), (QStringList{"Not found", "Not found"}));
}

QTEST_MAIN(FindPanelTest)
#include "find_panel_test.moc"
