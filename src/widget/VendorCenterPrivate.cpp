#include "widget/VendorCenterPrivate.h"

#include <vendorcenter/EventLog.h>
#include <vendorcenter/Version.h>

#include "core/Failure.h"
#include "net/InternetTransfer.h"
#include "net/XmlFetcher.h"
#include "widget/Announcer.h"
#include "widget/CaptionFit.h"
#include "widget/CenterListView.h"
#include "widget/CenterMoves.h"
#include "widget/CenterQueries.h"
#include "widget/ChangeJournal.h"
#include "widget/FeePanel.h"
#include "widget/FindPanel.h"
#include "widget/InputBlock.h"
#include "widget/ListCaptions.h"
#include "widget/ListEvents.h"
#include "widget/LoadProgressBar.h"
#include "widget/SaveFlow.h"
#include "widget/UndoKeys.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <cmath>

namespace vendorcenter {

namespace {

// Both lists stand 3975 twips wide on the control.
constexpr double kListWidthTwips = 3975;

QStringList columnHeaders()
{
    return {Vendor_Center::tr("ID"), Vendor_Center::tr("Name"), Vendor_Center::tr("CountryID"),
        Vendor_Center::tr("Handling Fee"), Vendor_Center::tr("Duty Brokerage Fee"), Vendor_Center::tr("Date Updated"),
        Vendor_Center::tr("ID")};
}

void addCenterColumns(CenterListView *list, double listWidthTwips, double dpi)
{
    const VisibleColumnWidths widths = visibleColumnWidths(listWidthTwips);
    const int idPixels = twipsToPixels(widths.id, dpi);
    const int namePixels = twipsToPixels(widths.id + widths.name, dpi) - idPixels;
    const QStringList headers = columnHeaders();
    for (int column = 0; column < headers.size(); ++column) {
        const int width = column == ColId ? idPixels : column == ColName ? namePixels : 0;
        list->addColumn(headers.at(column), width);
    }
}

CenterListView *listOn(const ControlSurface &ui, Side side)
{
    return side == Side::Selected ? ui.lstSelectedCenters : ui.lstCenters;
}

// Where the rows of a move stand in the list they moved to.
PositionRuns arrivedRuns(const MoveDelta &delta)
{
    std::vector<int> positions = delta.targetPositions;
    std::sort(positions.begin(), positions.end());
    return runsOf(positions);
}

QString stepText(const MoveIntent &intent)
{
    if (intent.to == Side::Selected)
        return intent.several ? CenterMoves::tr("Select centers") : CenterMoves::tr("Select center");
    return intent.several ? CenterMoves::tr("Deselect centers") : CenterMoves::tr("Deselect center");
}

} // namespace

VisibleColumnWidths visibleColumnWidths(double listWidth)
{
    const double rounded = std::nearbyint(listWidth);
    // The width and four times the width are 16-bit quantities.
    if (rounded < -32768.0 || rounded > 32767.0 || rounded * 4 < -32768.0 || rounded * 4 > 32767.0)
        throw Failure::overflow();
    return {rounded / 5.0, rounded * 4 / 5.0};
}

QString versionCaption()
{
    return Vendor_Center::tr("Version Number: %1.%2.%3")
        .arg(VENDORCENTER_VERSION_MAJOR)
        .arg(VENDORCENTER_VERSION_MINOR)
        .arg(VENDORCENTER_VERSION_PATCH);
}

VendorCenterPrivate::VendorCenterPrivate(Vendor_Center *control)
    : q(control), ui(buildSurface(control)), fetcher(std::make_unique<XmlFetcher>()),
      transfer(new InternetTransfer(control))
{
    fees = std::make_unique<FeePanel>(
        FeePanel::Widgets {ui.txtCntHandFee, ui.chkDuty, ui.cmdcenterHandFee, ui.lstSelectedCenters, control});
    moves = std::make_unique<CenterMoves>(ui.lstCenters, ui.lstSelectedCenters);
    listEvents = std::make_unique<ListEvents>(ui.lstCenters, ui.lstSelectedCenters, ui.mnuRemove);
    find =
        std::make_unique<FindPanel>(FindPanel::Widgets {{ui.optList[0], ui.optList[1]}, {ui.optFind[0], ui.optFind[1]},
            ui.txtVendorID, ui.txtVendorName, ui.cmdFind, {ui.lstCenters, ui.lstSelectedCenters}, control});
    announcer = new Announcer(ui.fraMain, ui.lstCenters, ui.lstSelectedCenters, control);
    save = std::make_unique<SaveFlow>(state, *transfer, ui.lstCenters, ui.lstSelectedCenters, *announcer, control);
    journal = std::make_unique<ChangeJournal>(
        [this](const EditStep &step, ChangeJournal::Direction direction) { putBack(step, direction); },
        [this](const SortedList &sort, ChangeJournal::Direction direction) {
            listOn(ui, sort.side)->putReorder(sort.reorder, direction == ChangeJournal::Direction::Redo);
        });
    wirePanels();
    startUp();
    fitCaptions(control);
}

VendorCenterPrivate::~VendorCenterPrivate() = default;

// Every gesture of the control and what it runs: each edit goes through
// move() or saveFee(), and so becomes one undo step.
void VendorCenterPrivate::wirePanels()
{
    const auto moveOne = [this](Side to) { return [this, to] { move({to, false}); }; };
    const auto moveSeveral = [this](Side to) { return [this, to] { move({to, true}); }; };
    // ">", and a double click or Return on a non-selected row.
    QObject::connect(ui.cmdAdd, &QPushButton::clicked, q, moveOne(Side::Selected));
    QObject::connect(ui.lstCenters, &CenterListView::rowActivated, q, moveOne(Side::Selected));
    // "<", a double click or Return on a selected row, the pop-up "Remove" and Delete.
    QObject::connect(ui.cmdDelete, &QPushButton::clicked, q, moveOne(Side::NonSelected));
    QObject::connect(ui.lstSelectedCenters, &CenterListView::rowActivated, q, moveOne(Side::NonSelected));
    QObject::connect(ui.mnuRemoveItems, &QAction::triggered, q, moveOne(Side::NonSelected));
    QObject::connect(ui.lstSelectedCenters, &CenterListView::deleteRequested, ui.mnuRemoveItems, &QAction::trigger);
    // ">>" and "<<".
    QObject::connect(ui.cmdAddAll, &QPushButton::clicked, q, moveSeveral(Side::Selected));
    QObject::connect(ui.cmdRemoveAll, &QPushButton::clicked, q, moveSeveral(Side::NonSelected));
    // Ctrl+Right / Ctrl+Left and a drop: the highlighted rows, as ">"/"<" or ">>"/"<<".
    QObject::connect(
        ui.lstCenters, &CenterListView::highlightedMoveRequested, q, [this] { moveHighlightedOf(ui.lstCenters); });
    QObject::connect(ui.lstSelectedCenters, &CenterListView::highlightedMoveRequested, q,
        [this] { moveHighlightedOf(ui.lstSelectedCenters); });
    QObject::connect(
        ui.lstSelectedCenters, &CenterListView::rowsDropped, q, [this] { moveHighlightedOf(ui.lstCenters); });
    QObject::connect(
        ui.lstCenters, &CenterListView::rowsDropped, q, [this] { moveHighlightedOf(ui.lstSelectedCenters); });
    // "Save" in the fee panel.
    QObject::connect(fees.get(), &FeePanel::feeEntered, q, [this](const FeeIntent &intent) { saveFee(intent); });
    // "Commit to Database".
    QObject::connect(ui.cmdCommit, &QPushButton::clicked, q, [this] { commit(); });

    // What a move means for the rest of the control.
    QObject::connect(moves.get(), &CenterMoves::movedOne, q, [this](Side to) { afterMovedOne(to); });
    QObject::connect(moves.get(), &CenterMoves::movedHighlighted, q, [this](Side to) { afterMovedHighlighted(to); });

    QObject::connect(listEvents.get(), &ListEvents::emptyListClicked, q, [this] {
        buttons.emptyListClicked();
        showButtonStates();
    });
    QObject::connect(listEvents.get(), &ListEvents::nonSelectedClicked, q, [this](bool several) {
        resetFeePanel();
        buttons.nonSelectedClicked(several);
        showButtonStates();
    });
    QObject::connect(listEvents.get(), &ListEvents::selectedClicked, fees.get(), &FeePanel::leaveEditing);
    QObject::connect(listEvents.get(), &ListEvents::selectedRowClicked, q,
        [this](int position, bool several) { afterSelectedRowClicked(position, several); });

    QObject::connect(
        listEvents.get(), &ListEvents::listSorted, q, [this](const CenterListView *list, const ListReorder &reorder) {
            journal->listSorted(list == ui.lstSelectedCenters ? Side::Selected : Side::NonSelected, reorder);
        });
    QObject::connect(journal.get(), &ChangeJournal::stepped, q, [this] { refreshPendingSummary(); });
    addUndoKeys(q, journal->undoStack(), {ui.txtCntHandFee, ui.txtVendorID, ui.txtVendorName});

    QObject::connect(find.get(), &FindPanel::findBoxClicked, q, [this] { resetFeePanel(); });
    QObject::connect(find.get(), &FindPanel::optionClicked, q, [this] { resetFeePanelIfInUse(); });
    QObject::connect(find.get(), &FindPanel::findTextChanged, q, [this](bool hasText) {
        buttons.findTextChanged(hasText);
        showButtonStates();
    });
}

void VendorCenterPrivate::move(const MoveIntent &intent)
{
    EditStep step;
    step.before = captureLook(ui, buttons, *fees, q);
    MoveDelta delta = moves->apply(intent);
    step.after = captureLook(ui, buttons, *fees, q);
    if (!delta.sourcePositions.empty())
        announcer->moved(intent.to, static_cast<int>(delta.sourcePositions.size()));
    // A move that went nowhere leaves no step, unless it changed what the
    // labels or the commit button show.
    if (delta.changedNothing() && step.before.allVendorsCaption == step.after.allVendorsCaption
        && step.before.selVendorsCaption == step.after.selVendorsCaption
        && step.before.buttons.commit == step.after.buttons.commit)
        return;
    // An undo points at the rows it puts back, so the highlight before the
    // move is not needed; the highlight after it is mostly the moved rows.
    if (!delta.sourcePositions.empty()) {
        step.before.centers.highlighted = PositionRuns();
        step.before.selectedCenters.highlighted = PositionRuns();
        ListLook &arrived = intent.to == Side::Selected ? step.after.selectedCenters : step.after.centers;
        if (arrived.highlighted == arrivedRuns(delta)) {
            arrived.highlighted = PositionRuns();
            arrived.movedRowsHighlighted = true;
        }
    }
    step.delta = std::move(delta);
    journal->record(stepText(intent), std::move(step));
}

void VendorCenterPrivate::moveHighlightedOf(CenterListView *source)
{
    const Side to = source == ui.lstCenters ? Side::Selected : Side::NonSelected;
    const std::vector<int> highlighted = source->highlightedPositions();
    if (highlighted.size() == 1) {
        // ">" and "<" move the current row: the highlighted one.
        source->setCurrentPosition(highlighted.front());
        move({to, false});
    } else if (highlighted.size() > 1) {
        move({to, true});
    }
}

void VendorCenterPrivate::saveFee(const FeeIntent &intent)
{
    EditStep step;
    step.before = captureLook(ui, buttons, *fees, q);
    try {
        step.delta = writeFee(ui.lstSelectedCenters, intent);
    } catch (const Failure &) {
        return;
    }
    fees->leaveEditing();
    afterFeeSaved();
    step.after = captureLook(ui, buttons, *fees, q);
    // An undo points at the changed row, so the highlight before is not needed.
    step.before.centers.highlighted = PositionRuns();
    step.before.selectedCenters.highlighted = PositionRuns();
    journal->record(FeePanel::tr("Change handling fee"), std::move(step));
}

void VendorCenterPrivate::putBack(const EditStep &step, ChangeJournal::Direction direction)
{
    const bool undo = direction == ChangeJournal::Direction::Undo;
    if (const auto *moved = std::get_if<MoveDelta>(&step.delta))
        undo ? moves->undo(*moved) : moves->redo(*moved);
    else if (const auto *fee = std::get_if<FeeDelta>(&step.delta))
        putFee(ui.lstSelectedCenters, fee->position, undo ? fee->feeBefore : fee->feeAfter,
            undo ? fee->dutyBefore : fee->dutyAfter);

    const ControlLook &look = undo ? step.before : step.after;
    ui.lblAllVendors->setText(look.allVendorsCaption);
    ui.lblSelVendors->setText(look.selVendorsCaption);
    ui.optList[look.listToSearch]->setChecked(true);
    buttons.listsRestored(look.buttons);
    showButtonStates();

    if (undo) {
        // The rows the edit took away (or changed) come back highlighted, and
        // the buttons and the fee panel are left as a click on them leaves them.
        if (const auto *moved = std::get_if<MoveDelta>(&step.delta); moved && !moved->sourcePositions.empty()) {
            const Side from = moved->to == Side::Selected ? Side::NonSelected : Side::Selected;
            pointAtRestoredRows(listOn(ui, from), moved->sourcePositions);
            return;
        }
        if (const auto *fee = std::get_if<FeeDelta>(&step.delta)) {
            pointAtRestoredRows(ui.lstSelectedCenters, {fee->position});
            return;
        }
    }
    // Otherwise the control as the step found or left it.
    ui.lstCenters->clearHighlights();
    ui.lstSelectedCenters->clearHighlights();
    const auto *moved = std::get_if<MoveDelta>(&step.delta);
    const PositionRuns movedRows = moved ? arrivedRuns(*moved) : PositionRuns();
    putLook(ui.lstCenters, look.centers, movedRows);
    putLook(ui.lstSelectedCenters, look.selectedCenters, movedRows);
    buttons.editButtonsRestored(look.buttons);
    showButtonStates();
    if (undo)
        return;
    fees->putBack(look.feeEditing, look.feeText, look.feeWritable, look.dutyChecked);
    if (look.focus)
        look.focus->setFocus();
}

void VendorCenterPrivate::pointAtRestoredRows(CenterListView *list, const std::vector<int> &positions)
{
    CenterListView *other = list == ui.lstCenters ? ui.lstSelectedCenters : ui.lstCenters;
    other->clearHighlights();
    highlightExactly(list, runsOf(positions));
    list->selectionModel()->setCurrentIndex(list->model()->index(positions.front(), 0), QItemSelectionModel::NoUpdate);
    list->ensureVisible(positions.front());
    list->setFocus();
    listEvents->clickedOn(list);
}

void VendorCenterPrivate::refreshPendingSummary()
{
    pendingSummary =
        ui.lstSelectedCenters->centerModel()->pendingSummary() + ui.lstCenters->centerModel()->pendingSummary();
    ui.cmdCommit->setToolTip(pending::summaryText(pendingSummary));
    emit q->pendingChangesChanged();
}

void VendorCenterPrivate::startUp()
{
    ui.lstSelectedCenters->centerModel()->setHoldsSelectedCenters(true);
    ui.lstCenters->setPartner(ui.lstSelectedCenters, Qt::Key_Right, /*deleteMovesRow*/ false);
    ui.lstSelectedCenters->setPartner(ui.lstCenters, Qt::Key_Left, /*deleteMovesRow*/ true);
    const double dpi = q->logicalDpiX();
    addCenterColumns(ui.lstSelectedCenters, kListWidthTwips, dpi);
    addCenterColumns(ui.lstCenters, kListWidthTwips, dpi);
    ui.lblVersionNumber->setText(versionCaption());
    showButtonStates();
}

void VendorCenterPrivate::showButtonStates()
{
    ui.cmdAdd->setEnabled(buttons.add);
    ui.cmdAddAll->setEnabled(buttons.addAll);
    ui.cmdDelete->setEnabled(buttons.remove);
    ui.cmdRemoveAll->setEnabled(buttons.removeAll);
    ui.cmdCommit->setEnabled(buttons.commit);
    for (const Side side : {Side::NonSelected, Side::Selected})
        ui.optList[static_cast<int>(side)]->setEnabled(buttons.listToSearch[static_cast<std::size_t>(side)]);
    ui.optFind[0]->setEnabled(buttons.searchKeys);
    ui.optFind[1]->setEnabled(buttons.searchKeys);
    ui.txtVendorID->setEnabled(buttons.searchKeys);
    ui.cmdFind->setEnabled(buttons.find);
    ui.cmdcenterHandFee->setEnabled(buttons.feeUpdate);
    // The duty flag is shown here, never edited.
    ui.chkDuty->setEnabled(false);
}

void VendorCenterPrivate::resetFeePanel()
{
    fees->reset();
    buttons.feePanelReset();
    showButtonStates();
}

void VendorCenterPrivate::resetFeePanelIfInUse()
{
    // The panel is in use while its "Update" button can be pressed.
    if (ui.cmdcenterHandFee->isEnabled())
        resetFeePanel();
    fees->leaveEditing();
}

void VendorCenterPrivate::showListCounts()
{
    ui.lblSelVendors->setText(selectedCaption(ui.lstSelectedCenters->count()));
    ui.lblAllVendors->setText(nonSelectedCaption(ui.lstCenters->count(), CountedBy::Move));
}

void VendorCenterPrivate::afterMovedOne(Side to)
{
    const Side from = to == Side::Selected ? Side::NonSelected : Side::Selected;
    if (to == Side::Selected)
        fees->clearFields();
    showListCounts();
    buttons.movedOne(to, listOn(ui, from)->count() == 0);
    showButtonStates();
    if (to == Side::NonSelected)
        resetFeePanel();
    find->searchIn(to);
}

void VendorCenterPrivate::afterMovedHighlighted(Side to)
{
    const Side from = to == Side::Selected ? Side::NonSelected : Side::Selected;
    showListCounts();
    buttons.movedHighlighted(to, listOn(ui, from)->count() == 0);
    showButtonStates();
    if (to == Side::NonSelected)
        resetFeePanel();
    find->searchIn(to);
}

void VendorCenterPrivate::afterSelectedRowClicked(int position, bool several)
{
    fees->showRow(ui.lstSelectedCenters->row(position));
    if (several)
        fees->clearFields();
    buttons.selectedRowShown(several);
    showButtonStates();
}

void VendorCenterPrivate::afterFeeSaved()
{
    buttons.feeSaved();
    showButtonStates();
    ui.lstSelectedCenters->setFocus();
}

void VendorCenterPrivate::setTransferTimeoutMs(int ms)
{
    fetcher->setTimeoutMs(ms);
    transfer->setTimeoutMs(ms);
}

bool VendorCenterPrivate::letDataFromDatabase(qint32 vendorId, const QString &serverName)
{
    bool loaded = false;
    state.listVersion.clear();
    try {
        buttons.loadStarted();
        showButtonStates();
        q->setCursor(Qt::WaitCursor);
        state.vendorId = vendorId;
        if (!serverName.isEmpty())
            state.serverName = serverName;
        LoadTarget target {ui.lstCenters, ui.lstSelectedCenters, ui.prbLoad, state, *fetcher};
        // Asked for first: the server page answers the counts while the old
        // rows and their undo steps are freed here.
        requestCenterCounts(target);
        ui.lstCenters->clearRows();
        ui.lstSelectedCenters->clearRows();
        journal->clear();
        loadCenterCounts(target);
        ui.lblAllVendors->setText(nonSelectedCaption(state.nonSelectedCount, CountedBy::Load));
        ui.lblSelVendors->setText(selectedCaption(state.selectedCount));
        loadActiveCenters(target);
        afterListLoaded(Side::NonSelected);
        loadSelectedCenters(target);
        afterListLoaded(Side::Selected);
        announcer->loadFinished();

        ui.prbLoad->setValue(0);
        q->setCursor(Qt::ArrowCursor);
        loaded = true;
    } catch (const Failure &failure) {
        q->setCursor(Qt::ArrowCursor);
        writeEventLog(QStringLiteral("KelvoVendor_Center LetDataFromDatabase : %1: %2")
                          .arg(failure.number())
                          .arg(failure.description()));
    } catch (const std::bad_alloc &) {
        q->setCursor(Qt::ArrowCursor);
        writeEventLog(QStringLiteral("KelvoVendor_Center LetDataFromDatabase : 7: Out of memory"));
    }
    // A reply asked for ahead and not read, after a failure, must not stand in
    // for the next load's.
    fetcher->dropPrefetched();
    // The lists were emptied, whether or not they filled again; rows come
    // from the server without marks, so nothing is pending.
    journal->clear();
    ui.lstSelectedCenters->centerModel()->rememberFeesAsLoaded();
    pendingSummary = {};
    ui.cmdCommit->setToolTip(QString());
    emit q->pendingChangesChanged();
    return loaded;
}

void VendorCenterPrivate::afterListLoaded(Side side)
{
    buttons.listLoaded(side);
    showButtonStates();
    find->openIdBox();
}

SaveFlow::Outcome VendorCenterPrivate::saveHoldingEdits()
{
    // A host that saves again from inside the wait gets no second post.
    if (saving_)
        return SaveFlow::Outcome::Failed;
    saving_ = true;
    const InputBlock noEdits(q);
    journal->hold();
    const SaveFlow::Outcome outcome = save->save();
    journal->release();
    saving_ = false;
    return outcome;
}

bool VendorCenterPrivate::commit()
{
    if (saving_)
        return false;
    buttons.commitStarted();
    showButtonStates();

    const SaveFlow::Outcome outcome = saveHoldingEdits();
    ui.prbLoad->setValue(0);
    switch (outcome) {
    case SaveFlow::Outcome::Accepted:
        letDataFromDatabase(state.vendorId, QString());
        return true;
    case SaveFlow::Outcome::ReloadKeepingEdits:
        reloadKeepingEdits();
        return false;
    case SaveFlow::Outcome::Failed:
        break;
    }
    announcer->saveFailed();
    buttons.commitFailed();
    showButtonStates();
    return false;
}

void VendorCenterPrivate::saveToDatabase()
{
    if (saveHoldingEdits() == SaveFlow::Outcome::ReloadKeepingEdits)
        reloadKeepingEdits();
}

void VendorCenterPrivate::reloadKeepingEdits()
{
    const std::vector<ReplayedEdit> edits = takeEditsBack(*journal, ui.lstCenters, ui.lstSelectedCenters);
    // The lists as they were loaded, should the new load fail.
    const CenterListModel &nonSelected = *ui.lstCenters->centerModel();
    const CenterListModel &selected = *ui.lstSelectedCenters->centerModel();
    std::vector<CenterRow> nonSelectedRows = nonSelected.rows();
    std::vector<CenterRow> selectedRows = selected.rows();
    const ControlState stateBefore = state;
    const QString captionsBefore[] = {ui.lblAllVendors->text(), ui.lblSelVendors->text()};

    if (letDataFromDatabase(state.vendorId, QString())) {
        const QStringList skipped = replay(edits);
        if (!skipped.isEmpty()) {
            QMessageBox box(QMessageBox::Information, Vendor_Center::tr("Vendor Center Cross Reference"),
                skippedMessage(skipped), QMessageBox::Ok, q);
            box.setTextFormat(Qt::PlainText);
            box.exec();
        }
        return;
    }
    ui.lstCenters->restoreRows(std::move(nonSelectedRows), nonSelected.sortColumn(), nonSelected.sortOrder());
    ui.lstSelectedCenters->restoreRows(std::move(selectedRows), selected.sortColumn(), selected.sortOrder());
    ui.lstSelectedCenters->centerModel()->rememberFeesAsLoaded();
    state = stateBefore;
    afterListLoaded(Side::NonSelected);
    afterListLoaded(Side::Selected);
    // As the user saw them before the reload; the edits replayed below move them on.
    ui.lblAllVendors->setText(captionsBefore[0]);
    ui.lblSelVendors->setText(captionsBefore[1]);
    replay(edits);
    QMessageBox box(QMessageBox::Warning, Vendor_Center::tr("Vendor Center Cross Reference"),
        Vendor_Center::tr("The lists could not be loaded again. Your changes are kept on the lists as they were."),
        QMessageBox::Ok, q);
    box.exec();
}

QStringList VendorCenterPrivate::replay(const std::vector<ReplayedEdit> &edits)
{
    QStringList skipped;
    for (const ReplayedEdit &edit : edits) {
        if (edit.kind == ReplayedEdit::Kind::Fee) {
            const FoundCenters found = findCenters(ui.lstSelectedCenters, edit.ids);
            if (found.positions.empty())
                skipped.push_back(skippedLine(edit, edit.ids.value(0), false));
            else
                saveFee({found.positions.front(), edit.fee});
            continue;
        }
        CenterListView *source = listOn(ui, edit.to == Side::Selected ? Side::NonSelected : Side::Selected);
        const FoundCenters found = findCenters(source, edit.ids);
        if (!found.missing.isEmpty()) {
            const FoundCenters there = findCenters(listOn(ui, edit.to), found.missing);
            const QSet<QString> elsewhere(there.missing.cbegin(), there.missing.cend());
            for (const QString &id : found.missing)
                skipped.push_back(skippedLine(edit, id, !elsewhere.contains(id)));
        }
        if (found.positions.empty())
            continue;
        if (edit.several) {
            source->clearHighlights();
            source->setMultiSelect(true);
            highlightExactly(source, runsOf(found.positions));
        } else {
            source->setCurrentPosition(found.positions.front());
        }
        move({edit.to, edit.several});
    }
    return skipped;
}

} // namespace vendorcenter
