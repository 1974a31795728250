#include "server_page_fixture.h"

#include <gtest/gtest.h>

using namespace vendorcenter::server::testing;

namespace {

// Field `field` of row `row` under the root's child `rowsPosition`.
std::string field(const PositionalDocument& document, std::size_t rowsPosition, std::size_t row, std::size_t fieldIndex) {
    return textOf(childAt(childAt(childAt(document.root(), rowsPosition), row), fieldIndex));
}

long countValue(const PositionalDocument& document, std::size_t position) {
    return std::stol(textOf(childAt(childAt(childAt(document.root(), 0), 0), position)));
}

// The row whose field 0 is `centerId`, or -1.
long rowOf(const PositionalDocument& document, std::size_t rowsPosition, const std::string& centerId) {
    const pugi::xml_node rows = childAt(document.root(), rowsPosition);
    for (std::size_t i = 0; i < childCount(rows); ++i) {
        if (textOf(childAt(childAt(rows, i), 0)) == centerId) return static_cast<long>(i);
    }
    return -1;
}

}  // namespace

using ServerQueries = ServerPageOnEachStorage;
INSTANTIATE_TEST_SUITE_P(OnEachStorage, ServerQueries, ::testing::ValuesIn(storageKindsUnderTest()), storageKindName);

TEST_P(ServerQueries, CountsEqualTheRowsTheListQueriesReturn) {
    for (const char* vendor : {"12", "14", "21", "30", "999"}) {
        const auto counts = query("count", vendor);
        const auto active = query("active", vendor);
        const auto selected = query("selected", vendor);
        ASSERT_TRUE(counts && active && selected) << vendor;
        ASSERT_TRUE(counts->parsed && active->parsed && selected->parsed) << vendor;
        EXPECT_EQ(countValue(*counts, 1), static_cast<long>(childCount(childAt(active->root(), 1)))) << vendor;
        EXPECT_EQ(countValue(*counts, 2), static_cast<long>(childCount(childAt(selected->root(), 2)))) << vendor;
        EXPECT_EQ(textOf(childAt(selected->root(), 1)), std::to_string(countValue(*counts, 2))) << vendor;
    }
}

TEST_P(ServerQueries, CountReplyCarriesTheDutyDefaultFirst) {
    const auto northwind = query("count", "12");
    ASSERT_TRUE(northwind && northwind->parsed);
    EXPECT_EQ(countValue(*northwind, 0), 1);
    EXPECT_EQ(countValue(*northwind, 2), 4);

    const auto harbor = query("count", "14");
    ASSERT_TRUE(harbor && harbor->parsed);
    EXPECT_EQ(countValue(*harbor, 0), 0);
}

TEST_P(ServerQueries, ActiveRowsHoldTheirFieldsByPosition) {
    const auto active = query("active", "12");
    ASSERT_TRUE(active && active->parsed);
    const long row = rowOf(*active, 1, "7");
    ASSERT_GE(row, 0);
    const auto at = static_cast<std::size_t>(row);
    EXPECT_EQ(field(*active, 1, at, 1), "Warehouse East");
    EXPECT_EQ(field(*active, 1, at, 2), "2");
    EXPECT_EQ(field(*active, 1, at, 3), "1");
    EXPECT_EQ(field(*active, 1, at, 4), "Toledo");
    EXPECT_EQ(field(*active, 1, at, 5), "05/12/2026 14:03:11");
    EXPECT_EQ(childCount(childAt(childAt(active->root(), 1), at)), 6u);

    // Ordered by id, no selected or inactive center among them.
    const pugi::xml_node rows = childAt(active->root(), 1);
    long previous = -1;
    for (std::size_t i = 0; i < childCount(rows); ++i) {
        const long id = std::stol(field(*active, 1, i, 0));
        EXPECT_GT(id, previous);
        previous = id;
        EXPECT_EQ(field(*active, 1, i, 3), "1");
    }
    for (const char* notListed : {"3", "5", "9", "17", "18", "24"}) EXPECT_EQ(rowOf(*active, 1, notListed), -1) << notListed;

    // A center without a date keeps its field as an empty element.
    const long undated = rowOf(*active, 1, "6");
    ASSERT_GE(undated, 0);
    EXPECT_EQ(field(*active, 1, static_cast<std::size_t>(undated), 5), "");
}

TEST_P(ServerQueries, SelectedRowsHoldFeeAndFlagAndArriveEscapedIntact) {
    const auto selected = query("selected", "12");
    ASSERT_TRUE(selected && selected->parsed);
    const pugi::xml_node rows = childAt(selected->root(), 2);
    ASSERT_EQ(childCount(rows), 4u);
    EXPECT_EQ(field(*selected, 2, 0, 0), "3");
    EXPECT_EQ(field(*selected, 2, 0, 2), "0.08");
    EXPECT_EQ(field(*selected, 2, 0, 3), "1");
    EXPECT_EQ(field(*selected, 2, 1, 0), "5");
    EXPECT_EQ(field(*selected, 2, 1, 1), "Smith & Sons <North>");
    EXPECT_EQ(field(*selected, 2, 1, 2), "0.125");
    EXPECT_EQ(field(*selected, 2, 1, 3), "0");
    EXPECT_EQ(field(*selected, 2, 1, 4), "01/14/2026 16:45:12");
    // Selected whatever its Active flag.
    EXPECT_EQ(field(*selected, 2, 3, 0), "17");

    const auto harbor = query("selected", "14");
    ASSERT_TRUE(harbor && harbor->parsed);
    EXPECT_EQ(field(*harbor, 2, 1, 1), "Montr\xC3\xA9" "al Distribution");
}

TEST_P(ServerQueries, RepliesAreUtf8XmlWithNothingButElementsInTheRoot) {
    for (const char* kind : {"count", "active", "selected"}) {
        auto result = get(std::string("/VendorCenter.asp?") + kind + "=1&VendorID=12");
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 200);
        EXPECT_EQ(result->get_header_value("Content-Type"), "application/xml; charset=utf-8");
        EXPECT_EQ(result->body.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u) << kind;
        const auto document = readByPosition(result->body);
        ASSERT_TRUE(document->parsed);
        for (pugi::xml_node child : document->root().children()) EXPECT_EQ(child.type(), pugi::node_element) << kind;
    }
}

TEST_P(ServerQueries, AnUnknownVendorHasNoCentersAtAll) {
    const auto counts = query("count", "999");
    ASSERT_TRUE(counts && counts->parsed);
    EXPECT_EQ(countValue(*counts, 0), 0);
    EXPECT_EQ(countValue(*counts, 1), 0);
    EXPECT_EQ(countValue(*counts, 2), 0);
    const auto active = query("active", "-5");
    ASSERT_TRUE(active && active->parsed);
    EXPECT_EQ(childCount(childAt(active->root(), 1)), 0u);
    EXPECT_FALSE(childAt(active->root(), 1).empty());
    const auto selected = query("selected", "999");
    ASSERT_TRUE(selected && selected->parsed);
    EXPECT_EQ(childCount(childAt(selected->root(), 2)), 0u);
    EXPECT_EQ(textOf(childAt(selected->root(), 1)), "0");
}

TEST_P(ServerQueries, BadVendorIdsAndUnknownQueriesAnswer400InPlainText) {
    for (const char* target : {"/VendorCenter.asp?count=1&VendorID=x", "/VendorCenter.asp?count=1&VendorID=",
                               "/VendorCenter.asp?active=1&VendorID=12abc", "/VendorCenter.asp?selected=1&VendorID=2147483648",
                               "/VendorCenter.asp?selected=1&VendorID=1.5", "/VendorCenter.asp?count=1",
                               "/VendorCenter.asp?active=1&VendorID=%2712%27", "/VendorCenter.asp?VendorID=12",
                               "/VendorCenter.asp?count=2&VendorID=12", "/VendorCenter.asp?count=1&active=1&VendorID=12",
                               "/VendorCenter.asp"}) {
        auto result = get(target);
        ASSERT_TRUE(result) << target;
        EXPECT_EQ(result->status, 400) << target;
        EXPECT_EQ(result->get_header_value("Content-Type"), "text/plain; charset=utf-8") << target;
        EXPECT_FALSE(result->body.empty()) << target;
    }
}

TEST_P(ServerQueries, OtherPathsAnswer404AndOtherMethods405) {
    for (const char* target : {"/", "/VendorCenter.aspx?count=1&VendorID=12", "/VendorCenterXasp?count=1&VendorID=12",
                               "/other.asp"}) {
        auto result = get(target);
        ASSERT_TRUE(result) << target;
        EXPECT_EQ(result->status, 404) << target;
    }
    auto put = client_->Put("/VendorCenter.asp", "x", "text/plain");
    ASSERT_TRUE(put);
    EXPECT_EQ(put->status, 405);
    auto removal = client_->Delete("/VendorCenter.asp", "x", "text/plain");
    ASSERT_TRUE(removal);
    EXPECT_EQ(removal->status, 405);
}
