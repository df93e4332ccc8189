#include "tests/stress/program.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "app/list_commands.h"
#include "app/list_statuses.h"
#include "forms/forms.h"
#include "jet/database.h"
#include "odbc/pool.h"
#include "store/provision.h"
#include "store/store_connection.h"
#include "tests/stress/model.h"
#include "tests/stress/server_sql.h"

namespace stress {

namespace {

std::optional<std::string> text_of(const jet::Value& v) {
    if (auto s = std::get_if<std::string>(&v)) return *s;
    return std::nullopt;
}

std::optional<double> date_of(const jet::Value& v) {
    if (auto d = std::get_if<jet::DateTime>(&v)) return d->days;
    return std::nullopt;
}

// A customer row from its columns, the first at `at`: wang, wang2, time1, time2, bs, yn, time3.
StoredRow customer_row(const std::vector<jet::Value>& v, std::size_t at) {
    StoredRow r;
    r.wang = text_of(v[at]);
    r.wang2 = text_of(v[at + 1]);
    r.time1 = date_of(v[at + 2]);
    r.time2 = date_of(v[at + 3]);
    r.bs = text_of(v[at + 4]);
    if (auto b = std::get_if<bool>(&v[at + 5])) r.yn = *b;
    r.time3 = date_of(v[at + 6]);
    return r;
}

// lq_bin: id, customer, the customer's columns, deleted_at, deleted_on.
BinRow bin_row(const std::vector<jet::Value>& v) {
    BinRow b;
    if (auto n = std::get_if<std::int64_t>(&v[0])) b.id = *n;
    if (auto n = std::get_if<std::int64_t>(&v[1])) b.customer = *n;
    b.row = customer_row(v, 2);
    b.deleted_at = date_of(v[9]);
    b.deleted_on = text_of(v[10]);
    return b;
}

// lq_tag: id, name, place, kind; the tags (kind 0) and the reasons (kind 1) by place.
void add_reasons(StoredFile& out, std::vector<std::vector<jet::Value>> rows) {
    std::vector<std::tuple<std::int64_t, std::int64_t, std::int64_t, std::string>> placed;
    for (const auto& v : rows) {
        const auto* kind = std::get_if<std::int64_t>(&v[3]);
        const auto* id = std::get_if<std::int64_t>(&v[0]);
        const auto* place = std::get_if<std::int64_t>(&v[2]);
        placed.emplace_back(kind ? *kind : -1, place ? *place : 0, id ? *id : 0,
                            text_of(v[1]).value_or(""));
    }
    std::sort(placed.begin(), placed.end());
    for (auto& [kind, place, id, name] : placed) {
        if (kind == 1) out.reasons.push_back(name);
        if (kind == 0) out.tags.emplace_back(id, name);
    }
}

// The rows of a table through the store's own engine, as the server holds them.
// lq_buyer: id, customer, wang, next_date, ...; lq_log: id, customer, at, our_id, said.
KeptRow kept_row(const std::string& table, const std::vector<jet::Value>& v) {
    KeptRow r;
    if (auto n = std::get_if<std::int64_t>(&v[1])) r.customer = *n;
    if (table == "lq_buyer") {
        r.wang = text_of(v[2]);
        r.next = date_of(v[3]);
        r.gave_up = date_of(v[4]);
        r.reason = text_of(v[5]);
        r.tags = text_of(v[6]);
    } else {
        r.our_id = text_of(v[3]);
        r.said = text_of(v[4]);
    }
    return r;
}

std::optional<store::Selection> server_rows(const std::string& server, const char* table,
                                            std::string* why) {
    store::StoreConnection c;
    if (!c.open_store({"", "", server})) {
        *why = c.last_error();
        return std::nullopt;
    }
    // The program's own tables are made on first use: a store without one has none of its rows.
    if (c.has_table(table) == false) return store::Selection{};
    auto rows = c.engine()->select(std::string(table) + " order by id");
    if (!rows) {
        *why = rows.failure().message;
        return std::nullopt;
    }
    return std::move(*rows);
}

}  // namespace

Program::Program(std::string directory) : directory_(std::move(directory)) {
    std::filesystem::remove_all(directory_);
    std::filesystem::create_directories(directory_);
    backend_.shell().set_program_directory(directory_);
    backend_.shell().set_desktop_folder(kDesktop);
    backend_.skin_engine().set_engine_image({'M', 'Z', 0x90, 0, 3});
    database_ = store::build_database_path(directory_);
}

Program::~Program() {
    std::error_code ec;
    std::filesystem::remove(database_, ec);
    std::filesystem::remove(away_path(), ec);
    std::filesystem::remove(directory_ + "\\SkinH_EL.dll", ec);
    std::filesystem::remove_all(directory_, ec);
}

void Program::start() {
    if (main_) main_->close();
    // A new process starts with no connections kept: the old window's last ones, given back as
    // it closed, may know a database that has since been emptied.
    if (on_server()) odbc::forget_connections();
    contexts_.push_back(std::make_unique<app::MainContext>());
    app::MainContext& c = *contexts_.back();
    c.files = &files_;
    c.home_page = kHomePage;
    // A stand-in status service with a rule of its own, so the column is not all alike; its
    // requests go out only when the walk says.
    if (!status_service_)
        status_service_ = std::make_shared<testsupport::StatusStandIn>(
            [](const std::string& id) { return status_of(id) == "在线"; });
    c.status_setup = testsupport::stand_in_setup(status_service_, [this] {
        return services::StatusPipelineSetup::Clock::time_point(
            std::chrono::seconds(clock_seconds_));
    });
    runtime::Handlers h = app::main_window_handlers(c);
    auto& w = backend_.windows().open(forms::main_window(), h);
    app::install_dialog_handlers(c, w);
    main_ = static_cast<runtime::headless::HeadlessWindow*>(&w);
}

std::vector<std::string> Program::answer_statuses(std::size_t at_most) {
    status_service_->clear_asked();
    app::MainContext& c = *contexts_.back();
    if (c.statuses) c.statuses->step(at_most);
    // The batch of answers held back for its gap shows once the gap has passed.
    if (main_ && !main_->closed()) main_->tick(app::StatusAnswers::kTimer);
    return status_service_->asked();
}

void Program::use_server(std::string connection_string) {
    server_ = std::move(connection_string);
    // The program reaches the server through a relay, which takes the server away from the
    // running program and brings it back; the walk itself reads the server directly.
    const std::size_t at = server_.find("Port=");
    if (at == std::string::npos) throw std::runtime_error("no port in " + server_);
    const std::size_t end = server_.find(';', at);
    relay_ = std::make_unique<testing_support::TcpProxy>(std::stoi(server_.substr(at + 5)));
    const std::string relayed = server_.substr(0, at + 5) + std::to_string(relay_->port()) +
                                (end == std::string::npos ? "" : server_.substr(end));
    ::setenv(store::kStoreVariable, relayed.c_str(), 1);
}

void Program::store_away() {
    if (on_server())
        relay_->set_away(true);
    else
        std::filesystem::rename(database_, away_path());
}

void Program::store_back() {
    if (on_server())
        relay_->set_away(false);
    else
        std::filesystem::rename(away_path(), database_);
}

void Program::lose_store() {
    if (!on_server()) {
        std::filesystem::remove(away_path());
        return;
    }
    // The program's own tables and function go; connections kept from before would not know.
    std::string why;
    if (!server_sql(server_,
                    "DROP TABLE IF EXISTS yrkb_com, vantel_ww, lq_schema, lq_buyer, lq_log, lq_tag,"
                    " lq_bin;"
                    " DROP FUNCTION IF EXISTS lq_fold(text);",
                    &why))
        throw std::runtime_error("the server's tables did not go: " + why);
    odbc::forget_connections();
    // As the program writes a new file where none is, it finds the server empty and
    // reachable again.
    store_back();
}

std::optional<StoredFile> Program::read_store(bool available, std::string* why) const {
    if (!on_server()) return read(available ? database_ : away_path(), why);
    auto customers = server_rows(server_, "yrkb_com", why);
    if (!customers) return std::nullopt;
    auto settings = server_rows(server_, "vantel_ww", why);
    if (!settings) return std::nullopt;
    StoredFile out;
    for (auto& row : customers->rows) {
        auto& v = row.values;
        StoredRow r = customer_row(v, 1);
        if (auto id = std::get_if<std::int64_t>(&v[0])) r.id = *id;
        out.customers.push_back(std::move(r));
    }
    for (auto& row : settings->rows) {
        std::int64_t id = 0;
        if (auto n = std::get_if<std::int64_t>(&row.values[0])) id = *n;
        out.settings.emplace_back(id, text_of(row.values[1]));
    }
    for (auto [table, into] : {std::pair{"lq_buyer", &out.steps}, {"lq_log", &out.log}}) {
        auto rows = server_rows(server_, table, why);
        if (!rows) return std::nullopt;
        for (auto& row : rows->rows)
            into->push_back(kept_row(table, row.values));
    }
    auto bin = server_rows(server_, "lq_bin", why);
    auto tags = bin ? server_rows(server_, "lq_tag", why) : std::nullopt;
    if (!tags) return std::nullopt;
    for (auto& row : bin->rows)
        out.bin.push_back(bin_row(row.values));
    std::vector<std::vector<jet::Value>> tag_rows;
    for (auto& row : tags->rows)
        tag_rows.push_back(row.values);
    add_reasons(out, std::move(tag_rows));
    return out;
}

std::optional<StoredFile> Program::read(const std::string& path, std::string* why) {
    auto fail = [why](const jet::Error& e) -> std::optional<StoredFile> {
        *why = e.message;
        return std::nullopt;
    };
    auto file = jet::open_os_file(path, jet::OpenMode::read_only);
    if (!file) return fail(file.error());
    auto db = jet::Database::open(**file, store::kDatabasePassword);
    if (!db) return fail(db.error());
    StoredFile out;
    auto customers = (*db)->table("yrkb_com");
    if (!customers) return fail(customers.error());
    auto status = (*db)->scan_each(*customers, [&](jet::RowPointer, std::vector<jet::Value>& v) {
        StoredRow r = customer_row(v, 1);
        if (auto id = std::get_if<std::int64_t>(&v[0])) r.id = *id;
        out.customers.push_back(std::move(r));
    });
    if (!status) return fail(status.error());
    auto settings = (*db)->table("vantel_ww");
    if (!settings) return fail(settings.error());
    status = (*db)->scan_each(*settings, [&](jet::RowPointer, std::vector<jet::Value>& v) {
        std::int64_t id = 0;
        if (auto n = std::get_if<std::int64_t>(&v[0])) id = *n;
        out.settings.emplace_back(id, text_of(v[1]));
    });
    if (!status) return fail(status.error());
    for (auto [table, into] : {std::pair{"lq_buyer", &out.steps}, {"lq_log", &out.log}}) {
        auto def = (*db)->table(table);
        if (!def && def.error().code == jet::Errc::not_found) continue;  // made on first use
        if (!def) return fail(def.error());
        std::vector<std::pair<std::int64_t, KeptRow>> numbered;
        status = (*db)->scan_each(*def, [&](jet::RowPointer, std::vector<jet::Value>& v) {
            const auto* id = std::get_if<std::int64_t>(&v[0]);
            numbered.emplace_back(id ? *id : 0, kept_row(table, v));
        });
        if (!status) return fail(status.error());
        std::sort(numbered.begin(), numbered.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& [id, row] : numbered)
            into->push_back(std::move(row));
    }
    std::vector<std::vector<jet::Value>> tag_rows;
    for (const char* table : {"lq_bin", "lq_tag"}) {
        auto def = (*db)->table(table);
        if (!def && def.error().code == jet::Errc::not_found) continue;
        if (!def) return fail(def.error());
        status = (*db)->scan_each(*def, [&](jet::RowPointer, std::vector<jet::Value>& v) {
            if (std::string(table) == "lq_bin")
                out.bin.push_back(bin_row(v));
            else
                tag_rows.push_back(v);
        });
        if (!status) return fail(status.error());
    }
    std::sort(out.bin.begin(), out.bin.end(),
              [](const BinRow& a, const BinRow& b) { return a.id < b.id; });
    add_reasons(out, std::move(tag_rows));
    return out;
}

}  // namespace stress
