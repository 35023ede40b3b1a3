// A throw-away PostgreSQL server for the line-server tests: a cluster made
// with initdb in a scratch folder, listening only on a Unix socket there,
// started and stopped on demand (pg_ctl), removed at the end. Run as the
// "postgres" system user when the tests run as root (the server refuses
// root), as the current user otherwise.
//
// Available() is false with a reason when the server programs are missing;
// CI must have them (setup.sh installs them), so tests fail there instead of
// skipping.
#pragma once

#include <string>

namespace varnet::test {

class PostgresCluster {
public:
    // The one cluster of the test program, made on first use.
    static PostgresCluster& Shared();
    ~PostgresCluster();

    bool Available() const { return error_.empty(); }
    const std::string& Error() const { return error_; }

    bool Start();
    // fast: clients are disconnected at once; immediate: as if the machine
    // lost power (recovery on the next start).
    bool Stop(bool immediate = false);
    // A database of its own on the server, for one test.
    std::string NewDatabase(const std::string& name);

private:
    PostgresCluster();
    bool RunAsServerUser(const std::string& command) const;
    std::string Url(const std::string& database) const;

    std::string error_;
    std::string bin_;
    std::string folder_;
    std::string user_; // empty: the current user
    bool running_ = false;
};

} // namespace varnet::test
