#include <vendorcenter/EventLog.h>
#include <vendorcenter/Vendor_Center.h>
#include <vendorcenter/Version.h>

#include "widget/CaptionFit.h"
#include "widget/CenterListView.h"
#include "widget/ChangeJournal.h"
#include "core/Failure.h"
#include "widget/LoadProgressBar.h"
#include "widget/VendorCenterPrivate.h"
#include "widget/CenterMoves.h"
#include "widget/ListEvents.h"
#include "widget/ListGestures.h"
#include "widget/RoomToWork.h"
#include "widget/FeePanel.h"
#include "widget/FindPanel.h"
#include "widget/CenterQueries.h"
#include "core/FormEncoding.h"
#include "net/InternetTransfer.h"
#include "widget/SaveFlow.h"
#include "widget/TransferCompletion.h"
#include "net/XmlFetcher.h"

#include <QDynamicPropertyChangeEvent>
#include <QLabel>
#include <QPushButton>

#include <cmath>


namespace vendorcenter {

namespace {

// Both lists stand 3975 twips wide on the control.
constexpr double kListWidthTwips = 3975;
constexpr double kDialogFontPoints = 7.5;
constexpr char kTransferTimeoutProperty[] = "transferTimeoutMs";

const QStringList &columnHeaders()
{
    static const QStringList headers{QStringLiteral("ID"),           QStringLiteral("Name"),
                                     QStringLiteral("CountryID"),    QStringLiteral("Handling Fee"),
                                     QStringLiteral("Duty Brokerage Fee"), QStringLiteral("Date Updated"),
                                     QStringLiteral("ID")};
    return headers;
}

void addCenterColumns(CenterListView *list, double listWidthTwips, double dpi)
{
    const VisibleColumnWidths widths = visibleColumnWidths(listWidthTwips);
    const int idPixels = twipsToPixels(widths.id, dpi);
    const int namePixels = twipsToPixels(widths.id + widths.name, dpi) - idPixels;
    const QStringList &headers = columnHeaders();
    for (int column = 0; column < headers.size(); ++column) {
        const int width = column == ColId ? idPixels : column == ColName ? namePixels : 0;
        list->addColumn(headers.at(column), width);
    }
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
    return QStringLiteral("Version Number: %1.%2.%3")
        .arg(VENDORCENTER_VERSION_MAJOR)
        .arg(VENDORCENTER_VERSION_MINOR)
        .arg(VENDORCENTER_VERSION_PATCH);
}

VendorCenterPrivate::VendorCenterPrivate(Vendor_Center *control)
    : q(control), ui(buildSurface(control)), fetcher(std::make_unique<XmlFetcher>()),
      Inet1(new InternetTransfer(control))
{
    completion = std::make_unique<TransferCompletion>(*Inet1, control);
    fees = std::make_unique<FeePanel>(ui);
    moves = std::make_unique<CenterMoves>(ui, *fees);
    listEvents = std::make_unique<ListEvents>(ui, *fees, *moves);
    find = std::make_unique<FindPanel>(ui, *fees);
    save = std::make_unique<SaveFlow>(ui, state, *Inet1, control,
                                      [this] { letDataFromDatabase(state.mlVendorID, QString()); });
    journal = std::make_unique<ChangeJournal>(ui, control);
    QObject::connect(moves.get(), &CenterMoves::editStarting, journal.get(), &ChangeJournal::editStarting);
    QObject::connect(moves.get(), &CenterMoves::editFinished, journal.get(), &ChangeJournal::editFinished);
    QObject::connect(fees.get(), &FeePanel::editStarting, journal.get(), &ChangeJournal::editStarting);
    QObject::connect(fees.get(), &FeePanel::editFinished, journal.get(), &ChangeJournal::editFinished);
    QObject::connect(journal.get(), &ChangeJournal::pendingChangesChanged, control, &Vendor_Center::pendingChangesChanged);
    gestures = std::make_unique<ListGestures>(ui, *moves, control);
}

VendorCenterPrivate::~VendorCenterPrivate() = default;

void VendorCenterPrivate::startUp()
{
    const double dpi = q->logicalDpiX();
    addCenterColumns(ui.lstSelectedCenters, kListWidthTwips, dpi);
    addCenterColumns(ui.lstCenters, kListWidthTwips, dpi);
    ui.lblVersionNumber->setText(versionCaption());
}

void VendorCenterPrivate::letDataFromDatabase(qint32 vendorId, const QString &serverName)
{
    try {
        ui.cmdCommit->setEnabled(false);
        q->setCursor(Qt::WaitCursor);
        state.mlVendorID = vendorId;
        if (!serverName.isEmpty())
            state.mtServerName = serverName;
        ui.lstCenters->clearRows();
        ui.lstSelectedCenters->clearRows();

        LoadTarget target{ui, state, *fetcher};
        loadCenterCounts(target);
        loadActiveCenters(target);
        loadSelectedCenters(target);

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
    // The lists were emptied, whether or not they filled again.
    journal->listsLoaded();
}

VendorCenterPrivate &privateOf(Vendor_Center &control)
{
    return *control.d;
}

Vendor_Center::Vendor_Center(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Vendor_Center"));
    // The captions were laid out for a small 8-point dialog font.
    QFont dialogFont = font();
    dialogFont.setPointSizeF(kDialogFontPoints);
    setFont(dialogFont);
    d = std::make_unique<VendorCenterPrivate>(this);
    d->startUp();
    d->room = std::make_unique<RoomToWork>(d->ui, this);
    fitCaptions(this);
    setCursor(Qt::ArrowCursor);
}

Vendor_Center::~Vendor_Center() = default;

QVariant Vendor_Center::LetDataFromDatabase(const qint32 &plVendorID, const QString &ptServerName)
{
    d->letDataFromDatabase(plVendorID, ptServerName);
    return {};
}

void Vendor_Center::SaveToDatabase()
{
    d->save->save();
}

QString Vendor_Center::urlEncode(const QString &theData) const
{
    return vendorcenter::urlEncode(theData);
}

bool Vendor_Center::event(QEvent *event)
{
    // The one internal hook, for tests of slow or silent servers: the dynamic
    // property "transferTimeoutMs" sets the time-out of the load queries and
    // of the post, in milliseconds (60 s unless set).
    if (event->type() == QEvent::DynamicPropertyChange
        && static_cast<QDynamicPropertyChangeEvent *>(event)->propertyName() == kTransferTimeoutProperty) {
        bool valid = false;
        const int ms = property(kTransferTimeoutProperty).toInt(&valid);
        const int timeoutMs = valid && ms > 0 ? ms : InternetTransfer::kDefaultTimeoutMs;
        d->fetcher->setTimeoutMs(timeoutMs);
        d->Inet1->setTimeoutMs(timeoutMs);
    }
    return QWidget::event(event);
}

QUndoStack *Vendor_Center::undoStack() const
{
    return d->journal->undoStack();
}

bool Vendor_Center::hasPendingChanges() const
{
    return d->journal->hasPendingChanges();
}

QSize Vendor_Center::sizeHint() const
{
    const double dpi = logicalDpiX();
    return {twipsToPixels(kDesignWidthTwips, dpi), twipsToPixels(kDesignHeightTwips, dpi)};
}

} // namespace vendorcenter
