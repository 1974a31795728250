// The quick paths that keep the largest lists fast must give exactly what the
// general rules give: the list order and the id search against
// QString::compare, the reply readers' sort keys and numbers against the
// marks and formats rules, under more than one regional setting.

#include "core/CenterListModel.h"
#include "core/Formats.h"
#include "core/Marks.h"
#include "core/ReplyReaders.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

using namespace vendorcenter;

namespace {

int sign(int value)
{
    return (value > 0) - (value < 0);
}

const QStringList &texts()
{
    static const QStringList all{
        QString(), QStringLiteral("0"), QStringLiteral("0007"), QStringLiteral("7"), QStringLiteral("12"),
        QStringLiteral("123"), QStringLiteral("9999"), QStringLiteral("10000"), QStringLiteral("Warehouse"),
        QStringLiteral("WAREHOUSE"), QStringLiteral("warehousE east"), QStringLiteral("[a]"), QStringLiteral("_Z"),
        QStringLiteral("`a"), QStringLiteral("@"), QStringLiteral("Ärger"), QStringLiteral("ärger"),
        QStringLiteral("Straße"), QStringLiteral("STRASSE"), QStringLiteral("Ωmega"), QStringLiteral("ωMEGA"),
        QStringLiteral("a\u00C4"), QStringLiteral("A\u00E4b"), QString::fromUtf16(u"\U0001D400x"),
        QString::fromUtf16(u"\U00010400"), QString::fromUtf16(u"\U00010428"), QStringLiteral("K"),
        QStringLiteral("\u212A"), QStringLiteral("k"),
    };
    return all;
}

TEST(ListOrder, EveryPairComparesAsQtComparesIgnoringCase)
{
    for (const QString &a : texts()) {
        for (const QString &b : texts()) {
            EXPECT_EQ(sign(compareIgnoringCase(a, b)), sign(a.compare(b, Qt::CaseInsensitive)))
                << a.toStdString() << " / " << b.toStdString();
        }
    }
}

TEST(ListOrder, SortedListFollowsQtsCaseInsensitiveOrder)
{
    // Every text twice over (the stable order of equal keys counts too),
    // plus texts that share long beginnings.
    QStringList keys = texts() + texts();
    keys << QStringLiteral("abcdefgh") << QStringLiteral("ABCDEFGHi") << QStringLiteral("abcdefgh\u00E9")
         << QStringLiteral("abcdefg") << QStringLiteral("abcdefgH") << QStringLiteral("abcdefgh ")
         << QStringLiteral("0000000012") << QStringLiteral("000000001") << QString(QChar(1));
    for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
        CenterListModel model;
        std::vector<CenterRow> rows;
        for (qsizetype i = 0; i < keys.size(); ++i) {
            CenterRow &row = rows.emplace_back();
            row.id = QString::number(i);
            row.subItem(ColSortKey) = keys.at(i);
        }
        model.appendBlock(rows);
        model.setSort(ColSortKey, order);
        model.resort();

        std::stable_sort(rows.begin(), rows.end(), [order](const CenterRow &a, const CenterRow &b) {
            const int compared = a.sortKey().compare(b.sortKey(), Qt::CaseInsensitive);
            return order == Qt::AscendingOrder ? compared < 0 : compared > 0;
        });
        for (std::size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(model.row(static_cast<int>(i)).id, rows[i].id) << i;
    }
}

// A reply with one active row per id, in the positional layout the readers take.
std::string activeReply(const QStringList &ids, const QStringList &countries)
{
    std::string xml = "<r><v/><rows>";
    for (qsizetype i = 0; i < ids.size(); ++i) {
        xml += "<c><i>" + ids[i].toStdString() + "</i><n>Name</n><k>" + countries[i].toStdString() +
               "</k><a>1</a><y/><d>x</d></c>";
    }
    return xml + "</rows></r>";
}

std::string selectedReply(const QStringList &ids, const QStringList &fees)
{
    std::string xml = "<r><v/><s/><rows>";
    for (qsizetype i = 0; i < ids.size(); ++i)
        xml += "<c><i>" + ids[i].toStdString() + "</i><n>Name</n><f>" + fees[i].toStdString() + "</f><b>1</b></c>";
    return xml + "</rows></r>";
}

class RegionalSetting : public ::testing::TestWithParam<QLocale::Language>
{
protected:
    void SetUp() override
    {
        previous_ = QLocale();
        QLocale::setDefault(QLocale(GetParam()));
    }
    void TearDown() override { QLocale::setDefault(previous_); }

private:
    QLocale previous_;
};

TEST_P(RegionalSetting, ReadersGiveTheSortKeysOfTheMarksRule)
{
    const QStringList ids{QStringLiteral("7"),        QStringLiteral("0007"),  QStringLiteral("00012"),
                          QStringLiteral("0"),        QStringLiteral("000"),   QStringLiteral("12345"),
                          QStringLiteral("000012345"), QStringLiteral("999999999999999"),
                          QStringLiteral("1234567890123456"), QStringLiteral("A7"), QStringLiteral("-7"),
                          QStringLiteral(" 7"),        QStringLiteral("1,234"), QStringLiteral("7.5")};
    pugi::xml_document document;
    const std::string xml = activeReply(ids, QStringList(ids.size(), QStringLiteral("1")));
    ASSERT_TRUE(document.load_buffer(xml.data(), xml.size()));
    std::vector<CenterRow> rows;
    replies::readActiveRows(document.document_element(), 0, rows, {});
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(ids.size()));
    for (const CenterRow &row : rows)
        EXPECT_EQ(row.sortKey(), marks::sortKeyFor(row.id)) << row.id.toStdString();
}

// The row a one-row reply gives, or nothing when the reader refuses it.
template<typename Read>
std::optional<CenterRow> readOne(const std::string &xml, Read read)
{
    pugi::xml_document document;
    if (!document.load_buffer(xml.data(), xml.size()))
        return std::nullopt;
    std::vector<CenterRow> rows;
    try {
        read(document.document_element(), rows);
    } catch (const Failure &) {
        return std::nullopt;
    }
    return rows.at(0);
}

TEST_P(RegionalSetting, ReadersReadNumbersAsTheReplyNumberRule)
{
    const QStringList numbers{QStringLiteral("2"),    QStringLiteral("02"),    QStringLiteral("2.0"),
                              QStringLiteral("1.9"),  QStringLiteral("3"),     QStringLiteral("2,0"),
                              QStringLiteral("+2"),   QStringLiteral("2e0"),   QStringLiteral(" 2 "),
                              QStringLiteral("0.125"), QStringLiteral("0.08"), QStringLiteral("00.5"),
                              QStringLiteral("0,125"), QStringLiteral("1.000"), QStringLiteral("1,000"),
                              QStringLiteral("12.50"), QStringLiteral("0.0000001"), QStringLiteral(".5"),
                              QStringLiteral("5."),   QStringLiteral("1.2.3"), QStringLiteral("x")};
    for (const QString &number : numbers) {
        const std::optional<double> expected = formats::readReplyNumber(number);

        const std::optional<CenterRow> active =
            readOne(activeReply({QStringLiteral("1")}, {number}), [](pugi::xml_node root, std::vector<CenterRow> &rows) {
                replies::readActiveRows(root, 1, rows, {});
            });
        ASSERT_EQ(active.has_value(), expected.has_value()) << number.toStdString();
        if (active) {
            EXPECT_EQ(active->duty(), *expected == 2 ? QStringLiteral("1") : QStringLiteral("0")) << number.toStdString();
        }

        const std::optional<CenterRow> selected = readOne(
            selectedReply({QStringLiteral("1")}, {number}),
            [](pugi::xml_node root, std::vector<CenterRow> &rows) { replies::readSelectedRows(root, rows, {}); });
        ASSERT_EQ(selected.has_value(), expected.has_value()) << number.toStdString();
        if (selected) {
            EXPECT_EQ(selected->handlingFee(), formats::fixed(*expected * 100, 1)) << number.toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Locales, RegionalSetting,
                         ::testing::Values(QLocale::English, QLocale::German, QLocale::French, QLocale::Arabic));

} // namespace
