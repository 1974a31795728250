#include "core/PendingChanges.h"

#include "core/Formats.h"
#include "core/Marks.h"

#include <QCoreApplication>
#include <QStringList>

namespace vendorcenter::pending {

namespace {

// The control's texts share one translation context, the control's own,
// whose class this layer does not see.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(vendorcenter::Vendor_Center)
};

// Fees as the fee panel writes them, two decimals; a text that is no number stays as it is.
QString feeText(const QString &fee)
{
    const std::optional<double> value = formats::readNumber(formats::withoutBlanks(fee));
    return value ? formats::fixed(*value, 2) : fee;
}

} // namespace

QString description(const CenterRow &row, Change change, const QString &feeAsLoaded)
{
    switch (change) {
    case Change::None:
        break;
    case Change::Add:
        if (marks::flagOf(row.duty()) == QLatin1String("1"))
            return Texts::tr("Will be added: handling fee %1 %, duty/brokerage fee").arg(feeText(row.handlingFee()));
        return Texts::tr("Will be added: handling fee %1 %").arg(feeText(row.handlingFee()));
    case Change::FeeChange:
        if (feeAsLoaded.isEmpty())
            return Texts::tr("Handling fee changes to %1").arg(feeText(row.handlingFee()));
        return Texts::tr("Handling fee changes: %1 -> %2").arg(feeText(feeAsLoaded), feeText(row.handlingFee()));
    case Change::Remove:
        return Texts::tr("Will be removed");
    }
    return {};
}

void Summary::count(Change change, int times)
{
    toAdd += change == Change::Add ? times : 0;
    feeChanges += change == Change::FeeChange ? times : 0;
    toRemove += change == Change::Remove ? times : 0;
}

QString summaryText(const Summary &summary)
{
    QStringList parts;
    if (summary.toAdd > 0)
        parts << Texts::tr("%1 to add").arg(summary.toAdd);
    if (summary.feeChanges == 1)
        parts << Texts::tr("1 fee change");
    else if (summary.feeChanges > 1)
        parts << Texts::tr("%1 fee changes").arg(summary.feeChanges);
    if (summary.toRemove > 0)
        parts << Texts::tr("%1 to remove").arg(summary.toRemove);
    return parts.join(QStringLiteral(", "));
}

} // namespace vendorcenter::pending
