#pragma once

#include "storage/Storage.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vendorcenter::server {

// The strong entity tag of a vendor's selected list: "<vendor id>-<32 hex
// digits>", quotes included, the digits a 128-bit XXH3 hash of every field of
// every row the list shows. It depends on the data alone, so it is the same
// on every server page over the same database, and it changes whenever one of
// the rows does, whoever wrote it.
class SelectedListTag
{
public:
    explicit SelectedListTag(std::int32_t vendorId);
    ~SelectedListTag();
    SelectedListTag(const SelectedListTag &) = delete;
    SelectedListTag &operator=(const SelectedListTag &) = delete;

    // The rows in the order the list shows them.
    void add(const SelectedCenterRow &row);
    std::string finish();

    // The vendor a tag of this form names; nullopt for anything else (a weak
    // tag, "*", a list of tags).
    static std::optional<std::int32_t> vendorOf(std::string_view tag);

private:
    struct State;
    std::int32_t vendorId_;
    std::unique_ptr<State> state_;
};

} // namespace vendorcenter::server
