#include "StatementParser.h"

#include <gtest/gtest.h>

using namespace vendorcenter::server;
using namespace std::string_literals;

const std::string kInsertInto =
    "INSERT INTO VendorCenterCrossReference (VendorID,CenterID,CenterHandlingFee,DutyBrokerageFee,RecordLastUpdated) ";
const std::string kInsert = kInsertInto + "VALUES (12,7,0.08,1,GETDATE() ) ";
const std::string kUpdateSet = "UPDATE VendorCenterCrossReference SET CenterHandlingFee= ";
const std::string kUpdate = kUpdateSet
    + "0.05, DutyBrokerageFee= 0, RecordLastUpdated = GETDATE()  "
      "WHERE CenterID = 9 AND vendorID = 12";
const std::string kDeleteWhere = "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=";
const std::string kDelete = kDeleteWhere + "12 AND CenterID IN(3,5)";
// A removal of `count` centers, the most the control sends in one being 32,767.
static std::string deleteOf(int count)
{
    std::string ids = "1";
    for (int id = 2; id <= count; ++id)
        ids += "," + std::to_string(id);
    return kDeleteWhere + "12 AND CenterID IN(" + ids + ")";
}

TEST(StatementParser, TheControlsStatementsGiveTheirValues)
{
    const auto values = [](const auto &row) {
        return std::tuple(row.vendorId, row.centerId, row.handlingFee, row.dutyBrokerageFee);
    };
    EXPECT_EQ(values(std::get<InsertCrossReference>(*parseStatement(kInsert).statement)), std::tuple(12, 7, 0.08, 1));
    // The update names the center first.
    EXPECT_EQ(values(std::get<UpdateCrossReference>(*parseStatement(kUpdate).statement)), std::tuple(12, 9, 0.05, 0));
    const auto removal = std::get<DeleteCrossReferences>(*parseStatement(kDelete).statement);
    EXPECT_EQ(std::pair(removal.vendorId, removal.centerIds), std::pair(12, std::vector<std::int32_t> {3, 5}));
    // Letter case, whitespace and the number forms the control writes.
    for (const std::string &text : {"insert into vendorcentercrossreference(vendorid , centerid,centerhandlingfee,"
                                    "dutybrokeragefee,recordlastupdated)values(-12,7,0.05,0,getdate())"s,
             "UPDATE VendorCenterCrossReference\tSET CenterHandlingFee=0.125,DutyBrokerageFee=1,"
             "RecordLastUpdated=GETDATE ( )\r\nWHERE CenterID=2147483647 AND VendorID=-2147483648"s,
             kDeleteWhere + "12 AND CenterID IN ( 42 )", kInsertInto + "VALUES (12,7,1,1,GETDATE() ) ",
             kInsertInto + "VALUES (12,7,0,1,GETDATE() ) ", deleteOf(32767)})
        EXPECT_TRUE(parseStatement(text).statement) << text << "\n" << parseStatement(text).error;
}

// Each refused with a reason; where given, the reason names what is wrong.
TEST(StatementParser, HostileAndMalformedTextsAreRefusedWithAReason)
{
    const auto columns = [](const std::string &list, const std::string &values = "(12,7,0.08,1,GETDATE() ) ") {
        return "INSERT INTO VendorCenterCrossReference (" + list + ") VALUES " + values;
    };
    const auto values = [](const std::string &fields) { return kInsertInto + "VALUES (" + fields + ",GETDATE() ) "; };
    const auto removal = [](const std::string &rest) { return kDeleteWhere + rest; };
    const std::string afterFee = kUpdate.substr(kUpdateSet.size() + 4),
                      noWhere = kUpdate.substr(0, kUpdate.find("WHERE"));
    const std::pair<std::string, std::string> refused[] = {{"", ""}, {"   ", ""},
        {"DROP TABLE VendorCenterCrossReference", "\"DROP\""},
        {"DELETE FROM Centers WHERE VendorID=12 AND CenterID IN(3)", "\"Centers\""},
        {kDelete + "; DELETE FROM Vendors", "\";\""}, {kDelete + ";", ""}, {kDelete + " -- trailing", "comments"},
        {removal("12 /* x */ AND CenterID IN(3,5)"), "\"/*\""}, {removal("12 OR 1=1 AND CenterID IN(3,5)"), ""},
        {kDelete + " OR 1=1", ""}, {removal("12 AND CenterID IN()"), ""}, {removal("12 AND CenterID IN(3,)"), ""},
        {removal("12 AND CenterID IN(SELECT CenterID FROM Centers)"), ""},
        {removal("'12' AND CenterID IN(3)"), "quoted"}, {removal("\"12\" AND CenterID IN(3)"), ""},
        {removal("2147483648 AND CenterID IN(3)"), ""}, {removal("12 AND CenterID IN(-2147483649)"), ""},
        {removal("12"), ""}, {kDelete + "\x01", ""}, {removal("\xEF\xBC\x91\xEF\xBC\x92 AND CenterID IN(3)"), ""},
        // Column lists in another order, with a column too many or too few; another table.
        {columns("CenterID,VendorID,CenterHandlingFee,DutyBrokerageFee,RecordLastUpdated"), ""},
        {columns("VendorID,CenterID,CenterHandlingFee,DutyBrokerageFee", "(12,7,0.08,1)"), ""},
        {kInsertInto.substr(0, kInsertInto.size() - 2) + ",X) VALUES (12,7,0.08,1,GETDATE(),1)", ""},
        {"INSERT INTO Vendors " + kInsert.substr(kInsert.find('(')), ""},
        {kInsertInto + "(12,7,0.08,1,GETDATE() ) ", ""}, {kInsertInto + "SELECT 12,7,0.08,1,GETDATE()", ""},
        {values("12,7,0.08,1,GETDATE() ), (12,8,0.08,1"), ""}, {kInsertInto + "VALUES (12,7,0.08,1,'2026-01-01') ", ""},
        // Values the control never writes.
        {values("12,7,0.08,2"), ""}, {values("12,7,1e3,1"), ""}, {values("12,7,0.08.1,1"), ""},
        {values("12,7.5,0.08,1"), ""}, {kUpdateSet + "'0.05'" + afterFee, ""}, {values("12,7,0,08,1"), ""},
        {values("12,7,-0.05,1"), "outside 0 to 1 (0 to 100 %)"},
        {deleteOf(32768), "more than 32767 center ids in one IN list"}, {values("12,7,1.001,1"), "outside 0 to 1"},
        {kUpdateSet + "-0.0001" + afterFee, "outside"}, {noWhere, ""}, {kUpdate + " OR 1 = 1", ""},
        {noWhere + "WHERE vendorID = 12 AND CenterID = 9", ""}, {kUpdateSet + "0,05" + afterFee, ""},
        {"UPDATE VendorCenterCrossReference SET VendorID= 13" + afterFee, ""}};
    for (const auto &[text, reason] : refused) {
        const auto parsed = parseStatement(text);
        EXPECT_FALSE(parsed.statement) << text;
        EXPECT_FALSE(parsed.error.empty()) << text;
        EXPECT_NE(parsed.error.find(reason), std::string::npos) << text << ": " << parsed.error;
    }
}

TEST(StrictNumbers, OnlyPlainIntegersInRangeAndPlainDecimalsWithAPoint)
{
    const std::pair<std::string, std::optional<std::int32_t>> integers[] = {{"12", 12}, {"-7", -7},
        {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}, {"", {}}, {"-", {}}, {"+1", {}}, {" 1", {}}, {"1 ", {}},
        {"2147483648", {}}, {"-2147483649", {}}, {"1.0", {}}, {"0x1", {}}, {"１２", {}}};
    for (const auto &[text, value] : integers)
        EXPECT_EQ(parseInt32(text), value) << text;
    const std::pair<std::string, std::optional<double>> decimals[] = {{"0.125", 0.125}, {"-0.05", -0.05}, {"1", 1.0},
        {"", {}}, {".5", {}}, {"5.", {}}, {"1e3", {}}, {"1,5", {}}, {"inf", {}}, {"nan", {}}, {"--1", {}},
        {"0x1p3", {}}, {std::string(400, '9'), {}}};
    for (const auto &[text, value] : decimals)
        EXPECT_EQ(parsePlainDecimal(text), value) << text;
}
