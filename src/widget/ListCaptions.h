#pragma once

#include <QString>

namespace vendorcenter {

// Who last counted the rows under the two list labels. The load writes a
// blank before the non-selected count and a move writes none; hosts and
// users have seen both texts, so both stay.
enum class CountedBy { Load, Move };

// "Non Selected Active Centers (n):" after a load, "Non Selected Active Centers(n):" after a move.
QString nonSelectedCaption(int rows, CountedBy countedBy);
// "Selected Centers (n):"
QString selectedCaption(int rows);

} // namespace vendorcenter
