#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vendorcenter::server {

// The three statements the control produces on VendorCenterCrossReference.
struct InsertCrossReference
{
    std::int32_t vendorId = 0;
    std::int32_t centerId = 0;
    double handlingFee = 0.0;
    int dutyBrokerageFee = 0;
};

struct UpdateCrossReference
{
    std::int32_t vendorId = 0;
    std::int32_t centerId = 0;
    double handlingFee = 0.0;
    int dutyBrokerageFee = 0;
};

struct DeleteCrossReferences
{
    std::int32_t vendorId = 0;
    std::vector<std::int32_t> centerIds;
};

using Statement = std::variant<InsertCrossReference, UpdateCrossReference, DeleteCrossReferences>;

struct ParsedStatement
{
    std::optional<Statement> statement;
    std::string error; // why the text was refused, when statement is empty
};

// The most the control puts in one post, and in one IN(...) list.
inline constexpr std::size_t kMaxStatements = 32767;
inline constexpr std::size_t kMaxIdsInList = 32767;

// Recognises exactly the INSERT, UPDATE and DELETE texts the control builds
// (keywords and names in any letter case, any whitespace between tokens) and
// pulls out their values. Everything else is refused with a reason.
ParsedStatement parseStatement(std::string_view text);

// Strict number readers shared with the query handling.
std::optional<std::int32_t> parseInt32(std::string_view text);
std::optional<double> parsePlainDecimal(std::string_view text);

std::int32_t vendorOf(const Statement &statement);

} // namespace vendorcenter::server
