#include "bench/customer_db.h"

#include <stdexcept>
#include <string>

#include "jet/database_session.h"
#include "jet/memory_file_system.h"
#include "jet/table_writer.h"
#include "store/provision.h"

namespace bench {

std::vector<std::uint8_t> customer_database(int count) {
    const std::string path = "/customers.db";
    jet::MemoryFileSystem fs;
    store::provision_store(fs, path);
    {
        auto session = jet::DatabaseSession::open(fs, path, store::kDatabasePassword,
                                                  jet::OpenMode::read_write, std::nullopt);
        if (!session) throw std::runtime_error(session.error().message);
        auto& db = (*session)->db();
        auto table = db.table("yrkb_com");
        if (!table) throw std::runtime_error(table.error().message);
        jet::TableWriter writer(db);
        writer.defer_indexes();
        for (int n = 1; n <= count; ++n) {
            std::vector<jet::Value> row(8);
            row[1] = "买家_" + std::to_string(n);
            row[2] = std::string(n % 3 == 0 ? "小店一号" : "小店二号");
            row[3] = jet::DateTime{45000.0 + n % 700};
            row[4] = jet::DateTime{45700.5 + n % 50};
            row[5] = "第" + std::to_string(n) + "次 跟踪: 问了尺码和发货时间";
            row[6] = n % 5 == 0;
            if (n % 5 == 0) row[7] = jet::DateTime{45800.0};
            auto placed = writer.insert(*table, std::move(row));
            if (!placed) throw std::runtime_error(placed.error().message);
        }
        if (auto done = writer.finish_indexes(); !done)
            throw std::runtime_error(done.error().message);
        if (auto done = (*session)->commit(); !done) throw std::runtime_error(done.error().message);
    }
    return *fs.contents(path);
}

}  // namespace bench
