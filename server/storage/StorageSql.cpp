#include "storage/StorageSql.h"

#include "storage/DemoSeed.h"

#include <charconv>
#include <optional>

namespace vendorcenter::server {

std::string sqlFor(std::string_view text, SqlDialect dialect)
{
    std::string out(text);
    if (dialect == SqlDialect::Postgres) {
        for (std::size_t at = out.find('?'); at != std::string::npos; at = out.find('?', at + 1))
            out[at] = '$';
    }
    return out;
}

namespace sql {

const char *const kSchema = R"SQL(
CREATE TABLE Vendors(
    VendorID INTEGER PRIMARY KEY,
    VendorName TEXT NOT NULL,
    DutyDefault INTEGER NOT NULL DEFAULT 0);
CREATE TABLE Centers(
    CenterID INTEGER PRIMARY KEY,
    CenterName TEXT NOT NULL,
    CountryID INTEGER NOT NULL,
    City TEXT,
    Active INTEGER NOT NULL DEFAULT 1,
    DateUpdated TEXT);
CREATE TABLE VendorCenterCrossReference(
    VendorID INTEGER NOT NULL REFERENCES Vendors,
    CenterID INTEGER NOT NULL REFERENCES Centers,
    CenterHandlingFee DOUBLE PRECISION NOT NULL,
    DutyBrokerageFee INTEGER NOT NULL,
    RecordLastUpdated TEXT NOT NULL,
    PRIMARY KEY (VendorID, CenterID));
)SQL";

#define VC_ACTIVE_NOT_SELECTED                                                                                         \
    " FROM Centers c WHERE c.Active = 1"                                                                               \
    " AND EXISTS (SELECT 1 FROM Vendors v WHERE v.VendorID = ?1)"                                                      \
    " AND NOT EXISTS (SELECT 1 FROM VendorCenterCrossReference x"                                                      \
    "                 WHERE x.VendorID = ?1 AND x.CenterID = c.CenterID)"
#define VC_SELECTED " FROM VendorCenterCrossReference x JOIN Centers c ON c.CenterID = x.CenterID WHERE x.VendorID = ?1"

// The active count is all active centers less the vendor's active selected
// ones (a pair exists at most once). Both selected counts come from one walk
// over the vendor's cross-references.
const char *const kCounts =
    "SELECT (SELECT DutyDefault FROM Vendors WHERE VendorID = ?1),"
    " CASE WHEN EXISTS (SELECT 1 FROM Vendors WHERE VendorID = ?1)"
    "  THEN (SELECT count(*) FROM Centers WHERE Active = 1) - s.activeSelected"
    "  ELSE 0 END,"
    " s.selected"
    " FROM (SELECT count(*) AS selected, count(*) FILTER (WHERE c.Active = 1) AS activeSelected" VC_SELECTED ") AS s";

const char *const kActiveCenters =
    "SELECT c.CenterID, c.CenterName, c.CountryID, c.Active, c.City, c.DateUpdated" VC_ACTIVE_NOT_SELECTED
    " ORDER BY c.CenterID";
const char *const kSelectedCenters =
    "SELECT c.CenterID, c.CenterName, x.CenterHandlingFee, x.DutyBrokerageFee, x.RecordLastUpdated" VC_SELECTED
    " ORDER BY x.CenterID"; // the same order as c.CenterID, and the order of the key: no sort step

const char *const kEveryActiveCenter =
    "SELECT c.CenterID, c.CenterName, c.CountryID, c.Active, c.City, c.DateUpdated FROM Centers c WHERE c.Active = 1"
    " ORDER BY c.CenterID";
const char *const kSelectedCenterIds =
    "SELECT x.CenterID FROM VendorCenterCrossReference x WHERE x.VendorID = ?1 ORDER BY x.CenterID";

#undef VC_ACTIVE_NOT_SELECTED
#undef VC_SELECTED

} // namespace sql

namespace {

// A string literal: quotes doubled, the only escape both databases share
// (PostgreSQL keeps backslashes as they are with its standard settings).
void appendText(std::string &out, std::string_view text)
{
    out += '\'';
    for (char c : text) {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    out += '\'';
}

void appendText(std::string &out, const std::optional<std::string> &text)
{
    if (text) {
        appendText(out, std::string_view(*text));
    } else {
        out += "NULL";
    }
}

// The shortest text that reads back as the same number.
template<typename Number>
void appendNumber(std::string &out, Number value)
{
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, error == std::errc() ? end : buffer);
}

} // namespace

std::string demoSeedSql()
{
    const DemoSeed &seed = demoSeed();
    std::string out;
    for (const SeedVendor &row : seed.vendors) {
        out += "INSERT INTO Vendors(VendorID, VendorName, DutyDefault) VALUES (";
        appendNumber(out, row.vendorId);
        out += ", ";
        appendText(out, std::string_view(row.vendorName));
        out += ", ";
        appendNumber(out, row.dutyDefault);
        out += ");\n";
    }
    for (const SeedCenter &row : seed.centers) {
        out += "INSERT INTO Centers(CenterID, CenterName, CountryID, City, Active, DateUpdated) VALUES (";
        appendNumber(out, row.centerId);
        out += ", ";
        appendText(out, std::string_view(row.centerName));
        out += ", ";
        appendNumber(out, row.countryId);
        out += ", ";
        appendText(out, row.city);
        out += ", ";
        appendNumber(out, row.active);
        out += ", ";
        appendText(out, row.dateUpdated);
        out += ");\n";
    }
    for (const SeedCrossReference &row : seed.crossReferences) {
        out += "INSERT INTO VendorCenterCrossReference(VendorID, CenterID, CenterHandlingFee, DutyBrokerageFee,"
               " RecordLastUpdated) VALUES (";
        appendNumber(out, row.vendorId);
        out += ", ";
        appendNumber(out, row.centerId);
        out += ", ";
        appendNumber(out, row.handlingFee);
        out += ", ";
        appendNumber(out, row.dutyBrokerageFee);
        out += ", ";
        appendText(out, std::string_view(row.recordLastUpdated));
        out += ");\n";
    }
    return out;
}

} // namespace vendorcenter::server
