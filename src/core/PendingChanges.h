#pragma once

#include "core/CenterRow.h"
#include "core/Marks.h"

#include <QString>

// What a commit will do for the rows as they stand: the change a row's mark
// asks for (by the rules of marks::changeOf), the texts that tell the user,
// and the totals over both lists.
namespace vendorcenter::pending {

using marks::Change;
using marks::changeOf;

// What a commit does for the row, in a sentence: "Will be added: handling fee
// 8.00 %, duty/brokerage fee", "Handling fee changes: 5.00 -> 7.50", "Will be
// removed"; empty for a row that a commit leaves alone. `feeAsLoaded` is the
// row's fee when the list was loaded (empty when unknown).
QString description(const CenterRow &row, Change change, const QString &feeAsLoaded);

struct Summary
{
    int toAdd = 0;
    int feeChanges = 0;
    int toRemove = 0;

    bool any() const { return toAdd + feeChanges + toRemove > 0; }
    // Counts `change` once more (`times` 1) or once less (-1).
    void count(Change change, int times);
    Summary operator+(const Summary &other) const
    {
        return {toAdd + other.toAdd, feeChanges + other.feeChanges, toRemove + other.toRemove};
    }
    bool operator==(const Summary &) const = default;
};

// "3 to add, 1 fee change, 2 to remove", leaving out what is zero; empty for none.
QString summaryText(const Summary &summary);

} // namespace vendorcenter::pending
