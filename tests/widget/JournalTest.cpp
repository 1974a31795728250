// The change journal, driven as a user and a host would: undo and redo of
// every kind of edit, the keys and drops against the buttons they stand for,
// and what the control tells about its pending changes.

#include "ControlDriver.h"

#include <QAction>
#include <QMimeData>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QUndoStack>

using vendorcenter::Vendor_Center;

namespace {

// A control loaded with vendor 12, with what the journal's cases read and do on top of the shared driver.
struct Journaled : ControlDriver
{
    Journaled()
    {
        std::vector<Active> active;
        for (int id = 1; id <= 12; ++id)
            active.push_back(
                {QString::number(id), QStringLiteral("Center %1").arg(id), id % 3 ? "1" : "2", "01/02/2020"});
        QVERIFY(load(active,
            {{"20", "Montreal", "0.05", "true"}, {"21", "Quebec", "0.075", "false"}, {"22", "Laval", "0.1", "1"},
                {"23", "Gatineau", "0.125", "0"}},
            1));
    }

    QAbstractItemView *list(const QString &name) const { return widget<QAbstractItemView>(name); }
    QUndoStack *stack() const { return control.undoStack(); }
    QString idAt(QAbstractItemView *view, int row) const { return ids(view).value(row); }
    void highlight(QAbstractItemView *view, const QList<int> &rows)
    {
        for (int i = 0; i < rows.size(); ++i)
            clickRow(view, idAt(view, rows[i]), i == 0 ? Qt::NoModifier : Qt::ControlModifier);
    }
    // Drags the highlighted rows of `source` onto `target`, as the mouse would drop them.
    void drop(QAbstractItemView *source, QAbstractItemView *target) const
    {
        const std::unique_ptr<QMimeData> data(source->model()->mimeData(source->selectionModel()->selectedIndexes()));
        const QPointF at = target->viewport()->rect().center();
        // Passing over the target moves nothing yet.
        const QStringList before = ids(source);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(target->viewport(), &enter);
        QDragMoveEvent passing(at.toPoint(), Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(target->viewport(), &passing);
        QCOMPARE(ids(source), before);
        QDropEvent dropped(at, Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(target->viewport(), &dropped);
    }

    // Both lists row by row, all seven columns (or all but the date), the labels, the commit button and its summary.
    QStringList state(bool withDates = true) const
    {
        QStringList lines {text("lblAllVendors"), text("lblSelVendors"), enabled("cmdCommit") ? "on" : "off",
            widget("cmdCommit")->toolTip()};
        for (const QAbstractItemView *view : {centers(), chosen()}) {
            for (const QString &row : rows(view))
                lines << view->objectName() + ':'
                        + (withDates ? row : row.section('|', 0, Updated - 1) + "||" + row.section('|', SortKey));
        }
        return lines;
    }
    // What each list shows highlighted, the fee panel and the focus: an undo
    // points at the rows it put back, a redo shows what the edit left.
    QStringList highlights() const
    {
        return {highlighted(centers()).join(','), highlighted(chosen()).join(','), text("txtCntHandFee"),
            QString::number(checked("chkDuty")), control.focusWidget() ? control.focusWidget()->objectName() : ""};
    }
    QByteArray commitBody()
    {
        page.clearRequests();
        click("cmdCommit");
        return page.requests().value(0).method == "POST" ? page.requests().first().body : QByteArray();
    }
    // The statements a commit would send now, left unsaved: the server page refuses them.
    QByteArray refusedCommitBody()
    {
        page.setPostReply({500, "Try again later.", "text/plain"});
        const QByteArray body = commitBody();
        page.setPostReply({200, "saved", "text/plain"});
        // The refusal's message box took the window's activation; the keys need it back.
        control.window()->activateWindow();
        [&] { QVERIFY(QTest::qWaitForWindowActive(control.window())); }();
        return body;
    }

    // A random edit of every kind the control offers, picked by `random`;
    // a click on a header now and then re-sorts a list under the next moves.
    void randomEdit(QRandomGenerator &random)
    {
        const int kind = random.bounded(11);
        QAbstractItemView *source = kind % 2 ? chosen() : centers();
        const int rows = source->model()->rowCount();
        if (rows == 0)
            return;
        const int row = random.bounded(rows);
        QList<int> several {row};
        for (int extra = random.bounded(1, 3); extra > 0; --extra)
            several << (row + extra * 3) % rows;
        if (kind < 2) {
            clickRow(source, idAt(source, row));
            click(kind ? "cmdDelete" : "cmdAdd");
        } else if (kind == 8) {
            clickHeader(source, random.bounded(2));
        } else if (kind == 9 || kind == 10) {
            clickRow(source, idAt(source, row));
            QTest::keyClick(source, kind == 9 ? Qt::Key_Return : Qt::Key_Delete);
        } else if (kind == 4) {
            doubleClickRow(source, idAt(source, row));
        } else if (kind == 5) {
            clickRow(source, idAt(source, row));
            saveFee(QString::number(random.bounded(1, 99)) + QStringLiteral(".5"));
        } else {
            highlight(source, several);
            if (kind == 6)
                QTest::keyClick(source, Qt::Key_Right, Qt::ControlModifier);
            else if (kind == 7)
                drop(source, centers());
            else
                click(kind == 3 ? "cmdRemoveAll" : "cmdAddAll");
        }
    }
};

} // namespace

class JournalTest : public QObject
{
    Q_OBJECT

private slots:
    void undoAllThenRedoAllGivesBackEachState()
    {
        for (const quint32 seed : {7u, 1234u, 99u, 2026u, 31u}) {
            Journaled journaled;
            // Undoing everything goes back to the lists as the first edit found
            // them, redoing everything to the lists as the last edit left them
            // (a sort by a header click is no edit of its own).
            QStringList beforeFirstEdit;
            QStringList afterEdits;
            QStringList highlightsAfterEdits;
            QString buttonsAfterEdits;
            QByteArray statements;
            QRandomGenerator random(seed);
            for (int edit = 0; edit < 40; ++edit) {
                const int steps = journaled.stack()->count();
                if (steps == 0)
                    beforeFirstEdit = journaled.state();
                journaled.randomEdit(random);
                if (journaled.stack()->count() != steps) {
                    afterEdits = journaled.state();
                    highlightsAfterEdits = journaled.highlights();
                    buttonsAfterEdits = journaled.moveButtons();
                    statements = journaled.refusedCommitBody();
                }
            }
            journaled.clickHeader(journaled.centers(), 1); // a sort after the last edit, taken back by its undo
            QVERIFY(!statements.isEmpty());
            QVERIFY(journaled.stack()->count() > 10);

            // The keys work wherever the focus is in the control, a text box included.
            QWidget *focus[] = {journaled.centers(), journaled.box("txtVendorID")};
            const auto press = [&focus](int step, Qt::Key key, Qt::KeyboardModifiers modifiers) {
                focus[step % 2]->setFocus();
                QTest::keyClick(focus[step % 2], key, modifiers);
            };
            for (int step = journaled.stack()->count(); step > 0; --step)
                press(step, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(journaled.state(), beforeFirstEdit);
            for (int step = journaled.stack()->count(); step > 0; --step)
                step % 3 ? press(step, Qt::Key_Y, Qt::ControlModifier)
                         : press(step, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(journaled.state(), afterEdits);
            QCOMPARE(journaled.highlights(), highlightsAfterEdits);
            QCOMPARE(journaled.moveButtons(), buttonsAfterEdits);
            QCOMPARE(journaled.refusedCommitBody(), statements);
        }
    }

    void keysAndDropsDoWhatTheirButtonsDo_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<QString>("button"); // empty: nothing happens
        const auto row = [](const char *name, const char *source, QList<int> rows, const char *gesture,
                             const char *button) { QTest::newRow(name) << source << rows << gesture << button; };
        row("Return as a double click", "lstCenters", {3}, "Return", "double click");
        row("Enter as a double click", "lstSelectedCenters", {1}, "Enter", "double click");
        row("Delete as Remove", "lstSelectedCenters", {2}, "Delete", "mnuRemoveItems");
        row("Ctrl+Right one as >", "lstCenters", {4}, "Ctrl+Right", "cmdAdd");
        row("Ctrl+Right several as >>", "lstCenters", {1, 5, 6}, "Ctrl+Right", "cmdAddAll");
        row("Ctrl+Left one as <", "lstSelectedCenters", {0}, "Ctrl+Left", "cmdDelete");
        row("Ctrl+Left several as <<", "lstSelectedCenters", {0, 3}, "Ctrl+Left", "cmdRemoveAll");
        row("drop one as >", "lstCenters", {2}, "drop", "cmdAdd");
        row("drop several as >>", "lstCenters", {0, 7, 9}, "drop", "cmdAddAll");
        row("drop several as <<", "lstSelectedCenters", {1, 2}, "drop", "cmdRemoveAll");
        row("drop on its own list", "lstCenters", {2, 3}, "drop back", "");
    }

    void keysAndDropsDoWhatTheirButtonsDo()
    {
        QFETCH(QString, source);
        QFETCH(QList<int>, rows);
        QFETCH(QString, gesture);
        QFETCH(QString, button);
        Journaled byGesture;
        Journaled byButton;
        const QString target = source == "lstCenters" ? "lstSelectedCenters" : "lstCenters";

        QAbstractItemView *from = byGesture.list(source);
        byGesture.highlight(from, rows);
        if (gesture == "Return" || gesture == "Enter")
            QTest::keyClick(from, gesture == "Return" ? Qt::Key_Return : Qt::Key_Enter);
        else if (gesture == "Delete")
            QTest::keyClick(from, Qt::Key_Delete);
        else if (gesture.startsWith("Ctrl+"))
            QTest::keyClick(from, gesture.endsWith("Right") ? Qt::Key_Right : Qt::Key_Left, Qt::ControlModifier);
        else
            byGesture.drop(from, gesture == "drop" ? byGesture.list(target) : from);

        if (button == "double click") {
            byButton.doubleClickRow(byButton.list(source), byButton.idAt(byButton.list(source), rows.front()));
        } else {
            byButton.highlight(byButton.list(source), rows);
            if (button == "mnuRemoveItems")
                byButton.widget<QAction>(button)->trigger();
            else if (!button.isEmpty())
                byButton.click(button);
        }

        QCOMPARE(byGesture.state(false), byButton.state(false));
        QCOMPARE(byGesture.moveButtons(), byButton.moveButtons());
        QCOMPARE(byGesture.control.focusWidget()->objectName(), button.isEmpty() ? source : target);
        QCOMPARE(byGesture.stack()->count(), button.isEmpty() ? 0 : 1);
        if (!button.isEmpty()) // as the host's Edit menu names the undo
            QCOMPARE(byGesture.stack()->text(0),
                QString(source == "lstCenters" ? "Select center" : "Deselect center") + (rows.size() > 1 ? "s" : ""));
        byGesture.stack()->undo();
        // The rows are back highlighted, the buttons as a click on them leaves them.
        if (!button.isEmpty())
            QCOMPARE(byGesture.moveButtons(),
                source == "lstCenters" ? (rows.size() > 1 ? "01000" : "10000") : (rows.size() > 1 ? "00010" : "00101"));
        byGesture.stack()->redo();
        QCOMPARE(byGesture.commitBody(), byButton.commitBody());
    }

    void pendingChangesAreToldAndShown()
    {
        Journaled loaded;
        QSignalSpy told(&loaded.control, &Vendor_Center::pendingChangesChanged);
        QAbstractItemView *centers = loaded.centers();
        QAbstractItemView *selected = loaded.chosen();
        const QModelIndex unmarked = centers->model()->index(0, 0);
        const QVariant plainFont = unmarked.data(Qt::FontRole);

        loaded.doubleClickRow(centers, "3"); // country 2, duty default 1: with duty fee
        QVERIFY(told.count() == 1 && loaded.control.hasPendingChanges());
        loaded.clickRow(selected, "20");
        loaded.saveFee("7.5");
        QCOMPARE(loaded.widget("cmdCommit")->toolTip(), "1 to add, 1 fee change");
        loaded.clickRow(selected, "21");
        loaded.saveFee("1");
        loaded.doubleClickRow(selected, "22");
        QCOMPARE(told.count(), 4);
        QCOMPARE(loaded.widget("cmdCommit")->toolTip(), "1 to add, 2 fee changes, 1 to remove");

        using Marked = std::tuple<QAbstractItemView *, const char *, const char *>;
        QSet<QString> looks;
        for (const auto &[view, row, description] :
            {Marked {selected, "3", "Will be added: handling fee 8.00 %, duty/brokerage fee"},
                {selected, "20", "Handling fee changes: 5.00 -> 7.50"}, {centers, "22", "Will be removed"}}) {
            const QModelIndex id = ControlDriver::indexOf(view, row);
            QCOMPARE(id.data(Qt::ToolTipRole).toString(), description);
            QVERIFY(id.data(Qt::FontRole) != plainFont);
            looks << id.data(Qt::FontRole).value<QFont>().toString();
        }
        QCOMPARE(looks.size(), 3);
        QCOMPARE(unmarked.data(Qt::ToolTipRole), unmarked.data());

        while (loaded.stack()->canUndo())
            loaded.stack()->undo();
        QVERIFY(told.count() == 8 && !loaded.control.hasPendingChanges());
        loaded.stack()->redo();
        QVERIFY(told.count() == 9 && loaded.control.hasPendingChanges());
    }
};

QTEST_MAIN(JournalTest)
#include "JournalTest.moc"
