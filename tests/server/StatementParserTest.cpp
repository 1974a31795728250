#include "StatementParser.h"

#include <gtest/gtest.h>

using namespace vendorcenter::server;

namespace {

const std::string kInsertInto =
    "INSERT INTO VendorCenterCrossReference (VendorID,CenterID,CenterHandlingFee,DutyBrokerageFee,RecordLastUpdated) ";
const std::string kInsert = kInsertInto + "VALUES (12,7,0.08,1,GETDATE() ) ";
const std::string kUpdate = "UPDATE VendorCenterCrossReference SET CenterHandlingFee= 0.05, DutyBrokerageFee= 0, "
                            "RecordLastUpdated = GETDATE()  "
                            "WHERE CenterID = 9 AND vendorID = 12";
const std::string kDelete = "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(3,5)";

} // namespace

TEST(StatementParser, TheControlsStatementsGiveTheirValues)
{
    const auto insert = parseStatement(kInsert);
    ASSERT_TRUE(insert.statement) << insert.error;
    const auto &inserted = std::get<InsertCrossReference>(*insert.statement);
    EXPECT_EQ(std::tuple(inserted.vendorId, inserted.centerId, inserted.handlingFee, inserted.dutyBrokerageFee),
        std::tuple(12, 7, 0.08, 1));
    const auto update = parseStatement(kUpdate); // the center comes first there
    ASSERT_TRUE(update.statement) << update.error;
    const auto &updated = std::get<UpdateCrossReference>(*update.statement);
    EXPECT_EQ(std::tuple(updated.vendorId, updated.centerId, updated.handlingFee, updated.dutyBrokerageFee),
        std::tuple(12, 9, 0.05, 0));
    const auto removal = parseStatement(kDelete);
    ASSERT_TRUE(removal.statement) << removal.error;
    EXPECT_EQ(std::get<DeleteCrossReferences>(*removal.statement).vendorId, 12);
    EXPECT_EQ(std::get<DeleteCrossReferences>(*removal.statement).centerIds, (std::vector<std::int32_t> {3, 5}));
}

TEST(StatementParser, LetterCaseWhitespaceAndNumberFormsTheControlWrites)
{
    for (const char *text : {"insert into vendorcentercrossreference(vendorid , "
                             "centerid,centerhandlingfee,dutybrokeragefee,recordlastupdated)"
                             "values(-12,7,-0.05,0,getdate())",
             "UPDATE VendorCenterCrossReference\tSET "
             "CenterHandlingFee=0.125,DutyBrokerageFee=1,RecordLastUpdated=GETDATE ( )"
             "\r\nWHERE CenterID=2147483647 AND VendorID=-2147483648",
             "DELETE FROM VendorCenterCrossReference WHERE VendorID=12 AND CenterID IN ( 42 )",
             "INSERT INTO VendorCenterCrossReference "
             "(VendorID,CenterID,CenterHandlingFee,DutyBrokerageFee,RecordLastUpdated) "
             "VALUES (12,7,1,1,GETDATE() ) "}) {
        EXPECT_TRUE(parseStatement(text).statement) << text << "\n" << parseStatement(text).error;
    }
}

TEST(StatementParser, HostileAndMalformedTextsAreRefusedWithAReason)
{
    const std::vector<std::string> refused = {
        "",
        "   ",
        "DROP TABLE VendorCenterCrossReference",
        "DELETE FROM Vendors WHERE VendorID=12 AND CenterID IN(3)",
        "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(3,5); DELETE FROM Vendors",
        "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(3,5);",
        "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(3,5) -- trailing",
        "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 /* x */ AND CenterID IN(3,5)",
        "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 OR 1=1 AND CenterID IN(3,5)",
        "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(3,5) OR 1=1",
        "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN()",
        "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(3,)",
        "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(SELECT CenterID FROM Centers)",
        "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID='12' AND CenterID IN(3)",
        "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=\"12\" AND CenterID IN(3)",
        "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=2147483648 AND CenterID IN(3)",
        "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(-2147483649)",
        "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12",
        // Column lists in another order, with a column too many or too few.
        "INSERT INTO VendorCenterCrossReference "
        "(CenterID,VendorID,CenterHandlingFee,DutyBrokerageFee,RecordLastUpdated) "
        "VALUES (12,7,0.08,1,GETDATE() ) ",
        "INSERT INTO VendorCenterCrossReference (VendorID,CenterID,CenterHandlingFee,DutyBrokerageFee) VALUES "
        "(12,7,0.08,1)",
        "INSERT INTO VendorCenterCrossReference "
        "(VendorID,CenterID,CenterHandlingFee,DutyBrokerageFee,RecordLastUpdated,X) "
        "VALUES (12,7,0.08,1,GETDATE(),1) ",
        kInsertInto + "(12,7,0.08,1,GETDATE() ) ",
        kInsertInto + "SELECT 12,7,0.08,1,GETDATE()",
        kInsertInto + "VALUES (12,7,0.08,1,GETDATE() ), (12,8,0.08,1,GETDATE() )",
        kInsertInto + "VALUES (12,7,0.08,1,'2026-01-01') ",
        "INSERT INTO Vendors (VendorID,CenterID,CenterHandlingFee,DutyBrokerageFee,RecordLastUpdated) "
        "VALUES (12,7,0.08,1,GETDATE() ) ",
        // Values the control never writes.
        kInsertInto + "VALUES (12,7,0.08,2,GETDATE() ) ",
        kInsertInto + "VALUES (12,7,1e3,1,GETDATE() ) ",
        kInsertInto + "VALUES (12,7,0x10,1,GETDATE() ) ",
        kInsertInto + "VALUES (12,7,0.08.1,1,GETDATE() ) ",
        kInsertInto + "VALUES (12,7,.5,1,GETDATE() ) ",
        kInsertInto + "VALUES (12,7.5,0.08,1,GETDATE() ) ",
        kInsertInto + "VALUES (12,7,0,08,1,GETDATE() ) ",
        "UPDATE VendorCenterCrossReference SET CenterHandlingFee= 0.05, DutyBrokerageFee= 0, RecordLastUpdated = "
        "GETDATE()",
        "UPDATE VendorCenterCrossReference SET CenterHandlingFee= 0.05, DutyBrokerageFee= 0, RecordLastUpdated = "
        "GETDATE()  "
        "WHERE CenterID = 9 AND vendorID = 12 OR 1 = 1",
        "UPDATE VendorCenterCrossReference SET CenterHandlingFee= 0.05, DutyBrokerageFee= 0, RecordLastUpdated = "
        "GETDATE()  "
        "WHERE vendorID = 12 AND CenterID = 9",
        "UPDATE VendorCenterCrossReference SET CenterHandlingFee= 0,05, DutyBrokerageFee= 0, RecordLastUpdated = "
        "GETDATE()  "
        "WHERE CenterID = 9 AND vendorID = 12",
        "UPDATE VendorCenterCrossReference SET VendorID= 13, DutyBrokerageFee= 0, RecordLastUpdated = GETDATE()  "
        "WHERE CenterID = 9 AND vendorID = 12",
        "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(3,5)\x01",
        "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=\xEF\xBC\x91\xEF\xBC\x92 AND CenterID IN(3)",
    };
    for (const std::string &text : refused) {
        const auto parsed = parseStatement(text);
        EXPECT_FALSE(parsed.statement) << text;
        EXPECT_FALSE(parsed.error.empty()) << text;
    }
}

TEST(StatementParser, ReasonsPointAtWhatIsWrong)
{
    const std::pair<std::string, const char *> cases[] = {
        {kDelete + "; DROP TABLE Vendors", "\";\""},
        {kDelete + " -- x", "comments"},
        {"DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID='12' AND CenterID IN(3)", "quoted"},
        {"DROP TABLE Vendors", "\"DROP\""},
        {"DELETE FROM Centers WHERE VendorID=12 AND CenterID IN(3)", "\"Centers\""},
    };
    for (const auto &[text, reason] : cases)
        EXPECT_NE(parseStatement(text).error.find(reason), std::string::npos) << text;
}

TEST(StrictNumbers, Int32AcceptsOnlyPlainIntegersInRange)
{
    EXPECT_EQ(parseInt32("12"), 12);
    EXPECT_EQ(parseInt32("-7"), -7);
    EXPECT_EQ(parseInt32("2147483647"), 2147483647);
    EXPECT_EQ(parseInt32("-2147483648"), INT32_MIN);
    for (const char *text : {"", "-", "+1", " 1", "1 ", "2147483648", "-2147483649", "1.0", "0x1", "１２"}) {
        EXPECT_FALSE(parseInt32(text)) << text;
    }
}

TEST(StrictNumbers, DecimalsArePlainWithAPoint)
{
    EXPECT_DOUBLE_EQ(*parsePlainDecimal("0.125"), 0.125);
    EXPECT_DOUBLE_EQ(*parsePlainDecimal("-0.05"), -0.05);
    EXPECT_DOUBLE_EQ(*parsePlainDecimal("1"), 1.0);
    const std::string tooLarge(400, '9');
    for (const char *text : {"", ".5", "5.", "1e3", "1,5", "inf", "nan", "--1", "0x1p3", tooLarge.c_str()}) {
        EXPECT_FALSE(parsePlainDecimal(text)) << text;
    }
}
