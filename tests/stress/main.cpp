// lq_stress: a seeded random walk of user actions through the whole program on the in-memory
// window backend, each action checked against a model of what the store, the list, the
// message boxes and the exported files must hold.
//
//   lq_stress --seed S --actions N [--oracle-every K] [--customers C] [--work-dir DIR] [--tamper]
//             [--store odbc:CONNECTION | --pg SERVER_DIR]
//
// --customers sets the size the store hovers around (adds win below it, deletes above).
// --store odbc:... runs the program on that server's (empty) database instead of the file;
// --pg does so on a new database of the test server in SERVER_DIR (tests/store/pg_server.sh).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "tests/store/support/pg_test_server.h"
#include "tests/stress/driver.h"

namespace {

int usage() {
    std::cerr << "usage: lq_stress [--seed S] [--actions N] [--oracle-every K] [--customers C]"
                 " [--work-dir DIR] [--tamper] [--verbose] [--store odbc:CONNECTION | --pg DIR]\n";
    return 2;
}

std::string default_work_dir() {
    // Memory-backed when the machine has it: the store syncs its journal on every change.
    if (std::filesystem::is_directory("/dev/shm")) return "/dev/shm";
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

}  // namespace

int main(int argc, char** argv) {
    // The status and profile hosts are the built-in ones whatever the caller's environment.
    ::unsetenv("LQ_SERVICE_HOST");
    ::unsetenv("LQ_STORE");  // the file, unless --store says otherwise
    stress::Options o;
    bool verbose = false;  // also how often each message box was shown
    o.jetdump = LQ_JETDUMP;
    o.source_dir = LQ_SOURCE_DIR;
    o.work_dir = default_work_dir();
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        const char* v = nullptr;
        if (a == "--tamper") {
            o.tamper = true;
        } else if (a == "--verbose") {
            verbose = true;
        } else if (a == "--seed" && (v = value())) {
            o.seed = std::strtoull(v, nullptr, 10);
        } else if (a == "--actions" && (v = value())) {
            o.actions = std::strtol(v, nullptr, 10);
        } else if (a == "--oracle-every" && (v = value())) {
            o.oracle_every = std::strtol(v, nullptr, 10);
        } else if (a == "--customers" && (v = value())) {
            o.customers = std::atoi(v);
        } else if (a == "--work-dir" && (v = value())) {
            o.work_dir = v;
        } else if (a == "--store" && (v = value()) && std::string(v).starts_with("odbc:")) {
            o.server = std::string(v).substr(5);
        } else if (a == "--pg" && (v = value())) {
            auto server = testing_support::PgServer::attach(v);
            o.server = server->connection_string(server->fresh_database("stress"));
        } else {
            return usage();
        }
    }
    if (o.actions < 1 || o.oracle_every < 1 || o.customers < 1) return usage();

    const auto start = std::chrono::steady_clock::now();
    stress::Driver driver(o);
    const std::string difference = driver.run();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const stress::Figures& f = driver.figures();
    if (!difference.empty()) {
        std::cout << "DIFFERENCE at " << difference << std::flush;
        return 1;
    }
    const std::string where =
        o.server.empty()
            ? "in a file of " +
                  std::to_string(static_cast<double>(f.file_bytes) / 1e6).substr(0, 4) + " MB"
            : std::string("on the server");
    std::printf(
        "seed %llu: %ld actions agree with the model in %.1f s (%.0f actions/s); outside "
        "readers %ld times; %ld saves, %ld exports, %ld deletes, %ld deals, %ld restarts, %ld "
        "restores; %zu "
        "customers %s at the end\n",
        static_cast<unsigned long long>(o.seed), f.actions, seconds,
        static_cast<double>(f.actions) / seconds, f.oracle_runs, f.saves, f.exports, f.deletes,
        f.deals, f.restarts, f.restores, f.customers, where.c_str());
    if (verbose)
        for (const auto& [text, count] : driver.message_counts())
            std::printf("  %6ld x %s\n", count, text.c_str());
    return 0;
}
