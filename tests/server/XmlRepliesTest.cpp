#include "Replies.h"
#include "ServerPageFixture.h"
#include "XmlWriter.h"

#include <gtest/gtest.h>

using namespace vendorcenter::server;
using namespace vendorcenter::server::testing;

namespace {

std::string escaped(std::string_view text)
{
    std::string out;
    appendEscapedXml(out, text);
    return out;
}

const std::string kReplacement = "\xEF\xBF\xBD";

} // namespace

TEST(XmlEscaping, MarkupIsEscapedAndBytesXmlCannotCarryBecomeReplacementCharacters)
{
    const std::pair<std::string, std::string> cases[] = {
        {"Smith & Sons <North>", "Smith &amp; Sons &lt;North&gt;"}, {"O'Hare \"Air\"", "O&apos;Hare &quot;Air&quot;"},
        {"Montr\xC3\xA9"
         "al \xE2\x82\xAC \xF0\x9F\x93\xA6",
            "Montr\xC3\xA9"
            "al \xE2\x82\xAC \xF0\x9F\x93\xA6"},
        {std::string("a\x01"
                     "b",
             3),
            "a" + kReplacement + "b"},
        {std::string("nul\0", 4), "nul" + kReplacement}, {"\xFF", kReplacement}, {"\xC3", kReplacement}, // cut sequence
        {"\xC0\xAF", kReplacement + kReplacement}, // overlong
        {"\xED\xA0\x80", kReplacement + kReplacement + kReplacement} // surrogate
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(escaped(text), expected) << text;

    XmlWriter writer;
    writer.open("Root");
    writer.element("Name", "Smith & Sons <North> \"'\ttab");
    writer.element("Bytes", std::string("\x02\xFE\r\n\x7F", 5));
    writer.emptyElementWithAttribute("Vendor", "VendorID", "a\"b<c");
    writer.close("Root");
    const auto document = readByPosition(writer.take());
    ASSERT_TRUE(document); // whatever the database holds, the document stays well-formed
    EXPECT_EQ(textAt(document->document_element(), {0}), "Smith & Sons <North> \"'\ttab");
    EXPECT_STREQ(childAt(document->document_element(), 2).attribute("VendorID").value(), "a\"b<c");
}

TEST(XmlReplies, FeesAreTheShortestDecimalThatReadsBackWithoutExponent)
{
    const std::pair<double, const char *> cases[] = {{0.08, "0.08"}, {0.125, "0.125"}, {0.0, "0"}, {-0.0, "0"},
        {1.0, "1"}, {-0.05, "-0.05"}, {0.1 + 0.2, "0.30000000000000004"}, {0.00001, "0.00001"}};
    for (const auto &[fee, text] : cases)
        EXPECT_EQ(replyFee(fee), text) << text;
}

TEST(XmlReplies, StoredDatesAreSentMonthFirst)
{
    const std::pair<const char *, const char *> cases[] = {{"2026-05-12 14:03:11", "05/12/2026 14:03:11"},
        {"2026-05-12T14:03:11", "05/12/2026 14:03:11"}, {"2026-05-12", "05/12/2026"}, {"yesterday", "yesterday"},
        {"", ""}};
    for (const auto &[stored, sent] : cases)
        EXPECT_EQ(replyDate(stored), sent) << stored;
}

TEST(XmlReplies, ASelectedCenterNeverGoesOutWithABlankName)
{
    EXPECT_EQ(selectedCenterName(7, "Warehouse East"), "Warehouse East");
    EXPECT_EQ(selectedCenterName(7, ""), "Center 7");
    EXPECT_EQ(selectedCenterName(7, " \t "), "Center 7");
    SelectedCenterRow blank;
    blank.centerId = 7;
    blank.centerName = "  ";
    blank.recordLastUpdated = "2026-05-12 14:03:11";
    const auto document = readByPosition(selectedCentersReplyXml(12, {blank}));
    ASSERT_TRUE(document);
    EXPECT_EQ(textAt(document->document_element(), {2, 0, 1}), "Center 7");
}
