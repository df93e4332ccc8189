#include "store/shop_copy.h"

#include <optional>
#include <string>

#include "engine/program_tables.h"
#include "jet/memory_file_system.h"
#include "store/database_template.h"
#include "store/kept_tables.h"
#include "store/provision.h"
#include "store/sources.h"

namespace store {

namespace {

Failure closed() {
    return {StoreFailure::unavailable, "the store is not open"};
}

// Puts `tables` in place of the open store's rows; the caller holds the transaction.
Status put_in_place(Engine& engine, const ShopTables& tables, bool keep_shop_settings) {
    // The tables' shapes, from selections that hold no row: no number is 0.
    auto customers = engine.select(customer_source(0));
    if (!customers) return customers.failure();
    auto settings = engine.select(settings_source(0));
    if (!settings) return settings.failure();
    if (auto gone = engine.execute(std::string("delete from ") + kCustomerTable + " where id > 0");
        !gone)
        return gone.failure();
    const std::string settings_kept =
        keep_shop_settings ? " and id <> " + std::to_string(kProgramRow) : "";
    if (auto gone = engine.execute(std::string("delete from ") + kSettingsTable + " where id > 0" +
                                   settings_kept);
        !gone)
        return gone.failure();
    if (auto added = engine.insert_many(
            *customers->shape, rows_for(tables.customers, *customers->shape), Numbering::as_given);
        !added)
        return added.failure();
    const auto setting_rows =
        rows_for(tables.settings, *settings->shape,
                 keep_shop_settings ? std::optional<std::int64_t>(kProgramRow) : std::nullopt);
    if (auto added = engine.insert_many(*settings->shape, setting_rows, Numbering::as_given);
        !added)
        return added.failure();
    return put_kept_tables(engine, tables.kept);
}

}  // namespace

Result<ShopTables> read_shop(StoreConnection& c) {
    Engine* engine = c.engine();
    if (!engine) return closed();
    if (auto begun = engine->begin_snapshot(); !begun) return begun.failure();
    ShopTables tables;
    auto customers = engine->select(std::string(kCustomerTable) + " order by id");
    auto settings = customers ? engine->select(std::string(kSettingsTable) + " order by id")
                              : Result<Selection>(customers.failure());
    auto kept =
        settings ? read_kept_tables(*engine) : Result<std::vector<Selection>>(settings.failure());
    engine->rollback();
    if (!customers) return customers.failure();
    if (!settings) return settings.failure();
    if (!kept) return kept.failure();
    tables.customers = std::move(*customers);
    tables.settings = std::move(*settings);
    tables.kept = std::move(*kept);
    return tables;
}

Status replace_shop(StoreConnection& c, const ShopTables& tables) {
    Engine* engine = c.engine();
    if (!engine) return closed();
    if (!c.begin_transaction()) return Failure{c.last_failure(), c.last_error()};
    if (auto put = put_in_place(*engine, tables, true); !put) {
        c.rollback_transaction();
        return put.failure();
    }
    if (!c.commit_transaction()) return Failure{c.last_failure(), c.last_error()};
    return {};
}

Result<std::vector<std::uint8_t>> shop_file(const ShopTables& tables) {
    jet::MemoryFileSystem memory;
    const std::string path = "copy.db";
    const auto bytes = database_template();
    memory.put(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    {
        StoreConnection c(memory);
        StoreLocation where{path, kDatabasePassword};
        where.exact = true;
        if (!c.open_store(where)) return Failure{c.last_failure(), c.last_error()};
        Engine& engine = *c.engine();
        if (auto begun = engine.begin(); !begun) return begun.failure();
        if (auto put = put_in_place(engine, tables, false); !put) {
            engine.rollback();
            return put.failure();
        }
        if (auto done = engine.commit(); !done) return done.failure();
    }
    auto out = memory.contents(path);
    if (!out) return Failure{StoreFailure::unavailable, "the copy was not written"};
    return std::move(*out);
}

}  // namespace store
