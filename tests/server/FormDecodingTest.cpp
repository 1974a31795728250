#include "FormDecoding.h"

#include <gtest/gtest.h>

using vendorcenter::server::decodeSaveForm;

TEST(SaveFormDecoding, ReadsTheFieldsInOrder)
{
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"SQL=first&SQL=sec%3Fond%3f", {"first", "sec?ond?"}},
        // Escapes are Windows-1252 bytes: é is one byte there, 0x80 the euro sign.
        {"SQL=Montr%E9al+%80+%2C%3d%28%29%FF&", {"Montr\u00E9al \u20AC ,=()\u00FF"}},
        {"SQL=DELETE+FROM+VENDORCENTERCROSSREFERENCE+WHERE+VendorID%3D12+AND+CenterID+IN%283%2C5%29&",
            {"DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(3,5)"}},
        {"", {}}, {"&", {}}, {"&&", {}}};
    for (const auto &[body, statements] : cases) {
        const auto form = decodeSaveForm(body);
        EXPECT_TRUE(form.ok()) << body << ": " << form.error;
        EXPECT_EQ(form.statements, statements) << body;
    }
}

TEST(SaveFormDecoding, BrokenEscapesAndForeignFieldsRefuseTheWholeBodyNamingTheField)
{
    const std::pair<std::string, std::string> cases[] = {{"SQL=a&SQL=b&SQL=%ZZ&", "field 3"},
        {"SQL=a&other=b&", "field 2"}, {"SQL=%4", "field 1"}, {"SQL=abc%", "field 1"}, {"SQL=%%41&", "field 1"},
        {"SQL=ok&SQL&", "field 2"}, {"sql=lower&", "field 1"}, {"SQL%3D=x&", "field 1"}};
    for (const auto &[body, field] : cases) {
        const auto form = decodeSaveForm(body);
        EXPECT_FALSE(form.ok()) << body;
        EXPECT_TRUE(form.statements.empty()) << body;
        EXPECT_NE(form.error.find(field), std::string::npos) << body << ": " << form.error;
    }
}
