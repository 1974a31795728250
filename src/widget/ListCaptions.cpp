#include "widget/ListCaptions.h"

namespace vendorcenter {

QString nonSelectedCaption(int rows, CountedBy countedBy)
{
    const QLatin1String beforeCount = countedBy == CountedBy::Load ? QLatin1String("Non Selected Active Centers (")
                                                                   : QLatin1String("Non Selected Active Centers(");
    return beforeCount + QString::number(rows) + QLatin1String("):");
}

QString selectedCaption(int rows)
{
    return QLatin1String("Selected Centers (") + QString::number(rows) + QLatin1String("):");
}

} // namespace vendorcenter
