#pragma once

#include <string>
#include <string_view>

namespace vendorcenter::server {

// The SQL both storages run, written once in SQLite's "?N" placeholder style.
// What differs between the databases (how a post is applied, the catalog
// queries, session settings) stays beside the storage that needs it.
enum class SqlDialect { Sqlite, Postgres };

// `text` for `dialect`: on PostgreSQL every "?N" placeholder becomes "$N".
// The shared texts hold no string literals, so every '?' is a placeholder.
std::string sqlFor(std::string_view text, SqlDialect dialect);

namespace sql {

// DOUBLE PRECISION is an 8-byte float on PostgreSQL and has REAL affinity on
// SQLite, so a fee reads back as the very double that was written on both.
extern const char *const kSchema;

// The count query and the two lists use the same conditions, so the counts
// equal the row counts for the same database state. ?1 is the vendor id.
extern const char *const kCounts;
extern const char *const kActiveCenters;
extern const char *const kSelectedCenters;

// SQLite has no anti-join that walks both sides in id order: for
// kActiveCenters it looks up the vendor's cross-reference once per center.
// Its storage reads the same list from these two instead, each in id order,
// skipping the vendor's centers among the active ones as it goes: half the
// time at 32,000 centers.
extern const char *const kEveryActiveCenter;
extern const char *const kSelectedCenterIds;

} // namespace sql

// The demo data a new database starts with, as INSERT statements with the
// values written out: no parameters, the same text for both databases.
std::string demoSeedSql();

} // namespace vendorcenter::server
