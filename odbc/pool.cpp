#include "odbc/pool.h"

#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "odbc/schema.h"
#include "odbc/statement.h"

namespace odbc {

namespace {

constexpr std::size_t kKeptPerServer = 4;

struct Pool {
    std::mutex mutex;
    std::shared_ptr<Environment> environment;
    std::map<std::string, std::vector<std::unique_ptr<Connection>>> idle;
};

Pool& pool() {
    static Pool p;
    return p;
}

store::Result<std::shared_ptr<Environment>> environment() {
    Pool& p = pool();
    std::lock_guard lock(p.mutex);
    if (!p.environment) {
        auto env = Environment::create();
        if (!env) return env.failure();
        p.environment = *env;
    }
    return p.environment;
}

store::Status set_up_session(Connection& c) {
    // A PC that holds the tables' lock longer than this makes the others report "busy"
    // rather than wait; a PC that vanished in the middle of a transaction loses it.
    Query q(c);
    return q.run("SELECT set_config(?, ?, false), set_config(?, ?, false)",
                 {text_param("lock_timeout"), text_param("10s"),
                  text_param("idle_in_transaction_session_timeout"), text_param("60s")});
}

}  // namespace

std::optional<std::string> other_driver_name(const std::string& connection_string) {
    static const std::pair<std::string_view, std::string_view> kNames[] = {
        {"{PostgreSQL Unicode}", "{PostgreSQL Unicode(x64)}"},
        {"{PostgreSQL Unicode(x64)}", "{PostgreSQL Unicode}"},
    };
    std::string folded = connection_string;
    for (auto& ch : folded)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    for (const auto& [name, other] : kNames) {
        std::string key = "driver=" + std::string(name);
        for (auto& ch : key)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        const auto at = folded.find(key);
        if (at == std::string::npos) continue;
        std::string out = connection_string;
        out.replace(at + 7, name.size(), other);
        return out;
    }
    return std::nullopt;
}

std::string with_engine_options(const std::string& connection_string, bool link_timeout) {
    std::string s = connection_string;
    while (!s.empty() && (s.back() == ';' || s.back() == ' '))
        s.pop_back();
    // For the PostgreSQL driver: text read as stored (no CR added before LF), yes/no as a
    // bit, every value sent to the server as a parameter of a prepared statement, whole
    // results at once, a failed statement undoing its whole transaction (as the engine
    // promises, and without a savepoint before every statement), and a link that dies
    // unnoticed found out within a minute, or within 20 s of data left unanswered.
    return s +
           ";Protocol=7.4-1;LFConversion=0;BoolsAsChar=0;TrueIsMinus1=0;UseServerSidePrepare=1;"
           "UseDeclareFetch=0;TextAsLongVarchar=1;KeepaliveTime=30;KeepaliveInterval=5" +
           (link_timeout ? ";pqopt={tcp_user_timeout=20000}" : "");
}

store::Result<Link> take_connection(const std::string& connection_string, bool reuse) {
    if (reuse) {
        Pool& p = pool();
        std::lock_guard lock(p.mutex);
        auto it = p.idle.find(connection_string);
        if (it != p.idle.end() && !it->second.empty()) {
            Link link{std::move(it->second.back()), true};
            it->second.pop_back();
            return link;
        }
    }
    auto env = environment();
    if (!env) return env.failure();
    std::string text = connection_string;
    auto c = Connection::open(*env, with_engine_options(text));
    if (!c && c.failure().kind == store::StoreFailure::no_driver) {
        // psqlODBC names its 64-bit driver on Windows "PostgreSQL Unicode(x64)", its 32-bit
        // one and the one on Linux "PostgreSQL Unicode": either name finds whichever is there.
        if (auto other = other_driver_name(connection_string)) {
            if (auto again = Connection::open(*env, with_engine_options(*other))) {
                c = std::move(again);
                text = *other;
            }
        }
    }
    if (!c && c.failure().message.find("tcp_user_timeout") != std::string::npos) {
        // A driver built on a libpq older than PostgreSQL 12 does not know the option.
        if (auto again = Connection::open(*env, with_engine_options(text, false)))
            c = std::move(again);
    }
    if (!c) return c.failure();
    if (auto s = set_up_session(**c); !s) return s.failure();
    if (auto s = prepare_schema(**c); !s) return s.failure();
    return Link{std::move(*c), false};
}

void give_back(const std::string& connection_string, std::unique_ptr<Connection> connection) {
    Pool& p = pool();
    std::lock_guard lock(p.mutex);
    auto& kept = p.idle[connection_string];
    if (kept.size() < kKeptPerServer) kept.push_back(std::move(connection));
}

void forget_connections() {
    Pool& p = pool();
    std::lock_guard lock(p.mutex);
    p.idle.clear();
}

}  // namespace odbc
