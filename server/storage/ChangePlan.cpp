#include "storage/ChangePlan.h"

#include <algorithm>
#include <string>

namespace vendorcenter::server {
namespace {

template<typename Item>
void sortUnique(std::vector<Item> &items)
{
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
}

template<typename Item>
bool contains(const std::vector<Item> &ascending, const Item &item)
{
    return std::binary_search(ascending.begin(), ascending.end(), item);
}

// Calls `each(centerId)` for every center the statement names, in order, until it returns false.
template<typename Each>
void forEachCenter(const Statement &statement, Each &&each)
{
    if (const auto *insert = std::get_if<InsertCrossReference>(&statement)) {
        each(insert->centerId);
    } else if (const auto *update = std::get_if<UpdateCrossReference>(&statement)) {
        each(update->centerId);
    } else {
        for (const std::int32_t centerId : std::get<DeleteCrossReferences>(statement).centerIds) {
            if (!each(centerId))
                return;
        }
    }
}

ApplyResult unknownReference(std::size_t index, std::string detail)
{
    ApplyResult refused;
    refused.outcome = ApplyResult::Outcome::UnknownReference;
    refused.failedStatementIndex = index;
    refused.detail = std::move(detail);
    return refused;
}

struct PairState
{
    bool presentBefore = false;
    bool present = false;
    bool written = false; // inserted or updated by this post
    double handlingFee = 0.0;
    int dutyBrokerageFee = 0;
};

} // namespace

NamedReferences namedReferences(const std::vector<Statement> &statements)
{
    NamedReferences named;
    for (const Statement &statement : statements) {
        const std::int32_t vendorId = vendorOf(statement);
        named.vendorIds.push_back(vendorId);
        forEachCenter(statement, [&](std::int32_t centerId) {
            named.centerIds.push_back(centerId);
            named.pairs.push_back({vendorId, centerId});
            return true;
        });
    }
    sortUnique(named.vendorIds);
    sortUnique(named.centerIds);
    sortUnique(named.pairs);
    return named;
}

std::optional<ApplyResult> firstUnknownReference(const std::vector<Statement> &statements,
    const std::vector<std::int32_t> &knownVendorIds, const std::vector<std::int32_t> &knownCenterIds)
{
    for (std::size_t index = 0; index < statements.size(); ++index) {
        const std::int32_t vendorId = vendorOf(statements[index]);
        if (!contains(knownVendorIds, vendorId))
            return unknownReference(index, "vendor " + std::to_string(vendorId) + " does not exist");
        std::optional<std::int32_t> unknownCenter;
        forEachCenter(statements[index], [&](std::int32_t centerId) {
            if (!contains(knownCenterIds, centerId))
                unknownCenter = centerId;
            return !unknownCenter;
        });
        if (unknownCenter)
            return unknownReference(index, "center " + std::to_string(*unknownCenter) + " does not exist");
    }
    return std::nullopt;
}

ChangePlan planChanges(const std::vector<Statement> &statements, const std::vector<CrossReferenceKey> &presentBefore)
{
    const std::vector<CrossReferenceKey> pairs = namedReferences(statements).pairs;
    std::vector<PairState> states(pairs.size());
    auto stateOf = [&](const CrossReferenceKey &key) -> PairState * {
        const auto found = std::lower_bound(pairs.begin(), pairs.end(), key);
        return found != pairs.end() && *found == key ? &states[static_cast<std::size_t>(found - pairs.begin())]
                                                     : nullptr;
    };
    for (const CrossReferenceKey &key : presentBefore) {
        if (PairState *state = stateOf(key))
            state->presentBefore = state->present = true;
    }

    ChangePlan plan;
    for (std::size_t index = 0; index < statements.size(); ++index) {
        const Statement &statement = statements[index];
        const std::int32_t vendorId = vendorOf(statement);
        // Applies one change to the pair's state; false when it would change nothing.
        auto change = [&](std::int32_t centerId, SkipReason skipReason, auto &&apply) {
            if (apply(*stateOf({vendorId, centerId})))
                ++plan.changedRows;
            else
                plan.skipped.push_back({index, skipReason, vendorId, centerId});
        };
        if (const auto *insert = std::get_if<InsertCrossReference>(&statement)) {
            change(insert->centerId, SkipReason::AlreadySelected, [&](PairState &state) {
                if (state.present)
                    return false;
                state.present = state.written = true;
                state.handlingFee = insert->handlingFee;
                state.dutyBrokerageFee = insert->dutyBrokerageFee;
                return true;
            });
        } else if (const auto *update = std::get_if<UpdateCrossReference>(&statement)) {
            change(update->centerId, SkipReason::NotSelectedToUpdate, [&](PairState &state) {
                if (!state.present)
                    return false;
                state.written = true;
                state.handlingFee = update->handlingFee;
                state.dutyBrokerageFee = update->dutyBrokerageFee;
                return true;
            });
        } else {
            forEachCenter(statement, [&](std::int32_t centerId) {
                change(centerId, SkipReason::NotSelectedToRemove, [&](PairState &state) {
                    if (!state.present)
                        return false;
                    state.present = state.written = false;
                    return true;
                });
                return true;
            });
        }
    }

    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const PairState &state = states[i];
        const CrossReferenceValues values {pairs[i], state.handlingFee, state.dutyBrokerageFee};
        if (state.presentBefore && !state.present)
            plan.removed.push_back(pairs[i]);
        else if (!state.presentBefore && state.present)
            plan.added.push_back(values);
        else if (state.present && state.written)
            plan.updated.push_back(values);
    }
    return plan;
}

std::vector<std::int32_t> vendorLockBuckets(const std::vector<std::int32_t> &vendorIds)
{
    std::vector<std::int32_t> buckets;
    for (const std::int32_t vendorId : vendorIds)
        buckets.push_back(static_cast<std::int32_t>(static_cast<std::uint32_t>(vendorId) % kVendorLockBuckets));
    sortUnique(buckets);
    return buckets;
}

} // namespace vendorcenter::server
