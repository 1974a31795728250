#include <vendorcenter/Vendor_Center.h>

#include "core/FormEncoding.h"
#include "net/InternetTransfer.h"
#include "widget/ChangeJournal.h"
#include "widget/VendorCenterPrivate.h"

#include <QDynamicPropertyChangeEvent>

namespace vendorcenter {

namespace {

constexpr double kDialogFontPoints = 7.5;
constexpr char kTransferTimeoutProperty[] = "transferTimeoutMs";

} // namespace

Vendor_Center::Vendor_Center(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Vendor_Center"));
    // The captions were laid out for a small 8-point dialog font.
    QFont dialogFont = font();
    dialogFont.setPointSizeF(kDialogFontPoints);
    setFont(dialogFont);
    d = std::make_unique<VendorCenterPrivate>(this);
    setCursor(Qt::ArrowCursor);
}

Vendor_Center::~Vendor_Center() = default;

QVariant Vendor_Center::LetDataFromDatabase(const qint32 &vendorId, const QString &serverBase)
{
    d->letDataFromDatabase(vendorId, serverBase);
    return {};
}

void Vendor_Center::SaveToDatabase()
{
    d->saveToDatabase();
}

bool Vendor_Center::commit()
{
    return d->commit();
}

QString Vendor_Center::urlEncode(const QString &text) const
{
    return vendorcenter::urlEncode(text);
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
        d->setTransferTimeoutMs(valid && ms > 0 ? ms : InternetTransfer::kDefaultTimeoutMs);
    }
    return QWidget::event(event);
}

QUndoStack *Vendor_Center::undoStack() const
{
    return d->journal->undoStack();
}

bool Vendor_Center::hasPendingChanges() const
{
    return d->pendingSummary.any();
}

QSize Vendor_Center::sizeHint() const
{
    const double dpi = logicalDpiX();
    return {twipsToPixels(kDesignWidthTwips, dpi), twipsToPixels(kDesignHeightTwips, dpi)};
}

} // namespace vendorcenter
