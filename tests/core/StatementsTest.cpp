#include "core/Statements.h"
#include "core/Failure.h"
#include "core/Marks.h"

#include <gtest/gtest.h>

using namespace vendorcenter;

namespace {

const QString kInsert = QStringLiteral("INSERT INTO VendorCenterCrossReference (VendorID,CenterID,CenterHandlingFee,"
                                       "DutyBrokerageFee,RecordLastUpdated) VALUES (%1,GETDATE() ) ");
const QString kUpdate = QStringLiteral("UPDATE VendorCenterCrossReference SET CenterHandlingFee= %1, DutyBrokerageFee= "
                                       "%2, RecordLastUpdated = GETDATE()  WHERE CenterID = %3 AND vendorID = 12");
const QString kDelete = QStringLiteral("DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(%1)");

CenterRow row(const QString &id, const QString &fee, const QString &duty)
{
    CenterRow r;
    r.id = id;
    r.subItem(ColHandlingFee) = fee;
    r.subItem(ColDuty) = duty;
    r.subItem(ColSortKey) = marks::sortKeyFor(id);
    return r;
}

using Rows = std::vector<CenterRow>;

QStringList statementsFor(const Rows &selected, const Rows &others = {}, qint32 vendorId = 12)
{
    return statements::saveStatements(vendorId, statements::CenterRows(selected), statements::CenterRows(others));
}

int failureOf(const Rows &selected, const Rows &others = {})
{
    try {
        statementsFor(selected, others);
    } catch (const Failure &failure) {
        return failure.number();
    }
    return 0;
}

} // namespace

// Inserts for "N" and updates for "U" in the selected list, one delete for
// every other marked row of the other list; nothing else writes a statement.
TEST(Statements, MarksChooseTheStatements)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(
        statementsFor({row("7", "8.00", "1N"), row("9", "5.0", "0U"), row("4", "3.00", "1"), row("6", "1.00", "1D"),
                          row("8", "1.00", "1n"), row("2", "12.50", "1DU"), row("1", "nonsense", " 0 ")},
            {row("3", "", "1D"), row("10", "", "1"), row("5", "", "0DU"), row("11", "", "0"), row("13", "", "1X"),
                row("14", "", "")}),
        (QStringList {kInsert.arg("12,7,0.08,1"), kUpdate.arg("0.05", "0", "9"), kUpdate.arg("0.125", "1", "2"),
            kDelete.arg("3,5,13,14")}));
    EXPECT_TRUE(statementsFor({row("7", "8.00", "1")}, {row("3", "", "0")}).isEmpty());
    EXPECT_EQ(statementsFor(
                  {row("-4", "0.00", "0N"), row("0042", "100", "1N"), row("5", "33.333333333333333", "0N")}, {}, -7),
        (QStringList {kInsert.arg("-7,-4,0,0"), kInsert.arg("-7,0042,1,1"), kInsert.arg("-7,5,0.333333333333333,0")}));
}

// The save writes the body straight from the rows: exactly the statements,
// each an "SQL" field, under every regional setting.
TEST(Statements, BodyIsTheEncodedStatements)
{
    EXPECT_EQ(statements::postBody({"a b", "c=d"}), "SQL=a+b&SQL=c%3Dd&");
    EXPECT_TRUE(statements::postBody({}).isEmpty());
    QLocale::setDefault(QLocale(QLocale::German));
    const Rows selected = {row("7", "12,5", "1N"), row("-4", "12,5", "0U"), row("0042", "100", "12N"),
        row("6", "12,5", " 1 N "), row("8", "0", "1"), row("9", "1", "0DU")};
    const Rows others = {row("3", "", "1D"), row("11", "", "0"), row("-12", "", "0N")};
    EXPECT_EQ(statements::saveBody(2147483647, statements::CenterRows(selected), statements::CenterRows(others)),
        statements::postBody(statementsFor(selected, others, 2147483647)));
}

// A fee that is no number fails only where a statement needs it; an id that
// is not a plain integer fails before any SQL is written.
TEST(Statements, RowsThatCannotBeWrittenFail)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    for (const char *fee : {"", "eight", "8.00.0"})
        EXPECT_EQ(failureOf({row("7", fee, "1N")}), Failure::TypeMismatch) << fee;
    EXPECT_EQ(failureOf({row("7", "eight", "1"), row("8", "x", "1D")}, {row("3", "x", "1D")}), 0);
    for (const QString id : {"", "-", " 7", "7 ", "+7", "7.0", "1e3", "٣", "7) OR 1=1 --"}) {
        EXPECT_EQ(failureOf({row(id, "8.00", "1N")}), Failure::TypeMismatch) << id.toStdString();
        EXPECT_EQ(failureOf({row(id, "8.00", "1U")}), Failure::TypeMismatch) << id.toStdString();
        EXPECT_EQ(failureOf({}, {row(id, "", "1D")}), Failure::TypeMismatch) << id.toStdString();
        EXPECT_EQ(failureOf({row(id, "8.00", "1")}, {row(id, "", "0")}), 0) << id.toStdString();
    }
    Rows inserts;
    for (int id = 1; id <= 32'766; ++id)
        inserts.push_back(row(QString::number(id), "1.00", "1N"));
    EXPECT_EQ(statementsFor(inserts, {row("40000", "", "1D")}).value(32'766), kDelete.arg("40000"));
    inserts.push_back(row("32767", "1.00", "1N"));
    EXPECT_EQ(failureOf(inserts, {row("40000", "", "1D")}), Failure::Overflow) << "at most 32767 statements";
}
