#include "open_storage.h"

#include "sqlite_storage.h"

namespace vendorcenter::server {

std::unique_ptr<Storage> openStorage(const std::string& database) {
    if (database.rfind("postgresql://", 0) == 0 || database.rfind("postgres://", 0) == 0) {
        throw StorageError("PostgreSQL databases are not supported by this build");
    }
    return SqliteStorage::open(database);
}

}  // namespace vendorcenter::server
