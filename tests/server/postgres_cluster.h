#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vendorcenter::server::testing {

// A loopback port nothing listens on at the moment of the call, or 0.
int freeLoopbackPort();

// A throwaway PostgreSQL cluster for one test process: initdb into a fresh
// directory under /tmp, listening on 127.0.0.1 only, on a free port, run by a
// user other than root. It is started on first use and stopped and removed
// when the process's tests end; a guard process removes it should the test
// process die first.
class PostgresCluster {
public:
    // The cluster of this process, started on the first call. Null when the
    // PostgreSQL server programs are not installed; the first such call prints
    // one line saying so. Throws when they are there but the cluster cannot start.
    static PostgresCluster* shared();

    ~PostgresCluster();
    PostgresCluster(const PostgresCluster&) = delete;
    PostgresCluster& operator=(const PostgresCluster&) = delete;

    int port() const { return port_; }

    // A libpq URI for `database` as the server page is given it. The cluster
    // trusts loopback connections, so any password is accepted.
    std::string uri(const std::string& database, const std::string& password = {}) const;

    // A new, empty database of that name (dropped first if it is there).
    void createDatabase(const std::string& database) const;

    // SQL run as the cluster's superuser; throws with the server's message.
    void execute(const std::string& database, const std::string& sql) const;
    // Every row of a query, each field as text (NULL as nullopt); floats
    // with all their digits.
    std::vector<std::vector<std::optional<std::string>>> rows(const std::string& database, const std::string& sql) const;

    // Stops the server at once (open connections break) and starts it again
    // on the same port with the same data.
    void stopServer();
    void startServer();

private:
    PostgresCluster() = default;
    void initialise(const std::string& binDirectory);
    int runAsOwner(const std::vector<std::string>& arguments, int timeoutSeconds) const;
    bool tryStart(int port);
    void startGuard();
    void removeEverything();

    std::string binDirectory_;
    std::string directory_;
    std::string owner_;  // the user that runs the server when the tests run as root
    int port_ = 0;
    bool running_ = false;
    int guardInput_ = -1;
    int guardPid_ = -1;
};

}  // namespace vendorcenter::server::testing
