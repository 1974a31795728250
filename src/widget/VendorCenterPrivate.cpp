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
#include "widget/ListCaptions.h"
#include "widget/ListEvents.h"
#include "widget/ListGestures.h"
#include "widget/LoadProgressBar.h"
#include "widget/SaveFlow.h"
#include "widget/TransferCompletion.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

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
    completion = std::make_unique<TransferCompletion>(*transfer, control);
    fees = std::make_unique<FeePanel>(
        FeePanel::Widgets {ui.txtCntHandFee, ui.chkDuty, ui.cmdcenterHandFee, ui.lstSelectedCenters, control});
    moves = std::make_unique<CenterMoves>(ui.lstCenters, ui.lstSelectedCenters);
    listEvents = std::make_unique<ListEvents>(ui.lstCenters, ui.lstSelectedCenters, ui.mnuRemove);
    find =
        std::make_unique<FindPanel>(FindPanel::Widgets {{ui.optList[0], ui.optList[1]}, {ui.optFind[0], ui.optFind[1]},
            ui.txtVendorID, ui.txtVendorName, ui.cmdFind, {ui.lstCenters, ui.lstSelectedCenters}, control});
    save = std::make_unique<SaveFlow>(state, *transfer, ui.lstCenters, ui.lstSelectedCenters, control);
    journal = std::make_unique<ChangeJournal>(
        ui, buttons, [this] { showButtonStates(); }, control);
    gestures = std::make_unique<ListGestures>(ui, *moves, control);
    announcer = new Announcer(ui.fraMain, *moves, ui.lstCenters, ui.lstSelectedCenters, control);
    wirePanels();
    startUp();
    fitCaptions(control);
}

VendorCenterPrivate::~VendorCenterPrivate() = default;

void VendorCenterPrivate::wirePanels()
{
    QObject::connect(ui.cmdAdd, &QPushButton::clicked, moves.get(), &CenterMoves::add);
    QObject::connect(ui.cmdDelete, &QPushButton::clicked, moves.get(), &CenterMoves::remove);
    QObject::connect(ui.cmdAddAll, &QPushButton::clicked, moves.get(), &CenterMoves::addAll);
    QObject::connect(ui.cmdRemoveAll, &QPushButton::clicked, moves.get(), &CenterMoves::removeAll);
    QObject::connect(ui.lstCenters, &CenterListView::rowDoubleClicked, moves.get(), &CenterMoves::add);
    QObject::connect(ui.lstSelectedCenters, &CenterListView::rowDoubleClicked, moves.get(), &CenterMoves::remove);
    QObject::connect(ui.mnuRemoveItems, &QAction::triggered, moves.get(), &CenterMoves::remove);
    QObject::connect(ui.cmdCommit, &QPushButton::clicked, q, [this] { commit(); });

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

    QObject::connect(fees.get(), &FeePanel::feeSaved, q, [this] { afterFeeSaved(); });

    // Each move and each saved fee is one step to undo.
    QObject::connect(moves.get(), &CenterMoves::editStarting, journal.get(), &ChangeJournal::editStarting);
    QObject::connect(moves.get(), &CenterMoves::editFinished, journal.get(), &ChangeJournal::editFinished);
    QObject::connect(fees.get(), &FeePanel::editStarting, journal.get(), &ChangeJournal::editStarting);
    QObject::connect(fees.get(), &FeePanel::editFinished, journal.get(), &ChangeJournal::editFinished);
    QObject::connect(journal.get(), &ChangeJournal::pendingChangesChanged, q, &Vendor_Center::pendingChangesChanged);

    QObject::connect(find.get(), &FindPanel::findBoxClicked, q, [this] { resetFeePanel(); });
    QObject::connect(find.get(), &FindPanel::optionClicked, q, [this] { resetFeePanelIfInUse(); });
    QObject::connect(find.get(), &FindPanel::findTextChanged, q, [this](bool hasText) {
        buttons.findTextChanged(hasText);
        showButtonStates();
    });
}

void VendorCenterPrivate::startUp()
{
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

void VendorCenterPrivate::letDataFromDatabase(qint32 vendorId, const QString &serverName)
{
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
        journal->listsCleared();
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
    // The lists were emptied, whether or not they filled again.
    journal->listsLoaded();
}

void VendorCenterPrivate::afterListLoaded(Side side)
{
    buttons.listLoaded(side);
    showButtonStates();
    find->openIdBox();
}

void VendorCenterPrivate::commit()
{
    buttons.commitStarted();
    showButtonStates();

    const bool saved = save->save();
    ui.prbLoad->setValue(0);
    if (!saved) {
        announcer->saveFailed();
        buttons.commitFailed();
        showButtonStates();
        return;
    }
    letDataFromDatabase(state.vendorId, QString());
}

} // namespace vendorcenter
