#include "core/CenterListModel.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vendorcenter;

// The quick path for ASCII keys sorts exactly as Qt's case-insensitive
// compare, both ways, keeping equal keys in their order.
TEST(CenterListModel, SortsAsQtComparesIgnoringCase)
{
    const QStringList texts {QString(), "0", "0007", "7", "12", "123", "9999", "10000", "Warehouse", "WAREHOUSE",
        "warehousE east", "[a]", "_Z", "`a", "@", "Ärger", "ärger", "Straße", "STRASSE", "Ωmega", "ωMEGA", "a\u00C4",
        "A\u00E4b", QString::fromUtf16(u"\U0001D400x"), QString::fromUtf16(u"\U00010400"),
        QString::fromUtf16(u"\U00010428"), "K", "\u212A", "k", "abcdefgh", "ABCDEFGHi", "abcdefgh\u00E9", "abcdefg",
        "abcdefgH", "abcdefgh ", "0000000012", "000000001", QString(QChar(1))};
    for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
        std::vector<CenterRow> rows(2 * texts.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            rows[i].id = QString::number(i);
            rows[i].subItem(ColSortKey) = texts.at(qsizetype(i) % texts.size());
        }
        CenterListModel model;
        model.appendBlock(rows);
        model.setSort(ColSortKey, order);
        model.resort();
        std::stable_sort(rows.begin(), rows.end(), [order](const CenterRow &a, const CenterRow &b) {
            const int compared = a.sortKey().compare(b.sortKey(), Qt::CaseInsensitive);
            return order == Qt::AscendingOrder ? compared < 0 : compared > 0;
        });
        for (std::size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(model.row(int(i)).id, rows[i].id) << i;
    }
}
