#include "FormDecoding.h"

#include <gtest/gtest.h>

using vendorcenter::server::decodeSaveForm;

// The fields in order, or, for a broken escape or a foreign field, the whole
// body refused with an error naming the field.
TEST(SaveFormDecoding, ReadsTheFieldsInOrderOrRefusesTheWholeBodyNamingTheField)
{
    const std::tuple<std::string, std::vector<std::string>, std::string> cases[] = {
        {"SQL=first&SQL=sec%3Fond%3f%3A%3a", {"first", "sec?ond?::"}, ""},
        // Escapes are Windows-1252 bytes: é is one byte there, 0x80 the euro sign.
        {"SQL=Montr%E9al+%80+%2C%3d%28%29%FF&", {"Montr\u00E9al \u20AC ,=()\u00FF"}, ""},
        {"SQL=DELETE+FROM+VENDORCENTERCROSSREFERENCE+WHERE+VendorID%3D12+AND+CenterID+IN%283%2C5%29&",
            {"DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(3,5)"}, ""},
        {"", {}, ""}, {"&", {}, ""}, {"&&", {}, ""}, {"SQL=a&SQL=b&SQL=%ZZ&", {}, "field 3"},
        {"SQL=a&other=b&", {}, "field 2"}, {"SQL=%4", {}, "field 1"}, {"SQL=abc%", {}, "field 1"},
        {"SQL=%%41&", {}, "field 1"}, {"SQL=ok&SQL&", {}, "field 2"}, {"sql=lower&", {}, "field 1"},
        {"SQL%3D=x&", {}, "field 1"}, {"SQL=%/0", {}, "field 1"}, {"SQL=%:0", {}, "field 1"},
        {"SQL=%@0", {}, "field 1"}, {"SQL=%G0", {}, "field 1"}, {"SQL=%`0", {}, "field 1"}, {"SQL=%g0", {}, "field 1"}};
    for (const auto &[body, statements, field] : cases) {
        const auto form = decodeSaveForm(body);
        EXPECT_EQ(form.ok(), field.empty()) << body << ": " << form.error;
        EXPECT_EQ(form.statements, statements) << body;
        EXPECT_NE(form.error.find(field), std::string::npos) << body << ": " << form.error;
    }
}
