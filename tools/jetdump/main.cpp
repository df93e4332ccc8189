// jetdump: lists the tables of a Jet 4 file, prints one as CSV, or checks the file's structure.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/file.h"
#include "tools/jetdump/check.h"
#include "tools/jetdump/csv.h"
#include "tools/jetdump/write_commands.h"

namespace {

int usage() {
    std::cerr << "usage: jetdump [--password P] FILE [TABLE]\n"
                 "       jetdump [--password P] FILE --insert TABLE column=value ...\n"
                 "       jetdump [--password P] FILE --exec \"delete * from TABLE where ...\"\n"
                 "       jetdump --check FILE\n";
    return 2;
}

int fail(const jet::Error& e) {
    std::cerr << "jetdump: " << jet::errc_name(e.code) << ": " << e.message << "\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string password;
    bool check = false;
    std::vector<std::string> positional;
    std::vector<std::string> insert;  // table, then assignments
    std::string statement;
    bool exec = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--password" && i + 1 < args.size()) {
            password = args[++i];
        } else if (args[i] == "--insert" && i + 1 < args.size()) {
            insert.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        } else if (args[i] == "--exec" && i + 1 < args.size()) {
            exec = true;
            statement = args[++i];
        } else if (args[i] == "--check") {
            check = true;
        } else if (args[i].rfind("--", 0) == 0) {
            return usage();
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.empty() || positional.size() > 2 || (check && positional.size() != 1))
        return usage();

    if (!insert.empty() || exec) {
        if (positional.size() != 1 || check || (!insert.empty() && exec)) return usage();
        auto done = !insert.empty() ? jetdump::insert_row(positional[0], password, insert[0],
                                                          {insert.begin() + 1, insert.end()})
                                    : jetdump::execute(positional[0], password, statement);
        if (!done) return fail(done.error());
        std::cout << *done << "\n";
        return 0;
    }
    auto file = jet::open_os_file(positional[0], jet::OpenMode::read_only);
    if (!file) return fail(file.error());
    if (check) {
        auto faults = jetdump::check_file(**file);
        for (const auto& f : faults)
            std::cout << f << "\n";
        if (!faults.empty()) {
            std::cerr << "jetdump: " << faults.size() << " fault(s) found\n";
            return 1;
        }
        std::cout << "no faults\n";
        return 0;
    }
    auto db = jet::Database::open(**file, password);
    if (!db) return fail(db.error());
    if (positional.size() == 1) {
        auto tables = (*db)->tables();
        if (!tables) return fail(tables.error());
        for (const auto& t : *tables)
            std::cout << t.name << "\n";
        return 0;
    }
    auto table = (*db)->table(positional[1]);
    if (!table) return fail(table.error());
    // Rows are printed as they are read, so a large table never sits in memory whole.
    std::string line = jetdump::csv_header(*table) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    auto scanned = (*db)->scan_each(*table, [&](jet::RowPointer, std::vector<jet::Value>& values) {
        line.clear();
        jetdump::append_csv_line(line, *table, values);
        line.push_back('\n');
        std::fwrite(line.data(), 1, line.size(), stdout);
    });
    if (!scanned) return fail(scanned.error());
    return 0;
}
