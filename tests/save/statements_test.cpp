#include "core/Failure.h"
#include "core/Formats.h"
#include "core/Marks.h"
#include "core/Statements.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace vendorcenter;
using statements::CenterRows;

namespace {

const QString kInsert7 = QStringLiteral(
    "INSERT INTO VendorCenterCrossReference (VendorID,CenterID,CenterHandlingFee,DutyBrokerageFee,RecordLastUpdated) "
    "VALUES (12,7,0.08,1,GETDATE() ) ");
const QString kUpdate9 = QStringLiteral("UPDATE VendorCenterCrossReference SET CenterHandlingFee= 0.05, "
                                        "DutyBrokerageFee= 0, RecordLastUpdated = GETDATE()  WHERE CenterID = 9 AND "
                                        "vendorID = 12");
const QString kDelete35 = QStringLiteral("DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(3,5)");

CenterRow row(const QString &id, const QString &fee, const QString &duty)
{
    CenterRow r;
    r.id = id;
    r.subItem(ColName) = QStringLiteral("Center ") + id;
    r.subItem(ColHandlingFee) = fee;
    r.subItem(ColDuty) = duty;
    r.subItem(ColSortKey) = marks::sortKeyFor(id);
    return r;
}

QStringList statementsFor(qint32 vendorId, const std::vector<CenterRow> &selected,
                          const std::vector<CenterRow> &nonSelected)
{
    return statements::saveStatements(vendorId, CenterRows(selected), CenterRows(nonSelected));
}

int failureNumber(qint32 vendorId, const std::vector<CenterRow> &selected, const std::vector<CenterRow> &nonSelected)
{
    try {
        statementsFor(vendorId, selected, nonSelected);
    } catch (const Failure &failure) {
        return failure.number();
    }
    return 0;
}

class Statements : public ::testing::Test
{
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
};

} // namespace

TEST_F(Statements, TheWorkedExampleForVendor12)
{
    const QStringList result = statementsFor(12, {row("7", "8.00", "1N"), row("9", "5.0", "0U")},
                                             {row("3", "", "1D"), row("5", "", "0DU")});
    EXPECT_EQ(result, (QStringList{kInsert7, kUpdate9, kDelete35}));
}

TEST_F(Statements, OnlyNAndUInTheSelectedListAndEveryMarkInTheOtherListCount)
{
    const QStringList result = statementsFor(
        12,
        {row("7", "8.00", "1N"), row("9", "5.0", "0U"), row("4", "3.00", "1"), row("6", "1.00", "1D"),
         row("8", "1.00", "1n"), row("2", "12.50", "1DU"), row("1", "nonsense", " 0 ")},
        {row("3", "", "1D"), row("10", "", "1"), row("5", "", "0DU"), row("11", "", "0"), row("13", "", "1X"),
         row("14", "", "")});
    ASSERT_EQ(result.size(), 4);
    EXPECT_EQ(result[0], kInsert7);
    EXPECT_EQ(result[1], kUpdate9);
    EXPECT_EQ(result[2], QStringLiteral("UPDATE VendorCenterCrossReference SET CenterHandlingFee= 0.125, "
                                        "DutyBrokerageFee= 1, RecordLastUpdated = GETDATE()  WHERE CenterID = 2 AND "
                                        "vendorID = 12"));
    EXPECT_EQ(result[3],
              QStringLiteral("DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(3,5,13,14)"));
}

TEST_F(Statements, NumbersAndIdsAreWrittenPlainly)
{
    const QStringList result =
        statementsFor(-7, {row("-4", "0.00", "0N"), row("0042", "100", "1N"), row("5", "33.333333333333333", "0N")},
                      {});
    ASSERT_EQ(result.size(), 3);
    EXPECT_TRUE(result[0].contains(QStringLiteral("VALUES (-7,-4,0,0,GETDATE() ) "))) << result[0].toStdString();
    EXPECT_TRUE(result[1].contains(QStringLiteral("VALUES (-7,0042,1,1,GETDATE() ) "))) << result[1].toStdString();
    EXPECT_TRUE(result[2].contains(QStringLiteral("VALUES (-7,5,0.333333333333333,0,GETDATE() ) ")))
        << result[2].toStdString();
}

TEST_F(Statements, NothingMarkedGivesNoStatementAndAnEmptyBody)
{
    const QStringList result = statementsFor(12, {row("7", "8.00", "1")}, {row("3", "", "0")});
    EXPECT_TRUE(result.isEmpty());
    EXPECT_TRUE(statements::postBody(result).isEmpty());
}

TEST_F(Statements, BodyHasOneSqlFieldPerStatementAndEndsWithAnAmpersand)
{
    EXPECT_EQ(statements::postBody({QStringLiteral("a b"), QStringLiteral("c=d")}), QByteArray("SQL=a+b&SQL=c%3Dd&"));
    EXPECT_EQ(statements::postBody({kDelete35}),
              QByteArray("SQL=DELETE+FROM+VENDORCENTERCROSSREFERENCE+WHERE+VendorID%3D12+AND+CenterID+IN%283%2C5%29&"));
}

TEST_F(Statements, TheSavedBodyIsTheEncodedStatements)
{
    // The save writes the body straight from the rows; it must be exactly
    // the statements, encoded one by one.
    for (const QLocale &locale : {QLocale(QLocale::English), QLocale(QLocale::German), QLocale(QLocale::Arabic)}) {
        QLocale::setDefault(locale);
        const QString fee = locale.toString(12.5, 'f', 1);
        const std::vector<CenterRow> selected = {
            row("7", fee, "1N"),        row("-4", fee, "0U"),   row("0042", "100", "12N"),
            row("5", locale.toString(33.3333, 'f', 4), "0N"),  row("6", fee, " 1 N "), row("8", "0", "1"),
            row("9", fee, "0DU"),       row("10", fee, "1U"),
        };
        const std::vector<CenterRow> nonSelected = {row("3", "", "1D"), row("11", "", "0"), row("-12", "", "0N")};
        for (const qint32 vendorId : {12, -7, 2147483647}) {
            const QByteArray body = statements::saveBody(vendorId, CenterRows(selected), CenterRows(nonSelected));
            EXPECT_EQ(body, statements::postBody(statementsFor(vendorId, selected, nonSelected)))
                << locale.name().toStdString() << " " << vendorId;
        }
    }
}

TEST_F(Statements, FeeTextThatIsNoNumberFailsTheSaveOnlyWhereAStatementNeedsIt)
{
    EXPECT_EQ(failureNumber(12, {row("7", "", "1N")}, {}), Failure::TypeMismatch);
    EXPECT_EQ(failureNumber(12, {row("7", "eight", "0U")}, {}), Failure::TypeMismatch);
    EXPECT_EQ(failureNumber(12, {row("7", "8.00.0", "1N")}, {}), Failure::TypeMismatch);
    // Rows that give no statement, and deletions, never read the fee.
    EXPECT_EQ(failureNumber(12, {row("7", "eight", "1"), row("8", "x", "1D")}, {row("3", "x", "1D")}), 0);
}

TEST_F(Statements, CenterIdThatIsNotAPlainIntegerFailsBeforeAnySql)
{
    EXPECT_TRUE(formats::isAsciiInteger(QStringLiteral("7")));
    EXPECT_TRUE(formats::isAsciiInteger(QStringLiteral("-12")));
    EXPECT_TRUE(formats::isAsciiInteger(QStringLiteral("0007")));
    for (const QString &id : {QString(), QStringLiteral("-"), QStringLiteral(" 7"), QStringLiteral("7 "),
                              QStringLiteral("+7"), QStringLiteral("7.0"), QStringLiteral("1e3"),
                              QStringLiteral("٣"), QStringLiteral("7) OR 1=1 --"), QStringLiteral("7;DROP TABLE x")}) {
        EXPECT_FALSE(formats::isAsciiInteger(id)) << id.toStdString();
        EXPECT_EQ(failureNumber(12, {row(id, "8.00", "1N")}, {}), Failure::TypeMismatch) << id.toStdString();
        EXPECT_EQ(failureNumber(12, {row(id, "8.00", "1U")}, {}), Failure::TypeMismatch) << id.toStdString();
        EXPECT_EQ(failureNumber(12, {}, {row(id, "", "1D")}), Failure::TypeMismatch) << id.toStdString();
        // An unmarked row is never written into a statement.
        EXPECT_EQ(failureNumber(12, {row(id, "8.00", "1")}, {row(id, "", "0")}), 0) << id.toStdString();
    }
}

TEST_F(Statements, AtMost32767StatementsFit)
{
    std::vector<CenterRow> inserts;
    inserts.reserve(32'767);
    for (int id = 1; id <= 32'766; ++id)
        inserts.push_back(row(QString::number(id), "1.00", "1N"));

    const QStringList full = statementsFor(12, inserts, {row("40000", "", "1D")});
    EXPECT_EQ(full.size(), 32'767);
    EXPECT_TRUE(full.back().startsWith(QStringLiteral("DELETE ")));

    inserts.push_back(row("32767", "1.00", "1N"));
    EXPECT_EQ(failureNumber(12, inserts, {row("40000", "", "1D")}), Failure::Overflow);
}

TEST_F(Statements, CommaDecimalLocaleReadsTheUsersFeeAndStillWritesAPoint)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QStringList result = statementsFor(12, {row("7", "8,00", "1N"), row("9", "12,5", "0U")}, {});
    ASSERT_EQ(result.size(), 2);
    EXPECT_EQ(result[0], kInsert7);
    EXPECT_TRUE(result[1].startsWith(QStringLiteral("UPDATE VendorCenterCrossReference SET CenterHandlingFee= 0.125, ")))
        << result[1].toStdString();
}
