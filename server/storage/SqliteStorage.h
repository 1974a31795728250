#pragma once

#include "storage/ConnectionPool.h"
#include "storage/Storage.h"

#include <memory>
#include <string>
#include <vector>

namespace vendorcenter::server {

// Storage in one SQLite file. Each request thread borrows a connection of its
// own from a small pool, so reads run beside a write (WAL) instead of behind it.
class SqliteStorage final : public Storage
{
public:
    // Opens the file, creating it with the schema and the demo data when it
    // holds no tables yet. Throws StorageError when that is not possible.
    static std::unique_ptr<SqliteStorage> open(const std::string &path);
    ~SqliteStorage() override;

    SqliteStorage(const SqliteStorage &) = delete;
    SqliteStorage &operator=(const SqliteStorage &) = delete;

    VendorCounts counts(std::int32_t vendorId) override;
    void readActiveCenters(std::int32_t vendorId, const ActiveCenterSink &each) override;
    void readSelectedCenters(std::int32_t vendorId, const SelectedCenterSink &each) override;
    ApplyResult apply(const std::vector<Statement> &statements, std::string_view timestamp,
        const ListPrecondition *precondition = nullptr) override;

    struct Connection;

private:
    explicit SqliteStorage(std::string path);

    using Lease = ConnectionPool<Connection>::Lease;

    std::string path_;
    ConnectionPool<Connection> pool_;
};

} // namespace vendorcenter::server
