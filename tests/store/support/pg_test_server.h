#pragma once
// A PostgreSQL for the tests, started by tests/store/pg_server.sh: the one ctest started
// (LQ_TEST_PG names its folder), or one of this process's own, started on first use and
// stopped when the process ends.
#include <map>
#include <memory>
#include <string>

namespace testing_support {

class PgServer {
  public:
    // A server of its own in a new folder; `durable` keeps fsync on (for figures).
    static std::unique_ptr<PgServer> start(bool durable = false);
    // The server whose folder (with server.env) is `dir`, left running afterwards.
    static std::unique_ptr<PgServer> attach(const std::string& dir);
    // The one every test of this process shares.
    static PgServer& shared();

    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    int port() const;
    const std::string& directory() const { return dir_; }
    // A new, empty database owned by the shop's role.
    std::string fresh_database(const std::string& hint = "t");
    // The shop's connection string for a database; another user, password or port on ask.
    std::string connection_string(const std::string& database) const;
    std::string connection_string(const std::string& database, const std::string& user,
                                  const std::string& password, int port) const;
    const std::string& shop_user() const { return env_.at("LQ_PG_SHOP"); }
    const std::string& shop_password() const { return env_.at("LQ_PG_SHOP_PASSWORD"); }

    // Runs SQL through psql as the superuser; what psql printed (-At: unaligned, tuples only,
    // fields split by '|'). `status` gets psql's exit status; without it a failure throws.
    std::string admin_sql(const std::string& database, const std::string& sql,
                          int* status = nullptr) const;
    // The same as the shop's role.
    std::string shop_sql(const std::string& database, const std::string& sql,
                         int* status = nullptr) const;

    // The whole database as pg_dump writes it (tables, functions, rows).
    std::string dump(const std::string& database) const;

    // Stops the server ("fast" or "immediate"), keeping its folder, and starts it again.
    void halt(const std::string& mode = "fast");
    void resume();

  private:
    PgServer(std::string dir, bool own) : dir_(std::move(dir)), own_(own) {}
    void load_env();
    std::string psql(const std::string& user, const std::string& password,
                     const std::string& database, const std::string& sql, int* status) const;

    std::string dir_;
    bool own_ = false;
    std::map<std::string, std::string> env_;
    int databases_ = 0;
};

}  // namespace testing_support
