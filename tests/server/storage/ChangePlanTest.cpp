// A post worked out in memory: each statement's outcome as when the statements
// run one by one, the net change of every pair, and what is refused or locked.
#include "storage/ChangePlan.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

using namespace vendorcenter::server;

namespace {

Statement insert(std::int32_t center, double fee = 0.08, int duty = 1, std::int32_t vendor = 12)
{
    return InsertCrossReference {vendor, center, fee, duty};
}
Statement update(std::int32_t center, double fee = 0.05, int duty = 0, std::int32_t vendor = 12)
{
    return UpdateCrossReference {vendor, center, fee, duty};
}
Statement remove(std::vector<std::int32_t> centers, std::int32_t vendor = 12)
{
    return DeleteCrossReferences {vendor, std::move(centers)};
}

CrossReferenceKey pair(std::int32_t center, std::int32_t vendor = 12)
{
    return {vendor, center};
}
CrossReferenceValues row(std::int32_t center, double fee, int duty, std::int32_t vendor = 12)
{
    return {{vendor, center}, fee, duty};
}

// "index:reason:center" for each skip, in order: I already selected, U not
// selected to update, D not selected to remove.
std::string skipsOf(const std::vector<SkippedChange> &skipped)
{
    std::string text;
    for (const SkippedChange &skip : skipped) {
        const char reason = skip.reason == SkipReason::AlreadySelected ? 'I'
            : skip.reason == SkipReason::NotSelectedToUpdate           ? 'U'
                                                                       : 'D';
        text += (text.empty() ? "" : " ") + std::to_string(skip.statementIndex) + ":" + reason + ":"
            + std::to_string(skip.vendorId) + "/" + std::to_string(skip.centerId);
    }
    return text;
}

struct PlanCase
{
    const char *name;
    std::vector<Statement> statements;
    std::vector<CrossReferenceKey> presentBefore;
    std::size_t changedRows;
    std::string skips;
    std::vector<CrossReferenceKey> removed;
    std::vector<CrossReferenceValues> added, updated;
};

} // namespace

TEST(ChangePlan, EachStatementHasItsOneByOneOutcomeAndEachPairItsNetChange)
{
    const PlanCase cases[] = {
        {"the control's example", {insert(7), update(9), remove({3, 5})}, {pair(3), pair(5), pair(9)}, 4, "",
            {pair(3), pair(5)}, {row(7, 0.08, 1)}, {row(9, 0.05, 0)}},
        {"the same insert twice", {insert(7, 0.1, 1), insert(7, 0.2, 0)}, {}, 1, "1:I:12/7", {}, {row(7, 0.1, 1)}, {}},
        {"an insert of a present pair", {insert(3)}, {pair(3)}, 0, "0:I:12/3", {}, {}, {}},
        {"an insert then a delete", {insert(7), remove({7})}, {}, 2, "", {}, {}, {}},
        {"a delete then an insert keeps the row with new values", {remove({3}), insert(3, 0.25, 0)}, {pair(3)}, 2, "",
            {}, {}, {row(3, 0.25, 0)}},
        {"an update of a missing pair", {update(8)}, {}, 0, "0:U:12/8", {}, {}, {}},
        {"an insert then updates: the last values", {insert(7, 0.1, 1), update(7, 0.2, 0), update(7, 0.3, 1)}, {}, 3,
            "", {}, {row(7, 0.3, 1)}, {}},
        {"a delete then an update", {remove({9}), update(9)}, {pair(9)}, 1, "1:U:12/9", {pair(9)}, {}, {}},
        {"a delete naming one pair twice", {remove({3, 3, 5})}, {pair(3)}, 1, "0:D:12/3 0:D:12/5", {pair(3)}, {}, {}},
        {"an update, a delete, an insert", {update(9, 0.5, 1), remove({9}), insert(9, 0.75, 0)}, {pair(9)}, 3, "", {},
            {}, {row(9, 0.75, 0)}},
        {"a pair removed, added and removed again", {remove({3}), insert(3), remove({3})}, {pair(3)}, 3, "", {pair(3)},
            {}, {}},
        {"an update that changes nothing stored is still a change", {update(9, 0.05, 0)}, {pair(9)}, 1, "", {}, {},
            {row(9, 0.05, 0)}},
        {"vendors kept apart, every list ascending",
            {insert(5, 0.1, 0, 30), insert(5, 0.2, 1, 12), remove({4, 2}, 30), insert(1, 0.3, 0, 30)},
            {pair(2, 30), pair(4, 30)}, 5, "", {pair(2, 30), pair(4, 30)},
            {row(5, 0.2, 1), row(1, 0.3, 0, 30), row(5, 0.1, 0, 30)}, {}},
        {"present pairs the post does not name are passed over", {update(9)}, {pair(1), pair(9), pair(9, 30)}, 1, "",
            {}, {}, {row(9, 0.05, 0)}},
    };
    for (const PlanCase &c : cases) {
        const ChangePlan plan = planChanges(c.statements, c.presentBefore);
        EXPECT_EQ(plan.changedRows, c.changedRows) << c.name;
        EXPECT_EQ(skipsOf(plan.skipped), c.skips) << c.name;
        EXPECT_EQ(plan.removed, c.removed) << c.name;
        EXPECT_EQ(plan.added, c.added) << c.name;
        EXPECT_EQ(plan.updated, c.updated) << c.name;
    }
}

TEST(ChangePlan, WhatAPostNamesComesOnceEachInAscendingOrder)
{
    const NamedReferences named =
        namedReferences({remove({9, 3, 9}, 30), insert(3), update(-4, 0.1, 0, 2147483647), insert(3, 0.1, 0, 30)});
    EXPECT_EQ(named.vendorIds, (std::vector<std::int32_t> {12, 30, 2147483647}));
    EXPECT_EQ(named.centerIds, (std::vector<std::int32_t> {-4, 3, 9}));
    EXPECT_EQ(named.pairs, (std::vector<CrossReferenceKey> {pair(3), pair(3, 30), pair(9, 30), pair(-4, 2147483647)}));
}

TEST(ChangePlan, TheFirstStatementNamingAnUnknownVendorOrCenterIsRefused)
{
    const std::vector<std::int32_t> vendors = {12, 30}, centers = {3, 5, 7, 9};
    const std::tuple<const char *, std::vector<Statement>, std::size_t, std::string> cases[] = {
        {"an unknown center", {update(9), insert(8)}, 1, "center 8 does not exist"},
        {"an unknown vendor", {insert(7), insert(7, 0.1, 0, 77)}, 1, "vendor 77 does not exist"},
        {"the vendor is named before the center", {update(8, 0.1, 0, 77)}, 0, "vendor 77 does not exist"},
        {"the first unknown of a delete", {remove({3, 11, 5, 13})}, 0, "center 11 does not exist"},
        {"the earlier statement wins", {remove({4}), update(8, 0.1, 0, 77)}, 0, "center 4 does not exist"},
        {"ids at the ends", {insert(-2147483647 - 1, 0.1, 0, 2147483647)}, 0, "vendor 2147483647 does not exist"},
    };
    for (const auto &[name, statements, index, detail] : cases) {
        const std::optional<ApplyResult> refused = firstUnknownReference(statements, vendors, centers);
        ASSERT_TRUE(refused) << name;
        EXPECT_EQ(refused->outcome, ApplyResult::Outcome::UnknownReference) << name;
        EXPECT_EQ(std::pair(refused->failedStatementIndex, refused->detail), std::pair(index, detail)) << name;
    }
    EXPECT_FALSE(firstUnknownReference({insert(7), remove({3, 5}, 30), update(9)}, vendors, centers));
}

TEST(ChangePlan, VendorsAreLockedByBucketsOfBoundedNumber)
{
    const std::tuple<std::vector<std::int32_t>, std::vector<std::int32_t>> cases[] = {
        {{12}, {12}},
        {{12, 44, 31, 32}, {0, 12, 31}},
        {{-1, -2147483647 - 1, 2147483647}, {0, 31}},
        {{}, {}},
    };
    for (const auto &[vendors, buckets] : cases)
        EXPECT_EQ(vendorLockBuckets(vendors), buckets);
    std::vector<std::int32_t> many;
    for (std::int32_t vendor = -50'000; vendor < 50'000; vendor += 7)
        many.push_back(vendor);
    EXPECT_EQ(vendorLockBuckets(many).size(), kVendorLockBuckets);
}
