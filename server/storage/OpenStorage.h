#pragma once

#include "storage/Storage.h"

#include <memory>
#include <string>
#include <string_view>

namespace vendorcenter::server {

// Picks the storage from the --database text: a postgresql:// or postgres://
// URI means PostgreSQL, anything else a SQLite file path.
// Throws StorageError when the database cannot be opened or is not supported.
std::unique_ptr<Storage> openStorage(const std::string &database);

bool isPostgresDatabase(std::string_view database);

// The --database text fit for messages and logs: a password in the URI's
// user part or in a password= setting is shown as "***".
std::string databaseForDisplay(std::string_view database);

} // namespace vendorcenter::server
