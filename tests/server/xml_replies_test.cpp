#include "Replies.h"
#include "server_page_fixture.h"
#include "XmlWriter.h"

#include <gtest/gtest.h>

using namespace vendorcenter::server;
using namespace vendorcenter::server::testing;

namespace {

std::string escaped(std::string_view text) {
    std::string out;
    appendEscapedXml(out, text);
    return out;
}

}  // namespace

TEST(XmlEscaping, MarkupCharactersAreEscapedAndTextComesBackIntact) {
    EXPECT_EQ(escaped("Smith & Sons <North>"), "Smith &amp; Sons &lt;North&gt;");
    EXPECT_EQ(escaped("O'Hare \"Air\""), "O&apos;Hare &quot;Air&quot;");
    EXPECT_EQ(escaped("Montr\xC3\xA9" "al \xE2\x82\xAC \xF0\x9F\x93\xA6"), "Montr\xC3\xA9" "al \xE2\x82\xAC \xF0\x9F\x93\xA6");

    XmlWriter writer;
    writer.open("Root");
    writer.element("Name", "Smith & Sons <North> \"'\ttab");
    writer.emptyElementWithAttribute("Vendor", "VendorID", "a\"b<c");
    writer.close("Root");
    const auto document = readByPosition(writer.take());
    ASSERT_TRUE(document->parsed);
    EXPECT_EQ(textOf(childAt(document->root(), 0)), "Smith & Sons <North> \"'\ttab");
    EXPECT_STREQ(childAt(document->root(), 1).attribute("VendorID").value(), "a\"b<c");
}

TEST(XmlEscaping, BytesXmlCannotCarryBecomeReplacementCharacters) {
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(escaped(std::string("a\x01" "b", 3)), "a" + replacement + "b");
    EXPECT_EQ(escaped(std::string("nul\0", 4)), "nul" + replacement);
    EXPECT_EQ(escaped("\xFF"), replacement);
    EXPECT_EQ(escaped("\xC3"), replacement);            // cut sequence
    EXPECT_EQ(escaped("\xC0\xAF"), replacement + replacement);  // overlong
    EXPECT_EQ(escaped("\xED\xA0\x80"), replacement + replacement + replacement);  // surrogate
    // Whatever the database holds, the document stays well-formed.
    XmlWriter writer;
    writer.open("Root");
    writer.element("Name", std::string("\x02\xFE\r\n\x7F", 5));
    writer.close("Root");
    EXPECT_TRUE(readByPosition(writer.take())->parsed);
}

TEST(XmlReplies, EmptyTextWritesAnEmptyElementAndNoCommentsStandInTheRoot) {
    ActiveCenterRow center;
    center.centerId = 6;
    center.centerName = "Pacific Crossdock";
    center.countryId = 1;
    const auto document = readByPosition(activeCentersReplyXml(12, {center}));
    ASSERT_TRUE(document->parsed);
    const pugi::xml_node row = childAt(childAt(document->root(), 1), 0);
    ASSERT_EQ(childCount(row), 6u);
    EXPECT_EQ(childCount(childAt(row, 4)), 0u);  // City
    EXPECT_EQ(childCount(childAt(row, 5)), 0u);  // DateUpdated
    for (pugi::xml_node child : document->root().children()) EXPECT_EQ(child.type(), pugi::node_element);
}

TEST(XmlReplies, FeesAreTheShortestDecimalThatReadsBack) {
    EXPECT_EQ(replyFee(0.08), "0.08");
    EXPECT_EQ(replyFee(0.125), "0.125");
    EXPECT_EQ(replyFee(0.05), "0.05");
    EXPECT_EQ(replyFee(0.0), "0");
    EXPECT_EQ(replyFee(-0.0), "0");
    EXPECT_EQ(replyFee(1.0), "1");
    EXPECT_EQ(replyFee(-0.05), "-0.05");
    EXPECT_EQ(replyFee(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(replyFee(0.00001), "0.00001");  // never an exponent
}

TEST(XmlReplies, StoredDatesAreSentMonthFirst) {
    EXPECT_EQ(replyDate("2026-05-12 14:03:11"), "05/12/2026 14:03:11");
    EXPECT_EQ(replyDate("2026-05-12T14:03:11"), "05/12/2026 14:03:11");
    EXPECT_EQ(replyDate("2026-05-12"), "05/12/2026");
    EXPECT_EQ(replyDate("yesterday"), "yesterday");
    EXPECT_EQ(replyDate(""), "");
}

TEST(XmlReplies, ASelectedCenterNeverGoesOutWithABlankName) {
    EXPECT_EQ(selectedCenterName(7, "Warehouse East"), "Warehouse East");
    EXPECT_EQ(selectedCenterName(7, ""), "Center 7");
    EXPECT_EQ(selectedCenterName(7, " \t "), "Center 7");

    SelectedCenterRow blank;
    blank.centerId = 7;
    blank.centerName = "  ";
    blank.recordLastUpdated = "2026-05-12 14:03:11";
    SelectedCenterRow named = blank;
    named.centerId = 8;
    named.centerName = "Smith & Sons <North>";
    named.handlingFee = 0.125;
    const auto document = readByPosition(selectedCentersReplyXml(12, {blank, named}));
    ASSERT_TRUE(document->parsed);
    EXPECT_EQ(textOf(childAt(document->root(), 1)), "2");
    const pugi::xml_node rows = childAt(document->root(), 2);
    EXPECT_EQ(textOf(childAt(childAt(rows, 0), 1)), "Center 7");
    EXPECT_EQ(textOf(childAt(childAt(rows, 0), 2)), "0");
    EXPECT_EQ(textOf(childAt(childAt(rows, 1), 1)), "Smith & Sons <North>");
    EXPECT_EQ(textOf(childAt(childAt(rows, 1), 2)), "0.125");
    EXPECT_EQ(textOf(childAt(childAt(rows, 1), 4)), "05/12/2026 14:03:11");
}

TEST(XmlReplies, EmptyListsAreEmptyRowHolders) {
    for (const std::string& reply : {activeCentersReplyXml(12, {}), selectedCentersReplyXml(12, {})}) {
        const auto document = readByPosition(reply);
        ASSERT_TRUE(document->parsed) << reply;
        const pugi::xml_node rows = childAt(document->root(), childCount(document->root()) - 1);
        EXPECT_STREQ(rows.name(), "Centers");
        EXPECT_EQ(childCount(rows), 0u);
    }
}

TEST(SaveReplyText, CountsChangesAndNamesEverySkippedStatement) {
    const std::vector<Statement> statements = {InsertCrossReference{12, 7, 0.08, 1}, UpdateCrossReference{12, 9, 0.05, 0},
                                               DeleteCrossReferences{12, {3, 5}}};
    ApplyResult result;
    result.changedRows = 3;
    result.skipped = {{0, SkipReason::AlreadySelected, 12, 7}};
    EXPECT_EQ(savedReplyText(statements, result),
              "3 changes saved for vendor 12.\nCenter 7 was already selected for vendor 12; not added again.");

    result.changedRows = 1;
    result.skipped.clear();
    EXPECT_EQ(savedReplyText(statements, result), "1 change saved for vendor 12.");
}
