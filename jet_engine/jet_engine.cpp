#include "jet_engine/jet_engine.h"

#include <chrono>
#include <ctime>
#include <thread>

#include "jet/create_table.h"
#include "jet/database_session.h"
#include "jet/query.h"
#include "jet/table_writer.h"
#include "jet_engine/file_stamp.h"
#include "jet_engine/kept_lookups.h"

namespace store {

namespace {

// Why the file could not be opened.
StoreFailure open_failure(jet::Errc code) {
    switch (code) {
        case jet::Errc::not_found:
            return StoreFailure::missing;
        case jet::Errc::not_a_database:
        case jet::Errc::unsupported_version:
        case jet::Errc::wrong_password:
        case jet::Errc::corrupt:
        case jet::Errc::bad_query:
        case jet::Errc::type_mismatch:
        case jet::Errc::read_only:
        case jet::Errc::exists:
            return StoreFailure::unreadable;
        case jet::Errc::busy:
            return StoreFailure::busy;
        case jet::Errc::io:
        case jet::Errc::full:
            return StoreFailure::unavailable;
    }
    return StoreFailure::unavailable;
}

// Why a read or write of an open file failed. The program asks only for its own tables and
// columns: a file without them is not a database of ours.
StoreFailure operation_failure(jet::Errc code) {
    switch (code) {
        case jet::Errc::not_found:
        case jet::Errc::bad_query:
        case jet::Errc::corrupt:
        case jet::Errc::not_a_database:
        case jet::Errc::unsupported_version:
        case jet::Errc::wrong_password:
            return StoreFailure::unreadable;
        case jet::Errc::busy:
            return StoreFailure::busy;
        default:
            return StoreFailure::unavailable;
    }
}

Failure from_jet(const jet::Error& e, StoreFailure (*kind)(jet::Errc) = operation_failure) {
    return Failure{kind(e.code), e.message};
}

struct JetShape final : TableShape {
    jet::TableDef def;
};

std::shared_ptr<const JetShape> shape_of(std::string table, jet::TableDef def) {
    auto shape = std::make_shared<JetShape>();
    shape->table = std::move(table);
    for (const auto& c : def.columns)
        shape->columns.push_back({c.name, c.type, c.is_autonumber()});
    shape->def = std::move(def);
    return shape;
}

class JetEngine final : public Engine {
  public:
    JetEngine(jet::FileSystem& fs, std::string path, std::unique_ptr<jet::DatabaseSession> s)
        : fs_(fs),
          path_(std::move(path)),
          session_(std::move(s)),
          lookups_(lookup_name(), [this] { return stamp_now(); }) {
        session_->db().use_text_lookup(&lookups_);
    }

    Result<Selection> select(std::string_view source) override {
        auto selected = jet::select(session_->db(), source);
        if (!selected) return from_jet(selected.error());
        auto q = jet::parse_query(source);  // parsed once more only for the table's name
        Selection out;
        out.shape = shape_of(q ? q->table : std::string(), std::move(selected->table));
        out.rows.reserve(selected->rows.size());
        for (auto& r : selected->rows)
            out.rows.push_back({r.where.pack(), std::move(r.values)});
        return out;
    }

    Status read_columns(std::string_view source, const std::vector<std::string>& columns,
                        const RowVisitor& visit) override {
        if (auto read = jet::scan_columns(session_->db(), source, columns, visit); !read)
            return from_jet(read.error());
        return {};
    }

    std::optional<std::size_t> rows_about(std::string_view table) override {
        auto def = session_->db().table(table);
        if (!def) return std::nullopt;
        return session_->db().rows_about(*def);
    }

    Result<StoredRow> insert(const TableShape& table, const Changes& values,
                             Numbering numbering) override {
        auto* shape = dynamic_cast<const JetShape*>(&table);
        start_change();
        if (!shape) return mismatch();
        std::vector<jet::Value> row(shape->columns.size());
        for (const auto& [i, v] : values)
            if (i < row.size()) row[i] = v;
        jet::TableWriter writer(session_->db());
        auto added = writer.insert(shape->def, row);
        if (!added) return failed(added.error());
        for (std::size_t i = 0; i < shape->columns.size(); ++i) {
            if (!shape->columns[i].autonumber) continue;
            if (numbering == Numbering::as_given && row[i] != jet::Value{added->second})
                return failed(
                    jet::make_error(jet::Errc::type_mismatch, "the file numbers its rows itself"));
            row[i] = added->second;
        }
        lookups_.stored(shape->def, added->first, row);
        if (auto done = settle(); !done) return done.failure();
        return StoredRow{added->first.pack(), std::move(row)};
    }

    Result<std::vector<StoredRow>> insert_many(const TableShape& table,
                                               const std::vector<Changes>& rows,
                                               Numbering numbering) override {
        auto* shape = dynamic_cast<const JetShape*>(&table);
        start_change();
        if (!shape) return mismatch();
        std::vector<std::vector<jet::Value>> values(rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            values[r].resize(shape->columns.size());
            for (const auto& [i, v] : rows[r])
                if (i < values[r].size()) values[r][i] = v;
        }
        jet::TableWriter writer(session_->db());
        auto added = writer.insert_many(shape->def, values, numbering == Numbering::as_given);
        if (!added) return failed(added.error());
        std::vector<StoredRow> stored;
        stored.reserve(rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            for (std::size_t i = 0; i < shape->columns.size(); ++i)
                if (shape->columns[i].autonumber) values[r][i] = (*added)[r].second;
            lookups_.stored(shape->def, (*added)[r].first, values[r]);
            stored.push_back({(*added)[r].first.pack(), std::move(values[r])});
        }
        if (auto done = settle(); !done) return done.failure();
        return stored;
    }

    Result<StoredRow> update(const TableShape& table, const StoredRow& row,
                             const Changes& changes) override {
        auto* shape = dynamic_cast<const JetShape*>(&table);
        start_change();
        if (!shape) return mismatch();
        std::vector<jet::Value> values = row.values;
        for (const auto& [i, v] : changes)
            if (i < values.size()) values[i] = v;
        jet::TableWriter writer(session_->db());
        const auto at = jet::RowPointer::unpack(static_cast<std::uint32_t>(row.key));
        auto stored = writer.update(shape->def, at, values);
        if (!stored) return failed(stored.error());
        lookups_.stored(shape->def, at, values);
        if (auto done = settle(); !done) return done.failure();
        return StoredRow{row.key, std::move(values)};
    }

    Result<std::size_t> execute(std::string_view statement) override {
        auto del = jet::parse_delete(statement);
        start_change();
        if (!del) return from_jet(del.error());
        auto def = session_->db().table(del->table);
        if (!def) return from_jet(def.error());
        jet::Query q;
        q.table = del->table;
        q.where = std::move(del->where);
        if (auto bound = jet::bind(q, *def); !bound) return from_jet(bound.error());
        std::vector<jet::RowPointer> doomed;
        auto scanned = jet::scan_matching(session_->db(), *def, *q.where,
                                          [&](jet::RowPointer where, jet::Bytes) -> jet::Status {
                                              doomed.push_back(where);
                                              return {};
                                          });
        if (!scanned) return from_jet(scanned.error());
        jet::TableWriter writer(session_->db());
        for (const auto& where : doomed)
            if (auto removed = writer.remove(*def, where); !removed) return failed(removed.error());
        if (auto done = settle(); !done) return done.failure();
        return doomed.size();
    }

    Result<bool> has_table(std::string_view name) override {
        auto def = session_->db().table(name);
        if (def) return true;
        if (def.error().code == jet::Errc::not_found) return false;
        return from_jet(def.error());
    }

    Status ensure_table(const TableSpec& spec) override {
        start_change();
        auto there = has_table(spec.name);
        if (!there) return there.failure();
        if (*there) return {};
        // Laid out as Access lays out a table with a primary key: the number, and an index
        // on each column rows are looked up by.
        jet::NewTable table{spec.name, {}, {}};
        for (const ColumnSpec& c : spec.columns) {
            table.columns.push_back({c.name, c.type, c.max_units, c.autonumber});
            if (c.autonumber) table.indexes.push_back({"PrimaryKey", c.name, true});
            if (c.indexed) table.indexes.push_back({c.name, c.name, false});
        }
        const double days = static_cast<double>(std::time(nullptr)) / 86400.0 + 25569.0;
        auto made = jet::create_table(session_->db(), table, jet::DateTime{days});
        if (!made) return failed(made.error());
        return settle();
    }

    Status begin() override {
        if (in_transaction_) return Failure{StoreFailure::unavailable, "a transaction is open"};
        start_change();
        in_transaction_ = true;
        doomed_ = false;
        return {};
    }

    Status commit() override {
        if (!in_transaction_) return Failure{StoreFailure::unavailable, "no transaction is open"};
        in_transaction_ = false;
        if (doomed_) {
            session_->rollback();
            before_.reset();
            return Failure{StoreFailure::unavailable,
                           "a change of this transaction failed; none of them was stored"};
        }
        if (auto done = session_->commit(); !done) {
            before_.reset();
            return from_jet(done.error());
        }
        changed();
        return {};
    }

    void rollback() override {
        session_->rollback();
        in_transaction_ = false;
        doomed_ = false;
        before_.reset();
    }

    bool in_transaction() const override { return in_transaction_; }

    // The file stays locked while it is open: every read sees one moment already.
    Status begin_snapshot() override {
        if (in_transaction_) return Failure{StoreFailure::unavailable, "a transaction is open"};
        in_transaction_ = true;
        doomed_ = false;
        return {};
    }

    Result<std::uint64_t> change_stamp() override {
        // Every commit rewrites pages of the file: its time of last change and its size
        // tell. Files in memory (tests) have no time: their bytes are the stamp.
        if (on_disk()) {
            const FileStamp stamp = read_file_stamp(path_);
            if (!stamp.value) return Failure{StoreFailure::unavailable, "the file is not there"};
            return *stamp.value;
        }
        auto file = fs_.open(path_, jet::OpenMode::read_only);
        if (!file) return from_jet(file.error());
        auto size = (*file)->size();
        if (!size) return from_jet(size.error());
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(*size));
        if (auto read = (*file)->read_at(0, bytes); !read) return from_jet(read.error());
        return jet::fnv1a64(bytes);
    }

    // One copy writes at a time and the file keeps no count of its changes.
    std::optional<std::uint64_t> transaction_stamp() const override { return std::nullopt; }
    const std::vector<CommitStamps>& commits() const override { return commits_; }

  private:
    static Failure mismatch() {
        return Failure{StoreFailure::unavailable, "the rows come from another store"};
    }

    // A failed change leaves nothing staged: outside a transaction it is simply not done,
    // inside one the whole transaction is undone.
    Failure failed(const jet::Error& e) {
        session_->rollback();
        if (in_transaction_)
            doomed_ = true;
        else
            before_.reset();
        return from_jet(e);
    }

    bool on_disk() const { return dynamic_cast<jet::OsFileSystem*>(&fs_) != nullptr; }

    // The file among every file the process opens: a file on disk by its path, whichever
    // connection opened it; one in memory also by its file system.
    std::string lookup_name() const {
        if (on_disk()) return path_;
        return path_ + '\n' + std::to_string(reinterpret_cast<std::uintptr_t>(&fs_));
    }

    // The file's stamp as read without opening it, or its version in memory.
    std::optional<std::uint64_t> stamp_now() const {
        return on_disk() ? read_file_stamp(path_).value : fs_.version(path_);
    }

    // A change begins, under the file's lock. A file changed within one step of the file
    // clock could take this change under the same time and size, and a watch would not see
    // it: the change waits for the clock to move on (a step, at most), so every commit
    // leaves a stamp of its own. The stamp before it is kept for commits().
    void start_change() {
        // Files in memory (tests, benchmarks) have no clock and no watch: nothing to keep.
        if (before_ || !on_disk()) return;
        FileStamp now = read_file_stamp(path_);
        // Bounded by time, not turns: a sleep lasts a whole clock tick on Windows, and a file
        // whose time lies ahead of this PC's clock (a share whose server's clock runs fast)
        // never settles.
        const auto give_up = std::chrono::steady_clock::now() + 2 * kFileClockStep;
        while (!now.settled && std::chrono::steady_clock::now() < give_up) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            now = read_file_stamp(path_);
        }
        before_ = now.value.value_or(0);
    }

    // The change is durable: it leads from the stamp before it to the one after.
    void changed() {
        const auto after = stamp_now();
        lookups_.committed(after);
        if (before_ && after) commits_.push_back({*before_, *after});
        before_.reset();
    }

    // Outside a transaction a change is made durable at once.
    Status settle() {
        if (in_transaction_) return {};
        if (auto done = session_->commit(); !done) {
            session_->rollback();
            before_.reset();
            return from_jet(done.error());
        }
        changed();
        return {};
    }

    jet::FileSystem& fs_;
    std::string path_;
    std::unique_ptr<jet::DatabaseSession> session_;
    bool in_transaction_ = false;
    bool doomed_ = false;
    std::optional<std::uint64_t> before_;  // the stamp before the change under way
    std::vector<CommitStamps> commits_;
    KeptLookups lookups_;
};

}  // namespace

Result<std::unique_ptr<Engine>> open_jet_engine(jet::FileSystem& fs, const std::string& path,
                                                const std::string& password, bool lock) {
    auto session = lock ? jet::DatabaseSession::open(fs, path, password, jet::OpenMode::read_write)
                        : jet::DatabaseSession::open(fs, path, password, jet::OpenMode::read_write,
                                                     std::nullopt);
    if (!session) return from_jet(session.error(), open_failure);
    return std::unique_ptr<Engine>(std::make_unique<JetEngine>(fs, path, std::move(*session)));
}

}  // namespace store
