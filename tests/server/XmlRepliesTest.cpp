#include "Replies.h"
#include "ServerPageFixture.h"
#include "XmlWriter.h"

#include <gtest/gtest.h>

using namespace vendorcenter::server;
using namespace vendorcenter::server::testing;

TEST(XmlEscaping, MarkupIsEscapedAndBytesXmlCannotCarryBecomeReplacementCharacters)
{
    // After the markup: a control character, NUL, a stray byte, a cut sequence, an overlong form, a surrogate.
    const std::string r = "\xEF\xBF\xBD"; // the replacement character
    const std::pair<std::string, std::string> cases[] = {{"Smith & Sons <North>", "Smith &amp; Sons &lt;North&gt;"},
        {"O'Hare \"Air\"", "O&apos;Hare &quot;Air&quot;"},
        {"Montr\u00E9al \u20AC \U0001F4E6", "Montr\u00E9al \u20AC \U0001F4E6"}, {"a\x01z", "a" + r + "z"},
        {std::string("nul\0", 4), "nul" + r}, {"\xFF", r}, {"\xC3", r}, {"\xC0\xAF", r + r},
        {"\xED\xA0\x80", r + r + r}};
    for (const auto &[text, expected] : cases) {
        std::string out;
        appendEscapedXml(out, text);
        EXPECT_EQ(out, expected) << text;
    }
}

TEST(XmlReplies, FeesAreTheShortestDecimalWithoutExponentAndDatesMonthFirst)
{
    const std::pair<double, const char *> fees[] = {{0.08, "0.08"}, {0.125, "0.125"}, {0.0, "0"}, {-0.0, "0"},
        {1.0, "1"}, {-0.05, "-0.05"}, {0.1 + 0.2, "0.30000000000000004"}, {0.00001, "0.00001"}};
    for (const auto &[fee, text] : fees)
        EXPECT_EQ(replyFee(fee), text) << text;
    // Anything but a date is sent as stored, even where the text goes on past its end.
    const std::pair<std::string_view, const char *> dates[] = {{"2026-05-12 14:03:11", "05/12/2026 14:03:11"},
        {"2026-05-12T14:03:11", "05/12/2026 14:03:11"}, {"2026-05-12", "05/12/2026"}, {"yesterday", "yesterday"},
        {"", ""}, {std::string_view("2026-05-12").substr(0, 8), "2026-05-"}};
    for (const auto &[stored, sent] : dates)
        EXPECT_EQ(replyDate(stored), sent) << stored;
}

TEST(XmlReplies, ASelectedCenterNeverGoesOutWithABlankName)
{
    EXPECT_EQ(selectedCenterName(7, "Warehouse East") + "|" + selectedCenterName(7, " \t "), "Warehouse East|Center 7");
    const auto document = readByPosition(selectedCentersReplyXml(12, {{7, "", 0.08, 1, "2026-05-12"}}));
    ASSERT_TRUE(document);
    EXPECT_EQ(textAt(document->document_element(), {2, 0, 1}), "Center 7");
}
