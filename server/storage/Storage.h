#pragma once

#include "StatementParser.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vendorcenter::server {

// What the count query reports for one vendor. An unknown vendor reports zeros.
struct VendorCounts
{
    int dutyDefault = 0;
    std::int64_t nonSelectedCount = 0;
    std::int64_t selectedCount = 0;
};

// An active center that is not cross-referenced to the vendor. The texts are
// valid only while the row is being handed over.
struct ActiveCenterRow
{
    std::int64_t centerId = 0;
    std::string_view centerName;
    std::int64_t countryId = 0;
    int active = 1;
    std::optional<std::string_view> city;
    std::optional<std::string_view> dateUpdated; // stored form 'YYYY-MM-DD HH:MM:SS'
};

// A center cross-referenced to the vendor, with the cross-reference's own values.
struct SelectedCenterRow
{
    std::int64_t centerId = 0;
    std::string_view centerName;
    double handlingFee = 0.0; // a fraction: 0.08 is 8 %
    int dutyBrokerageFee = 0;
    std::string_view recordLastUpdated; // stored form 'YYYY-MM-DD HH:MM:SS'
};

using ActiveCenterSink = std::function<void(const ActiveCenterRow &)>;
using SelectedCenterSink = std::function<void(const SelectedCenterRow &)>;

enum class SkipReason {
    AlreadySelected, // INSERT of a pair that exists
    NotSelectedToUpdate, // UPDATE of a pair that does not exist
    NotSelectedToRemove, // DELETE of a pair that does not exist
};

struct SkippedChange
{
    std::size_t statementIndex = 0; // 0-based position in the post
    SkipReason reason = SkipReason::AlreadySelected;
    std::int32_t vendorId = 0;
    std::int32_t centerId = 0;
};

struct ApplyResult
{
    enum class Outcome {
        Applied, // committed
        UnknownReference, // a vendor or center that does not exist; rolled back
        StorageFailure, // the database failed; rolled back
        Unavailable, // the database could not be reached; nothing applied
        CommitUncertain, // the connection broke during COMMIT: applied in full or not at all
        PreconditionFailed, // the vendor's selected list is no longer the one guarded; nothing applied
    };
    Outcome outcome = Outcome::Applied;
    std::size_t changedRows = 0;
    std::vector<SkippedChange> skipped;
    std::size_t failedStatementIndex = 0; // for UnknownReference
    std::string detail; // what was unknown, or the database's message
};

// A post made from a vendor's selected list as it was loaded (sent with
// If-Match): it is applied only while the list still has that tag.
struct ListPrecondition
{
    std::int32_t vendorId = 0;
    std::string tag; // as SelectedListTag writes it
};

// A failure of the database while reading; the request answers 500.
class StorageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The database cannot be reached just now; the request answers 503 and a
// later one may succeed.
class StorageUnavailable : public StorageError
{
public:
    using StorageError::StorageError;
};

// The server page's view of its database. Implementations are safe to call
// from several request threads at once.
class Storage
{
public:
    virtual ~Storage() = default;

    virtual VendorCounts counts(std::int32_t vendorId) = 0;
    // Hand the rows over one by one, ordered by center id, straight from the
    // database: the lists can hold tens of thousands of centers.
    virtual void readActiveCenters(std::int32_t vendorId, const ActiveCenterSink &each) = 0;
    virtual void readSelectedCenters(std::int32_t vendorId, const SelectedCenterSink &each) = 0;

    // Runs every statement in one transaction; nothing is kept unless the
    // outcome is Applied. `timestamp` ('YYYY-MM-DD HH:MM:SS') stands for GETDATE().
    // With a precondition the vendor's list is tagged anew inside the same
    // transaction, after every other post for the vendor has committed and
    // before anything is written: another tag is PreconditionFailed.
    virtual ApplyResult apply(const std::vector<Statement> &statements, std::string_view timestamp,
        const ListPrecondition *precondition = nullptr) = 0;
};

} // namespace vendorcenter::server
