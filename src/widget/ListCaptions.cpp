#include "widget/ListCaptions.h"

#include <vendorcenter/Vendor_Center.h>

namespace vendorcenter {

QString nonSelectedCaption(int rows, CountedBy countedBy)
{
    return (countedBy == CountedBy::Load ? Vendor_Center::tr("Non Selected Active Centers (%1):")
                                         : Vendor_Center::tr("Non Selected Active Centers(%1):"))
        .arg(rows);
}

QString selectedCaption(int rows)
{
    return Vendor_Center::tr("Selected Centers (%1):").arg(rows);
}

} // namespace vendorcenter
