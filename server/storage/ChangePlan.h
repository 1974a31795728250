#pragma once

#include "storage/Storage.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace vendorcenter::server {

// A storage that applies a post in a fixed number of round trips works it
// out in memory first, with these pure steps: what the post names, whether
// it names anything unknown, and the net change of every pair it names. The
// outcome of each statement is the one it has when the statements run one
// by one (as on SQLite).

struct CrossReferenceKey
{
    std::int32_t vendorId = 0;
    std::int32_t centerId = 0;
    auto operator<=>(const CrossReferenceKey &) const = default;
};

struct CrossReferenceValues
{
    CrossReferenceKey key;
    double handlingFee = 0.0;
    int dutyBrokerageFee = 0;
    bool operator==(const CrossReferenceValues &) const = default;
};

// The vendors, centers and pairs a post names, each once, in ascending order.
struct NamedReferences
{
    std::vector<std::int32_t> vendorIds;
    std::vector<std::int32_t> centerIds;
    std::vector<CrossReferenceKey> pairs;
};
NamedReferences namedReferences(const std::vector<Statement> &statements);

// The refusal of the first statement that names a vendor, or else a center,
// missing from the known ids (ascending); none when every name is known.
std::optional<ApplyResult> firstUnknownReference(const std::vector<Statement> &statements,
    const std::vector<std::int32_t> &knownVendorIds, const std::vector<std::int32_t> &knownCenterIds);

// The post's effect on the pairs it names, every vendor and center known.
// Each list is in ascending order of its pairs.
struct ChangePlan
{
    std::size_t changedRows = 0;
    std::vector<SkippedChange> skipped; // in statement order
    std::vector<CrossReferenceKey> removed;
    std::vector<CrossReferenceValues> added;
    // Present before and after, with new values. A pair removed and added
    // again keeps its row with the values of the last insert.
    std::vector<CrossReferenceValues> updated;
};
// `presentBefore`: the pairs among the named ones that exist, ascending.
ChangePlan planChanges(const std::vector<Statement> &statements, const std::vector<CrossReferenceKey> &presentBefore);

// Two posts that name one vendor must take turns, and so must two that name
// a pair that does not exist yet; each post therefore locks its vendors. The
// vendors fall into a fixed number of buckets, so that a post naming many
// vendors holds a few locks, never one per vendor or pair: the locks come out
// of a table all the database's users share. Ascending, each once.
inline constexpr std::uint32_t kVendorLockBuckets = 32;
std::vector<std::int32_t> vendorLockBuckets(const std::vector<std::int32_t> &vendorIds);

} // namespace vendorcenter::server
