// A post worked out in memory: each statement's outcome as when the statements
// run one by one, the net change of every pair, and what is refused or locked.
#include "storage/ChangePlan.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

using namespace vendorcenter::server;

namespace {

const auto insert = [](std::int32_t center, double fee = 0.08, int duty = 1, std::int32_t vendor = 12) -> Statement {
    return InsertCrossReference {vendor, center, fee, duty};
};
const auto update = [](std::int32_t center, double fee = 0.05, int duty = 0, std::int32_t vendor = 12) -> Statement {
    return UpdateCrossReference {vendor, center, fee, duty};
};
const auto removal = [](std::vector<std::int32_t> centers, std::int32_t vendor = 12) -> Statement {
    return DeleteCrossReferences {vendor, std::move(centers)};
};

// Vendors 12 and 30 and centers 1 to 9 exist. The refusal, or "changes | skips
// | removed | added | updated"; a skip is statement:reason:pair (I already
// selected, U not selected to update, D not selected to remove).
std::string outcomeOf(const std::vector<Statement> &statements, const std::vector<CrossReferenceKey> &present)
{
    if (const auto refused = firstUnknownReference(statements, {12, 30}, {1, 2, 3, 4, 5, 6, 7, 8, 9}))
        return "refused at " + std::to_string(refused->failedStatementIndex) + ": " + refused->detail;
    const auto text = [](CrossReferenceKey key) {
        return std::to_string(key.vendorId) + "/" + std::to_string(key.centerId);
    };
    const ChangePlan plan = planChanges(statements, present);
    std::string out = std::to_string(plan.changedRows) + " |";
    for (const SkippedChange &skip : plan.skipped)
        out += " " + std::to_string(skip.statementIndex) + ":" + "IUD"[static_cast<int>(skip.reason)] + ":"
            + text({skip.vendorId, skip.centerId});
    out += " |";
    for (const CrossReferenceKey &key : plan.removed)
        out += " " + text(key);
    for (const auto *rows : {&plan.added, &plan.updated}) {
        out += " |";
        for (const CrossReferenceValues &row : *rows)
            out += " " + text(row.key) + "=" + std::to_string(row.handlingFee).substr(0, 4) + "/"
                + std::to_string(row.dutyBrokerageFee);
    }
    return out;
}

} // namespace

TEST(ChangePlan, EachStatementHasItsOneByOneOutcomeEachPairItsNetChangeEachVendorItsLock)
{
    const std::tuple<std::vector<Statement>, std::vector<CrossReferenceKey>, std::string> cases[] = {
        {{insert(7), update(9), removal({3, 5})}, {{12, 3}, {12, 5}, {12, 9}},
            "4 | | 12/3 12/5 | 12/7=0.08/1 | 12/9=0.05/0"},
        {{insert(7, 0.1, 1), insert(7, 0.2, 0)}, {}, "1 | 1:I:12/7 | | 12/7=0.10/1 |"},
        {{insert(7, 0.1, 1), update(7, 0.2, 0), update(7, 0.3, 1)}, {}, "3 | | | 12/7=0.30/1 |"},
        {{removal({9}), update(9)}, {{12, 9}}, "1 | 1:U:12/9 | 12/9 | |"},
        {{update(9, 0.5, 1), removal({9}), insert(9, 0.75, 0)}, {{12, 9}}, "3 | | | | 12/9=0.75/0"},
        {{update(9, 0.05, 0)}, {{12, 9}, {12, 1}, {30, 9}}, "1 | | | | 12/9=0.05/0"},
        {{insert(5, 0.1, 0, 30), insert(5, 0.2, 1), removal({4, 2}, 30), insert(1, 0.3, 0, 30)}, {{30, 2}, {30, 4}},
            "5 | | 30/2 30/4 | 12/5=0.20/1 30/1=0.30/0 30/5=0.10/0 |"},
        // The first statement naming an unknown vendor, or else center, is refused.
        {{update(9), insert(11)}, {}, "refused at 1: center 11 does not exist"},
        {{update(11, 0.1, 0, 77)}, {}, "refused at 0: vendor 77 does not exist"},
        {{removal({3, 11, 5, 13})}, {}, "refused at 0: center 11 does not exist"},
        {{removal({10}), update(11, 0.1, 0, 77)}, {}, "refused at 0: center 10 does not exist"},
    };
    for (const auto &[statements, present, outcome] : cases)
        EXPECT_EQ(outcomeOf(statements, present), outcome);
    const NamedReferences named = namedReferences({removal({9, 3, 9}, 30), insert(3), update(-4, 0.1, 0, 2147483647)});
    EXPECT_EQ(std::pair(named.vendorIds, named.centerIds),
        std::pair(std::vector {12, 30, 2147483647}, std::vector {-4, 3, 9}));
    // Vendors are locked by buckets, a bounded number of them.
    EXPECT_EQ(vendorLockBuckets({12, 44, 31, 32}), (std::vector<std::int32_t> {0, 12, 31}));
    EXPECT_EQ(vendorLockBuckets({-1, -2147483647 - 1, 2147483647}), (std::vector<std::int32_t> {0, 31}));
    std::vector<std::int32_t> many;
    for (std::int32_t vendor = -50'000; vendor < 50'000; vendor += 7)
        many.push_back(vendor);
    EXPECT_EQ(vendorLockBuckets(many).size(), kVendorLockBuckets);
}
