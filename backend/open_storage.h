#pragma once

#include "storage.h"

#include <memory>
#include <string>

namespace vendorcenter::server {

// Picks the storage from the --database text: a file path means SQLite.
// Throws StorageError when the database cannot be opened or is not supported.
std::unique_ptr<Storage> openStorage(const std::string& database);

}  // namespace vendorcenter::server
