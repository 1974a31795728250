#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace vendorcenter::server {

// The idle connections to one database. Each request thread borrows one of
// its own for the length of a call; when none is idle, a new one is made.
// `Connection` provides `bool readyForReuse() noexcept`, which ends any
// transaction left open and says whether the connection can serve again.
template<typename Connection>
class ConnectionPool
{
public:
    // A borrowed connection that goes back to the pool when the lease ends,
    // unless it broke or was discarded.
    class Lease
    {
    public:
        explicit Lease(ConnectionPool &pool) : pool_(pool), connection_(pool.take(reused_)) { }
        ~Lease()
        {
            if (connection_ && connection_->readyForReuse())
                pool_.giveBack(std::move(connection_));
        }
        Lease(const Lease &) = delete;
        Lease &operator=(const Lease &) = delete;

        Connection &operator*() const { return *connection_; }
        Connection *operator->() const { return connection_.get(); }
        // True when the connection had served before: it may have broken since.
        bool reused() const { return reused_; }
        void discard() { connection_.reset(); }

    private:
        ConnectionPool &pool_;
        bool reused_ = false;
        std::unique_ptr<Connection> connection_;
    };

    // `connect` makes a new connection ready for use, or throws.
    explicit ConnectionPool(std::function<std::unique_ptr<Connection>()> connect) : connect_(std::move(connect)) { }

    void giveBack(std::unique_ptr<Connection> connection)
    {
        std::lock_guard lock(idleMutex_);
        idle_.push_back(std::move(connection));
    }

    // Closes every idle connection (outside the pool's lock).
    void dropIdle()
    {
        std::vector<std::unique_ptr<Connection>> dropped;
        std::lock_guard lock(idleMutex_);
        dropped.swap(idle_);
    }

private:
    std::unique_ptr<Connection> take(bool &reused)
    {
        {
            std::lock_guard lock(idleMutex_);
            if (!idle_.empty()) {
                auto connection = std::move(idle_.back());
                idle_.pop_back();
                reused = true;
                return connection;
            }
        }
        return connect_();
    }

    std::function<std::unique_ptr<Connection>()> connect_;
    std::mutex idleMutex_;
    std::vector<std::unique_ptr<Connection>> idle_;
};

} // namespace vendorcenter::server
