#pragma once

#include "core/Failure.h"

#include <QString>

#include <array>

namespace vendorcenter {

// The columns of a center row. Column 0 is the item text (the center id);
// columns 1..6 are its sub-items.
enum CenterColumn : int {
    ColId = 0,
    ColName = 1,
    ColCountryId = 2,
    ColHandlingFee = 3,
    ColDuty = 4,
    ColDateUpdated = 5,
    ColSortKey = 6,
    CenterColumnCount = 7,
};

// One center as a list row: the item text and its six sub-items, all texts.
struct CenterRow
{
    QString id;
    std::array<QString, 6> subItems;

    // Sub-items are numbered 1..6; anything else is refused like a list view would.
    const QString &subItem(int n) const
    {
        checkSubItemIndex(n);
        return subItems[static_cast<std::size_t>(n - 1)];
    }
    QString &subItem(int n)
    {
        checkSubItemIndex(n);
        return subItems[static_cast<std::size_t>(n - 1)];
    }

    // Column 0 is the id, 1..6 the sub-items.
    const QString &column(int c) const { return c == ColId ? id : subItem(c); }

    const QString &name() const { return subItems[0]; }
    const QString &countryId() const { return subItems[1]; }
    const QString &handlingFee() const { return subItems[2]; }
    const QString &duty() const { return subItems[3]; }
    const QString &dateUpdated() const { return subItems[4]; }
    const QString &sortKey() const { return subItems[5]; }

    bool operator==(const CenterRow &other) const = default;

    static void checkSubItemIndex(int n)
    {
        if (n < 1 || n > 6)
            throw Failure::invalidPropertyValue();
    }
};

} // namespace vendorcenter
