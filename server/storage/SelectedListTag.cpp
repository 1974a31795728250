#include "storage/SelectedListTag.h"

#include "StatementParser.h"

#define XXH_INLINE_ALL // header only: nothing of xxHash is linked or exported
#include <xxhash.h>

#include <algorithm>
#include <cstring>

namespace vendorcenter::server {
namespace {

constexpr std::size_t kHexDigits = 32;
constexpr std::size_t kFlushBytes = 16 * 1024;

template<typename Number>
void appendBytes(std::string &out, Number value)
{
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    out.append(bytes, sizeof value);
}

// Texts go in with their length, so that no two rows hash as the same bytes.
void appendText(std::string &out, std::string_view text)
{
    appendBytes(out, static_cast<std::uint64_t>(text.size()));
    out += text;
}

bool isLowerHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

} // namespace

// Rows are gathered into a buffer and hashed a piece at a time: one call per
// row would cost more than the hashing itself.
struct SelectedListTag::State
{
    XXH3_state_t hash;
    std::string pending;
};

SelectedListTag::SelectedListTag(std::int32_t vendorId) : vendorId_(vendorId), state_(std::make_unique<State>())
{
    XXH3_128bits_reset(&state_->hash);
    state_->pending.reserve(kFlushBytes + 1024);
}

SelectedListTag::~SelectedListTag() = default;

void SelectedListTag::add(const SelectedCenterRow &row)
{
    std::string &pending = state_->pending;
    appendBytes(pending, row.centerId);
    appendText(pending, row.centerName);
    appendBytes(pending, row.handlingFee);
    pending += row.dutyBrokerageFee != 0 ? '1' : '0';
    appendText(pending, row.recordLastUpdated);
    if (pending.size() >= kFlushBytes) {
        XXH3_128bits_update(&state_->hash, pending.data(), pending.size());
        pending.clear();
    }
}

std::string SelectedListTag::finish()
{
    XXH3_128bits_update(&state_->hash, state_->pending.data(), state_->pending.size());
    const XXH128_hash_t hash = XXH3_128bits_digest(&state_->hash);
    std::string tag = "\"" + std::to_string(vendorId_) + "-";
    for (const std::uint64_t half : {hash.high64, hash.low64}) {
        for (int shift = 60; shift >= 0; shift -= 4)
            tag += "0123456789abcdef"[(half >> shift) & 0xF];
    }
    return tag + "\"";
}

std::optional<std::int32_t> SelectedListTag::vendorOf(std::string_view tag)
{
    if (tag.size() < kHexDigits + 4 || !tag.starts_with('"') || !tag.ends_with('"'))
        return std::nullopt;
    const std::string_view inside = tag.substr(1, tag.size() - 2);
    const std::string_view digits = inside.substr(inside.size() - kHexDigits);
    if (inside[inside.size() - kHexDigits - 1] != '-' || !std::ranges::all_of(digits, isLowerHex))
        return std::nullopt;
    const std::string_view vendor = inside.substr(0, inside.size() - kHexDigits - 1);
    const std::optional<std::int32_t> vendorId = parseInt32(vendor);
    // Only the form the page writes: "012-..." names no list it ever tagged.
    if (!vendorId || std::to_string(*vendorId) != vendor)
        return std::nullopt;
    return vendorId;
}

} // namespace vendorcenter::server
