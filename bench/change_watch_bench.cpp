// How soon a customer saved on one PC shows in another PC's list: the other PC is the real
// main window on the in-memory backend with its change watch, ticked at the watch's own
// period against the wall clock. Each save lands at a random point between two ticks (a
// fixed seed), through a connection of its own, and the time runs from the save's return
// until the tick after which the list's top row is that customer: the wait for the tick,
// the stamp read and the list load. On the Jet file and on a PostgreSQL on 127.0.0.1 started
// here with fsync on, at 1,000 and 10,000 customers.
// Prints one line per store: "watch <store> <customers> <median ms> <max ms> <tick ms>",
// tick being the median cost of a tick that loaded the list (the stamp read and the load).
// usage: change_watch_bench [SAVES]   (default 8 saves per store)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/change_watch.h"
#include "app/main_window.h"
#include "bench/customer_db.h"
#include "forms/forms.h"
#include "runtime/headless/backend.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "tests/store/support/pg_test_server.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

struct Figures {
    std::vector<double> shown_after;   // save's return -> list shows it
    std::vector<double> loading_tick;  // the cost of the tick that showed it
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

testing_support::PgServer& server() {
    static std::unique_ptr<testing_support::PgServer> s = testing_support::PgServer::start(true);
    return *s;
}

// A server database holding `count` customers, filled in one statement.
std::string server_shop(int count) {
    auto& pg = server();
    const std::string db = pg.fresh_database("watch" + std::to_string(count));
    const std::string text = pg.connection_string(db);
    store::StoreConnection c;
    if (!c.open_store(store::StoreLocation{"", "", text}))
        throw std::runtime_error("the server did not open: " + c.last_error());
    c.close_store();
    pg.admin_sql(db,
                 "INSERT INTO yrkb_com (wang, wang2, time1, time2, bs, yn)"
                 " SELECT '买家_' || n, '小店一号',"
                 " timestamp '1899-12-30' + (45000 + n % 700) * interval '1 day',"
                 " timestamp '1899-12-30' + (45700 + n % 50) * interval '1 day',"
                 " '问过尺码', n % 5 = 0 FROM generate_series(1, " +
                     std::to_string(count) + ") AS n; VACUUM ANALYZE yrkb_com;");
    return text;
}

Figures measure(const std::string& dir, bool on_server, int count, int saves) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    runtime::headless::Backend backend;
    backend.shell().set_program_directory(dir);
    const std::string db_path = store::build_database_path(dir);
    if (on_server) {
        jet::OsFileSystem os;
        store::provision_store(os, db_path);  // the PC's own file, beside the server
    } else {
        const auto bytes = bench::customer_database(count);
        std::ofstream out(db_path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) throw std::runtime_error("cannot write " + db_path);
    }
    if (on_server)
        ::setenv(store::kStoreVariable, server_shop(count).c_str(), 1);
    else
        ::unsetenv(store::kStoreVariable);

    jet::OsFileSystem files;
    app::MainContext pc;
    pc.files = &files;
    auto& window = static_cast<runtime::headless::HeadlessWindow&>(
        backend.windows().open(forms::main_window(), app::main_window_handlers(pc)));
    const int period_ms = window.timer_period(app::kChangeWatchTimer);
    if (period_ms <= 0) throw std::runtime_error("the main window does not watch the store");
    const auto period = std::chrono::milliseconds(period_ms);

    // The other PC: a connection of its own, saving as its editor does.
    store::StoreConnection other;
    store::RowSet other_rows;
    const store::StoreLocation where{db_path, store::kDatabasePassword};
    std::mt19937 random(42);
    std::uniform_int_distribution<int> phase(0, period_ms - 1);

    // The ticks run on the wall clock from here; a few first, so that whatever the start
    // wrote has been seen.
    auto next_tick = Clock::now();
    auto tick = [&] {
        std::this_thread::sleep_until(next_tick);
        const auto t0 = Clock::now();
        window.tick(app::kChangeWatchTimer);
        next_tick += period;
        return Ms(Clock::now() - t0).count();
    };
    for (int i = 0; i < 3; ++i)
        tick();

    Figures f;
    for (int n = 0; n < saves; ++n) {
        std::this_thread::sleep_until(next_tick - period +
                                      std::chrono::milliseconds(phase(random)));
        const std::string wang = "另一台电脑的买家_" + std::to_string(n);
        if (store::save_new_customer(other, other_rows, where,
                                     {wang, "小店二号", 46000.0, 46000.5, "刚问过价格"}) !=
            store::SaveOutcome::saved)
            throw std::runtime_error("the other PC's save failed: " + other.last_error());
        const auto saved = Clock::now();
        for (int t = 0;; ++t) {
            if (t == 10) throw std::runtime_error(wang + " did not show within 10 ticks");
            const double cost = tick();
            if (window.item_count(forms::main::kList) > 0 &&
                window.cell(forms::main::kList, 0, 3) == wang) {
                f.shown_after.push_back(Ms(Clock::now() - saved).count());
                f.loading_tick.push_back(cost);
                break;
            }
        }
    }
    window.user_close();
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    const int saves = argc > 1 ? std::max(1, std::atoi(argv[1])) : 8;
    const char* tmp = std::getenv("TMPDIR");
    const std::string base =
        std::string(tmp && *tmp ? tmp : "/tmp") + "/lq_watch_bench_" + std::to_string(::getpid());
    try {
        for (const bool on_server : {false, true})
            for (const int count : {1000, 10000}) {
                const Figures f = measure(base, on_server, count, saves);
                std::printf("watch %s %d %.1f %.1f %.1f\n", on_server ? "server" : "file", count,
                            median(f.shown_after),
                            *std::max_element(f.shown_after.begin(), f.shown_after.end()),
                            median(f.loading_tick));
                std::fflush(stdout);
            }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "change_watch_bench: %s\n", e.what());
        fs::remove_all(base);
        return 1;
    }
    fs::remove_all(base);
    return 0;
}
