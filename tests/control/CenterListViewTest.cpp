#include "widget/CenterListView.h"
#include "core/Failure.h"
#include "core/Marks.h"

#include <QTest>

using namespace vendorcenter;

namespace {

CenterRow center(int id, const QString &name)
{
    CenterRow row;
    row.id = QString::number(id);
    row.subItem(ColName) = name;
    row.subItem(ColDuty) = QStringLiteral("0");
    row.subItem(ColSortKey) = marks::sortKeyFor(row.id);
    return row;
}

QStringList ids(const CenterListView &list)
{
    QStringList out;
    for (int i = 0; i < list.count(); ++i)
        out << list.text(i);
    return out;
}

QStringList idsAt(const CenterListView &list, const std::vector<int> &positions)
{
    QStringList out;
    for (int p : positions)
        out << list.text(p);
    return out;
}

void addSevenColumns(CenterListView &list)
{
    for (const char *header : {"ID", "Name", "CountryID", "Handling Fee", "Duty Brokerage Fee", "Date Updated", "ID"})
        list.addColumn(QLatin1String(header), 0);
}

} // namespace

class CenterListViewTest : public QObject
{
    Q_OBJECT

private slots:
    void rowsStaySortedBySortKeyAndOrder()
    {
        CenterListView list;
        addSevenColumns(list);
        list.setSortKey(ColSortKey);
        list.addRows({center(12, "b"), center(7, "c"), center(123, "a")});
        QCOMPARE(ids(list), QStringList({"7", "12", "123"}));
        QCOMPARE(list.addRow(center(9, "d")), 1);
        QCOMPARE(ids(list), QStringList({"7", "9", "12", "123"}));
        list.setSortOrder(1);
        QCOMPARE(ids(list), QStringList({"123", "12", "9", "7"}));
        list.setSortKey(ColName);
        QCOMPARE(ids(list), QStringList({"9", "7", "12", "123"})); // descending by name
    }

    void highlightsFollowTheirRowsThroughASort()
    {
        CenterListView list;
        addSevenColumns(list);
        list.setSortKey(ColSortKey);
        list.addRows({center(5, "e"), center(1, "a")});
        list.addRows({center(3, "c"), center(9, "i"), center(2, "b")}, /*highlight=*/true);
        QCOMPARE(ids(list), QStringList({"1", "2", "3", "5", "9"}));
        QCOMPARE(idsAt(list, list.highlightedPositions()), QStringList({"2", "3", "9"}));
        QCOMPARE(list.highlightedCount(2), 2);
    }

    void scatteredRemovalsKeepTheOtherRows()
    {
        CenterListView list;
        addSevenColumns(list);
        list.setSortKey(ColSortKey);
        std::vector<CenterRow> rows;
        for (int id = 1; id <= 10; ++id)
            rows.push_back(center(id, QString()));
        list.addRows(rows);
        list.removePositions({0, 2, 3, 9});
        QCOMPARE(ids(list), QStringList({"2", "5", "6", "7", "8", "9"}));
        list.removePositions({1, 2});
        QCOMPARE(ids(list), QStringList({"2", "7", "8", "9"}));
    }

    void singleSelectLeavesOneHighlightedRow()
    {
        CenterListView list;
        addSevenColumns(list);
        list.addRows({center(1, "a"), center(2, "b"), center(3, "c")});
        list.setMultiSelect(true);
        list.setHighlighted(0, true);
        list.setHighlighted(2, true);
        QCOMPARE(list.highlightedPositions(), std::vector<int>({0, 2}));
        list.setMultiSelect(false);
        list.setHighlighted(1, true);
        QCOMPARE(list.highlightedPositions(), std::vector<int>({1}));
        QCOMPARE(list.currentPosition().value_or(-1), 1);
    }

    void findItemMatchesTheWholeId()
    {
        CenterListView list;
        addSevenColumns(list);
        list.setSortKey(ColSortKey);
        list.addRows({center(123, "x"), center(12, "y")});
        QCOMPARE(list.text(list.findItem("12").value_or(-1)), QStringLiteral("12"));
        QVERIFY(!list.findItem("1").has_value());
        QVERIFY(!list.findItem("").has_value());
    }

    void outOfRangeOperationsAreFailures()
    {
        CenterListView list;
        addSevenColumns(list);
        list.addRows({center(1, "a")});
        auto failureOf = [](const std::function<void()> &step) {
            try {
                step();
            } catch (const Failure &failure) {
                return failure.number();
            }
            return 0;
        };
        QCOMPARE(failureOf([&] { list.subItem(0, 7); }), int(Failure::InvalidPropertyValue));
        QCOMPARE(failureOf([&] { list.subItem(0, 0); }), int(Failure::InvalidPropertyValue));
        QCOMPARE(failureOf([&] { list.text(1); }), int(Failure::InvalidPropertyValue));
        QCOMPARE(failureOf([&] { list.setSortKey(7); }), int(Failure::InvalidPropertyValue));
        QVERIFY(!list.currentPosition().has_value());
    }
};

QTEST_MAIN(CenterListViewTest)
#include "CenterListViewTest.moc"
