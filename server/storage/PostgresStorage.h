#pragma once

#include "storage/ConnectionPool.h"
#include "storage/Storage.h"

#include <memory>
#include <string>
#include <vector>

namespace vendorcenter::server {

// Storage in a PostgreSQL database, through libpq. Each request thread
// borrows a connection of its own from a small pool. A connection that broke
// (the server restarted, the network dropped) is replaced on the next request;
// while the server cannot be reached, calls throw StorageUnavailable or
// report ApplyResult::Outcome::Unavailable.
class PostgresStorage final : public Storage
{
public:
    // `uri` is any libpq connection URI (postgresql://USER@HOST:PORT/DBNAME).
    // Connects once, creating the schema and the demo data when the database
    // holds no tables yet. Throws StorageError, with any password masked, when
    // that is not possible.
    static std::unique_ptr<PostgresStorage> open(const std::string &uri);
    ~PostgresStorage() override;

    PostgresStorage(const PostgresStorage &) = delete;
    PostgresStorage &operator=(const PostgresStorage &) = delete;

    VendorCounts counts(std::int32_t vendorId) override;
    void readActiveCenters(std::int32_t vendorId, const ActiveCenterSink &each) override;
    void readSelectedCenters(std::int32_t vendorId, const SelectedCenterSink &each) override;
    ApplyResult apply(const std::vector<Statement> &statements, std::string_view timestamp,
        const ListPrecondition *precondition = nullptr) override;

    struct Connection;

private:
    explicit PostgresStorage(std::string uri);

    std::unique_ptr<Connection> connect() const;
    std::unique_ptr<Connection> connectPrepared() const;
    template<typename Work>
    auto withConnection(Work &&work);

    std::string uri_;
    std::string password_; // scrubbed from every message that leaves this class
    ConnectionPool<Connection> pool_;
};

} // namespace vendorcenter::server
