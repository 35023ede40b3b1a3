#include "postgres_cluster.h"

#include <libpq-fe.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace varnet::test {
namespace {

constexpr const char* kPort = "5432";

std::string NewestServerBin() {
    int newest = -1;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", ec)) {
        const std::string version = entry.path().filename().string();
        if (version.empty() || version.find_first_not_of("0123456789") != std::string::npos)
            continue;
        if (std::filesystem::exists(entry.path() / "bin" / "initdb") && std::stoi(version) > newest)
            newest = std::stoi(version);
    }
    return newest < 0 ? std::string() : "/usr/lib/postgresql/" + std::to_string(newest) + "/bin";
}

} // namespace

PostgresCluster& PostgresCluster::Shared() {
    static PostgresCluster cluster;
    return cluster;
}

PostgresCluster::PostgresCluster() {
    bin_ = NewestServerBin();
    if (bin_.empty()) {
        error_ = "no PostgreSQL server programs under /usr/lib/postgresql (setup.sh installs them)";
        return;
    }
    if (::geteuid() == 0) {
        if (!::getpwnam("postgres")) {
            error_ = "running as root, and there is no postgres user to run the server as";
            return;
        }
        user_ = "postgres";
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/varnet-pg-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        error_ = "cannot make a scratch folder for the cluster";
        return;
    }
    folder_ = pattern;
    if (!user_.empty()) {
        const passwd* pw = ::getpwnam(user_.c_str());
        if (::chown(folder_.c_str(), pw->pw_uid, pw->pw_gid) != 0) {
            error_ = "cannot hand the scratch folder to the postgres user";
            return;
        }
    }
    if (!RunAsServerUser("'" + bin_ + "/initdb' -D '" + folder_ +
                         "/data' -U varnet --auth=trust -E UTF8 -N >'" + folder_ + "/initdb.log' 2>&1")) {
        error_ = "initdb failed; see " + folder_ + "/initdb.log";
        return;
    }
    if (!Start())
        error_ = "the server did not start; see " + folder_ + "/server.log";
}

PostgresCluster::~PostgresCluster() {
    if (running_)
        Stop(false);
    if (!folder_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
}

bool PostgresCluster::RunAsServerUser(const std::string& command) const {
    const std::string line =
        user_.empty() ? command : "runuser -u " + user_ + " -- sh -c \"" + command + "\"";
    return std::system(line.c_str()) == 0;
}

bool PostgresCluster::Start() {
    running_ = RunAsServerUser("'" + bin_ + "/pg_ctl' -D '" + folder_ + "/data' -l '" + folder_ +
                               "/server.log' -w -t 60 -o '-k " + folder_ + " -c listen_addresses= -p " +
                               kPort + " -c fsync=off' start >/dev/null 2>&1");
    return running_;
}

bool PostgresCluster::Stop(bool immediate) {
    const bool stopped = RunAsServerUser("'" + bin_ + "/pg_ctl' -D '" + folder_ + "/data' -w -t 60 -m " +
                                         (immediate ? "immediate" : "fast") + " stop >/dev/null 2>&1");
    if (stopped)
        running_ = false;
    return stopped;
}

std::string PostgresCluster::Url(const std::string& database) const {
    return "postgresql://varnet@/" + database + "?host=" + folder_ + "&port=" + kPort;
}

std::string PostgresCluster::NewDatabase(const std::string& wanted) {
    // Unquoted names fold to lower case on the server.
    std::string name;
    for (char c : wanted)
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    PGconn* conn = PQconnectdb(Url("postgres").c_str());
    bool made = PQstatus(conn) == CONNECTION_OK;
    if (made) {
        PQsetNoticeProcessor(
            conn, [](void*, const char*) {}, nullptr);
        PGresult* result = PQexec(conn, ("DROP DATABASE IF EXISTS " + name + "; ").c_str());
        PQclear(result);
        result = PQexec(conn, ("CREATE DATABASE " + name).c_str());
        made = PQresultStatus(result) == PGRES_COMMAND_OK;
        PQclear(result);
    }
    PQfinish(conn);
    return made ? Url(name) : std::string();
}

} // namespace varnet::test
