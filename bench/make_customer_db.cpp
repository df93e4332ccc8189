// make_customer_db OUT COUNT: the built-in database with COUNT customers (every fifth one
// closed), written in one go, for timing the program on a shop's worth of data.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "jet/database_session.h"
#include "jet/memory_file_system.h"
#include "jet/table_writer.h"
#include "store/provision.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_customer_db OUT COUNT\n");
        return 2;
    }
    const int count = std::atoi(argv[2]);
    const std::string path = "/customers.db";
    jet::MemoryFileSystem fs;
    store::provision_store(fs, path);
    auto session = jet::DatabaseSession::open(fs, path, store::kDatabasePassword,
                                              jet::OpenMode::read_write, std::nullopt);
    if (!session) {
        std::fprintf(stderr, "make_customer_db: %s\n", session.error().message.c_str());
        return 1;
    }
    auto& db = (*session)->db();
    auto table = db.table("yrkb_com");
    if (!table) return 1;
    jet::TableWriter writer(db);
    writer.defer_indexes();
    for (int n = 1; n <= count; ++n) {
        std::vector<jet::Value> row(8);
        row[1] = "买家_" + std::to_string(n);
        row[2] = std::string(n % 2 ? "小店一号" : "小店二号");
        row[3] = jet::DateTime{45000.0 + n % 700};
        row[4] = jet::DateTime{45700.0 + n % 50};
        row[5] = "第" + std::to_string(n) + "位: 问了尺码";
        row[6] = n % 5 == 0;
        if (n % 5 == 0) row[7] = jet::DateTime{45800.0};
        if (!writer.insert(*table, std::move(row))) return 1;
    }
    if (!writer.finish_indexes() || !(*session)->commit()) return 1;
    session->reset();
    auto bytes = fs.contents(path);
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes->data()),
              static_cast<std::streamsize>(bytes->size()));
    return out ? 0 : 1;
}
