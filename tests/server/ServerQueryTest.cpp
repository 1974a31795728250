#include "ServerPageFixture.h"

#include <regex>

using namespace vendorcenter::server::testing;

using ServerQuery = ServerPageTest;
VC_ON_EACH_STORAGE(ServerQuery);

const std::string kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// Field `field` of every row of a list reply, in order.
static std::vector<std::string> column(const pugi::xml_document &reply, std::size_t rowsPosition, std::size_t field)
{
    std::vector<std::string> values;
    for (pugi::xml_node row : childAt(reply.document_element(), rowsPosition).children())
        values.push_back(textAt(row, {field}));
    return values;
}

// The control reads the replies by position, so their bytes are the contract.
TEST_P(ServerQuery, RepliesAreTheExactDocumentsTheControlReads)
{
    auto counts = get("/VendorCenter.asp?count=1&VendorID=12");
    ASSERT_TRUE(counts && counts->status == 200);
    EXPECT_EQ(counts->get_header_value("Content-Type"), "application/xml; charset=utf-8");
    EXPECT_EQ(counts->get_header_value("X-Content-Type-Options"), "nosniff");
    EXPECT_EQ(counts->get_header_value("Cache-Control"), "no-store");
    EXPECT_TRUE(std::regex_match(counts->get_header_value("Server-Timing"), std::regex(R"(query;dur=\d+\.\d)")));
    EXPECT_EQ(counts->body,
        kXmlDeclaration
            + "<VendorCenter>\n  <Counts>\n    <Vendor VendorID=\"12\">\n      <DutyDefault>1</DutyDefault>\n"
              "      <NonSelectedCount>23</NonSelectedCount>\n      <SelectedCount>4</SelectedCount>\n"
              "    </Vendor>\n  </Counts>\n</VendorCenter>\n");
    EXPECT_EQ(get("/VendorCenter.asp?selected=1&VendorID=14")->body,
        kXmlDeclaration
            + "<VendorCenter>\n  <Vendor VendorID=\"14\"/>\n  <SelectedCount>2</SelectedCount>\n  <Centers>\n"
              "    <Center>\n      <CenterID>2</CenterID>\n      <CenterName>Warehouse West</CenterName>\n"
              "      <CenterHandlingFee>0.05</CenterHandlingFee>\n      <DutyBrokerageFee>0</DutyBrokerageFee>\n"
              "      <RecordLastUpdated>11/03/2025 08:30:00</RecordLastUpdated>\n    </Center>\n"
              "    <Center>\n      <CenterID>8</CenterID>\n      <CenterName>Montr\xC3\xA9"
              "al Distribution</CenterName>\n"
              "      <CenterHandlingFee>0.125</CenterHandlingFee>\n      <DutyBrokerageFee>1</DutyBrokerageFee>\n"
              "      <RecordLastUpdated>02/21/2026 10:00:00</RecordLastUpdated>\n    </Center>\n  </Centers>\n"
              "</VendorCenter>\n");
    EXPECT_EQ(get("/VendorCenter.asp?active=1&VendorID=999")->body,
        kXmlDeclaration + "<VendorCenter>\n  <Vendor VendorID=\"999\"/>\n  <Centers/>\n</VendorCenter>\n");
}

TEST_P(ServerQuery, ListsHoldTheCountedRowsActiveOnesUnselectedInIdOrder)
{
    for (const auto &[vendor, dutyDefault] :
        {std::pair {"12", "1"}, {"14", "0"}, {"21", "0"}, {"30", "1"}, {"999", "0"}}) {
        const auto counts = query("count", vendor), active = query("active", vendor),
                   selected = query("selected", vendor);
        ASSERT_TRUE(counts && active && selected) << vendor;
        const pugi::xml_node numbers = childAt(childAt(counts->document_element(), 0), 0);
        EXPECT_EQ(textAt(numbers, {1}), std::to_string(childCount(childAt(active->document_element(), 1)))) << vendor;
        EXPECT_EQ(textAt(numbers, {2}), std::to_string(childCount(childAt(selected->document_element(), 2)))) << vendor;
        EXPECT_EQ(textAt(selected->document_element(), {1}), textAt(numbers, {2})) << vendor;
        EXPECT_EQ(textAt(numbers, {0}), dutyDefault) << vendor;
    }
    const auto active = query("active", "12");
    ASSERT_TRUE(active);
    const std::vector<std::string> ids = column(*active, 1, 0);
    EXPECT_TRUE(std::ranges::is_sorted(ids, {}, [](const std::string &id) { return std::stol(id); }));
    for (const char *notListed : {"3", "5", "9", "17", "18", "24"})
        EXPECT_EQ(std::ranges::count(ids, notListed), 0) << notListed;
    EXPECT_EQ(std::ranges::count(column(*active, 1, 3), "1"), 23);
    const pugi::xml_node rows = childAt(active->document_element(), 1);
    const auto at = [&](const char *id) { return childAt(rows, std::ranges::find(ids, id) - ids.begin()); };
    EXPECT_EQ(
        textAt(at("7"), {1}) + "|" + textAt(at("7"), {2}) + "|" + textAt(at("7"), {4}) + "|" + textAt(at("7"), {5}),
        "Warehouse East|2|Toledo|05/12/2026 14:03:11");
    EXPECT_EQ(childCount(at("6")), 6u);
    EXPECT_EQ(childCount(childAt(at("6"), 5)), 0u); // no date: an empty element
    const auto selected = query("selected", "12");
    ASSERT_TRUE(selected);
    EXPECT_EQ(column(*selected, 2, 0), (std::vector<std::string> {"3", "5", "9", "17"})); // 17 is inactive
    EXPECT_EQ(column(*selected, 2, 1)[1], "Smith & Sons <North>");
}

TEST_P(ServerQuery, BadTargetsAnswer400InPlainTextAndOthers404)
{
    const std::pair<const char *, int> targets[] = {{"/VendorCenter.asp?count=1&VendorID=x", 400},
        {"/VendorCenter.asp?count=1", 400}, {"/VendorCenter.asp?VendorID=12", 400},
        {"/VendorCenter.asp?count=2&VendorID=12", 400}, {"/VendorCenter.asp?count=1&active=1&VendorID=12", 400},
        {"/VendorCenter.asp", 400}, {"/", 404}, {"/VendorCenter.aspx?count=1&VendorID=12", 404},
        {"/VendorCenterXasp?count=1&VendorID=12", 404}};
    for (const auto &[target, status] : targets) {
        auto result = get(target);
        ASSERT_TRUE(result) << target;
        EXPECT_EQ(result->status, status) << target;
        EXPECT_TRUE(status != 400 || result->get_header_value("Content-Type") == "text/plain; charset=utf-8") << target;
        EXPECT_FALSE(result->body.empty()) << target;
    }
    // The log names each request as it came, cut short past 200 characters.
    const std::string longTarget = "/VendorCenter.asp?count=1&VendorID=" + std::string(300, '9');
    EXPECT_EQ(get(longTarget)->status, 400);
    server_.reset();
    EXPECT_TRUE(std::ranges::any_of(log_, [&](const std::string &line) {
        return line.starts_with("GET " + longTarget.substr(0, 200) + "... 400 ");
    })) << log_.back();
}
