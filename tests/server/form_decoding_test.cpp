#include "FormDecoding.h"

#include <gtest/gtest.h>

using vendorcenter::server::decodeSaveForm;

TEST(SaveFormDecoding, ReadsEveryFieldInOrderAndSkipsTheTrailingAmpersand) {
    const auto form = decodeSaveForm("SQL=first&SQL=second&");
    ASSERT_TRUE(form.ok()) << form.error;
    EXPECT_EQ(form.statements, (std::vector<std::string>{"first", "second"}));
}

TEST(SaveFormDecoding, PlusIsABlankAndEscapesAreWindows1252Bytes) {
    const auto form = decodeSaveForm("SQL=Montr%E9al+%80+%2C%3d%28%29&");
    ASSERT_TRUE(form.ok()) << form.error;
    ASSERT_EQ(form.statements.size(), 1u);
    // é is one byte in Windows-1252 and two in UTF-8; 0x80 is the euro sign.
    EXPECT_EQ(form.statements[0], "Montr\xC3\xA9" "al \xE2\x82\xAC ,=()");
}

TEST(SaveFormDecoding, TheControlsDeleteExampleDecodesToItsStatement) {
    const auto form = decodeSaveForm(
        "SQL=DELETE+FROM+VENDORCENTERCROSSREFERENCE+WHERE+VendorID%3D12+AND+CenterID+IN%283%2C5%29&");
    ASSERT_TRUE(form.ok());
    EXPECT_EQ(form.statements.at(0), "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(3,5)");
}

TEST(SaveFormDecoding, EmptyBodiesHoldNoStatements) {
    for (const char* body : {"", "&", "&&"}) {
        const auto form = decodeSaveForm(body);
        EXPECT_TRUE(form.ok()) << body;
        EXPECT_TRUE(form.statements.empty()) << body;
    }
}

TEST(SaveFormDecoding, BrokenEscapesAndForeignFieldsRefuseTheWholeBody) {
    for (const char* body : {"SQL=ok&SQL=%G1&", "SQL=%4", "SQL=abc%", "SQL=%%41&", "SQL=ok&name=x&", "SQL=ok&SQL&",
                             "sql=lower&", "SQL%3D=x&"}) {
        const auto form = decodeSaveForm(body);
        EXPECT_FALSE(form.ok()) << body;
        EXPECT_TRUE(form.statements.empty()) << body;
    }
}

TEST(SaveFormDecoding, TheRefusalNamesTheField) {
    EXPECT_NE(decodeSaveForm("SQL=a&SQL=b&SQL=%ZZ&").error.find("field 3"), std::string::npos);
    EXPECT_NE(decodeSaveForm("SQL=a&other=b&").error.find("field 2"), std::string::npos);
}
