#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vendorcenter::server {

// The demo data a new database starts with, the same for every storage.
struct SeedVendor
{
    std::int32_t vendorId;
    std::string vendorName;
    int dutyDefault;
};

struct SeedCenter
{
    std::int32_t centerId;
    std::string centerName;
    std::int32_t countryId;
    std::optional<std::string> city;
    int active;
    std::optional<std::string> dateUpdated;
};

struct SeedCrossReference
{
    std::int32_t vendorId;
    std::int32_t centerId;
    double handlingFee;
    int dutyBrokerageFee;
    std::string recordLastUpdated;
};

struct DemoSeed
{
    std::vector<SeedVendor> vendors;
    std::vector<SeedCenter> centers;
    std::vector<SeedCrossReference> crossReferences;
};

const DemoSeed &demoSeed();

} // namespace vendorcenter::server
