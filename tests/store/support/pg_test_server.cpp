#include "tests/store/support/pg_test_server.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "tests/jet/run_command.h"

namespace testing_support {

namespace {

std::string script() {
    return LQ_PG_SERVER_SCRIPT;
}

std::string quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

int exit_code(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

std::unique_ptr<PgServer> PgServer::start(bool durable) {
    const char* tmp = std::getenv("TMPDIR");
    static int started = 0;
    const std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/lq_pg_" +
                            std::to_string(::getpid()) + "_" + std::to_string(++started);
    int status = 0;
    const std::string out = run_command("bash " + quoted(script()) + " start " + quoted(dir) +
                                            (durable ? " --fsync" : "") + " 2>&1",
                                        &status);
    if (exit_code(status) != 0) throw std::runtime_error("the test server did not start: " + out);
    std::unique_ptr<PgServer> s(new PgServer(dir, true));
    s->load_env();
    return s;
}

std::unique_ptr<PgServer> PgServer::attach(const std::string& dir) {
    std::unique_ptr<PgServer> s(new PgServer(dir, false));
    s->load_env();
    return s;
}

PgServer& PgServer::shared() {
    static std::unique_ptr<PgServer> server = [] {
        const char* dir = std::getenv("LQ_TEST_PG");
        return dir && *dir ? attach(dir) : start();
    }();
    return *server;
}

PgServer::~PgServer() {
    if (own_) run_command("bash " + quoted(script()) + " stop " + quoted(dir_) + " 2>&1");
}

void PgServer::load_env() {
    std::ifstream in(dir_ + "/server.env");
    if (!in) throw std::runtime_error("no test server in " + dir_);
    for (std::string line; std::getline(in, line);) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) env_[line.substr(0, eq)] = line.substr(eq + 1);
    }
}

int PgServer::port() const {
    return std::atoi(env_.at("LQ_PG_PORT").c_str());
}

std::string PgServer::connection_string(const std::string& database) const {
    return connection_string(database, shop_user(), shop_password(), port());
}

std::string PgServer::connection_string(const std::string& database, const std::string& user,
                                        const std::string& password, int port) const {
    return "Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=" + std::to_string(port) +
           ";Database=" + database + ";Uid=" + user + ";Pwd=" + password + ";";
}

std::string PgServer::fresh_database(const std::string& hint) {
    const std::string name =
        "lq_" + hint + "_" + std::to_string(::getpid()) + "_" + std::to_string(++databases_);
    admin_sql("postgres", "CREATE DATABASE " + name + " OWNER " + shop_user());
    return name;
}

std::string PgServer::psql(const std::string& user, const std::string& password,
                           const std::string& database, const std::string& sql, int* status) const {
    // The statement goes in a file: no shell quoting can change it.
    char path[] = "/tmp/lq_psql_XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) throw std::runtime_error("cannot make a file for psql");
    if (::write(fd, sql.data(), sql.size()) != static_cast<ssize_t>(sql.size())) {
        ::close(fd);
        throw std::runtime_error("cannot write a file for psql");
    }
    ::close(fd);
    int code = 0;
    const std::string out = run_command(
        "PGPASSWORD=" + quoted(password) + " " + quoted(env_.at("LQ_PG_BIN") + "/psql") +
            " -X -q -h 127.0.0.1 -p " + std::to_string(port()) + " -U " + quoted(user) + " -d " +
            quoted(database) + " -At -v ON_ERROR_STOP=1 -f " + path + " 2>&1",
        &code);
    ::unlink(path);
    if (status) {
        *status = exit_code(code);
    } else if (exit_code(code) != 0) {
        throw std::runtime_error("psql failed: " + out);
    }
    return out;
}

std::string PgServer::admin_sql(const std::string& database, const std::string& sql,
                                int* status) const {
    return psql(env_.at("LQ_PG_ADMIN"), env_.at("LQ_PG_ADMIN_PASSWORD"), database, sql, status);
}

std::string PgServer::shop_sql(const std::string& database, const std::string& sql,
                               int* status) const {
    return psql(shop_user(), shop_password(), database, sql, status);
}

std::string PgServer::dump(const std::string& database) const {
    int code = 0;
    const std::string out =
        run_command("PGPASSWORD=" + quoted(env_.at("LQ_PG_ADMIN_PASSWORD")) + " " +
                        quoted(env_.at("LQ_PG_BIN") + "/pg_dump") + " -h 127.0.0.1 -p " +
                        std::to_string(port()) + " -U " + quoted(env_.at("LQ_PG_ADMIN")) + " " +
                        quoted(database) + " 2>&1",
                    &code);
    if (exit_code(code) != 0) throw std::runtime_error("pg_dump failed: " + out);
    // Every dump names a random key of its own; the rest is the database.
    std::string kept;
    for (std::size_t at = 0; at < out.size();) {
        std::size_t end = out.find('\n', at);
        end = end == std::string::npos ? out.size() : end + 1;
        const std::string line = out.substr(at, end - at);
        if (!line.starts_with("\\restrict") && !line.starts_with("\\unrestrict")) kept += line;
        at = end;
    }
    return kept;
}

void PgServer::halt(const std::string& mode) {
    int status = 0;
    const std::string out = run_command(
        "bash " + quoted(script()) + " halt " + quoted(dir_) + " " + quoted(mode) + " 2>&1",
        &status);
    if (exit_code(status) != 0) throw std::runtime_error("the test server did not stop: " + out);
}

void PgServer::resume() {
    int status = 0;
    const std::string out =
        run_command("bash " + quoted(script()) + " resume " + quoted(dir_) + " 2>&1", &status);
    if (exit_code(status) != 0)
        throw std::runtime_error("the test server did not start again: " + out);
}

}  // namespace testing_support
