#include "widget/ListCaptions.h"

#include <QCoreApplication>

namespace vendorcenter {

namespace {

// The control's texts share one translation context.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Vendor_Center)
};

} // namespace

QString nonSelectedCaption(int rows, CountedBy countedBy)
{
    return (countedBy == CountedBy::Load ? Texts::tr("Non Selected Active Centers (%1):")
                                         : Texts::tr("Non Selected Active Centers(%1):"))
        .arg(rows);
}

QString selectedCaption(int rows)
{
    return Texts::tr("Selected Centers (%1):").arg(rows);
}

} // namespace vendorcenter
