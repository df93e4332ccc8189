#include "tools/jetdump/write_commands.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "jet/civil_date.h"
#include "jet/database_session.h"
#include "jet/table_writer.h"
#include "jet/text.h"

namespace jetdump {

namespace {

jet::Error bad_value(const jet::Column& c, const std::string& text) {
    return jet::make_error(
        jet::Errc::type_mismatch,
        "'" + text + "' is no value for " + jet::column_type_name(c.type) + " column " + c.name);
}

jet::Result<jet::Value> parse_value(const jet::Column& c, const std::string& text) {
    using jet::ColumnType;
    switch (c.type) {
        case ColumnType::text:
        case ColumnType::memo:
            return jet::Value(text);
        case ColumnType::boolean:
            if (text == "true") return jet::Value(true);
            if (text == "false") return jet::Value(false);
            return bad_value(c, text);
        case ColumnType::datetime: {
            int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
            char tail = 0;
            int n =
                std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &tail);
            if ((n != 3 && n != 6) || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 ||
                mi < 0 || mi > 59 || s < 0 || s > 59 || y < 100 || y > 9999)
                return bad_value(c, text);
            double days = static_cast<double>(
                jet::days_from_civil({y, static_cast<unsigned>(mo), static_cast<unsigned>(d)}) +
                jet::kEngineEpochOffset);
            return jet::Value(jet::DateTime{days + (h * 3600 + mi * 60 + s) / 86400.0});
        }
        case ColumnType::single:
        case ColumnType::double_: {
            char* end = nullptr;
            double v = std::strtod(text.c_str(), &end);
            if (text.empty() || *end != '\0') return bad_value(c, text);
            return jet::Value(v);
        }
        default: {
            std::int64_t v = 0;
            auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
            if (ec != std::errc() || p != text.data() + text.size()) return bad_value(c, text);
            return jet::Value(v);
        }
    }
}

}  // namespace

jet::Result<long long> insert_row(const std::string& path, const std::string& password,
                                  const std::string& table,
                                  const std::vector<std::string>& assignments) {
    jet::OsFileSystem fs;
    JET_ASSIGN(auto session,
               jet::DatabaseSession::open(fs, path, password, jet::OpenMode::read_write));
    JET_ASSIGN(jet::TableDef def, session->db().table(table));
    std::vector<jet::Value> values(def.columns.size());
    for (const auto& a : assignments) {
        auto eq = a.find('=');
        if (eq == std::string::npos)
            return jet::make_error(jet::Errc::bad_query, "expected column=value, not '" + a + "'");
        std::string name = a.substr(0, eq);
        std::size_t k = 0;
        while (k < def.columns.size() && !jet::text_equal_nocase(def.columns[k].name, name))
            ++k;
        if (k == def.columns.size())
            return jet::make_error(jet::Errc::not_found,
                                   "no column named " + name + " in " + table);
        JET_ASSIGN(values[k], parse_value(def.columns[k], a.substr(eq + 1)));
    }
    jet::TableWriter writer(session->db());
    JET_ASSIGN(auto added, writer.insert(def, std::move(values)));
    JET_TRY(session->commit());
    return static_cast<long long>(added.second);
}

jet::Result<long long> execute(const std::string& path, const std::string& password,
                               const std::string& statement) {
    jet::OsFileSystem fs;
    JET_ASSIGN(auto session,
               jet::DatabaseSession::open(fs, path, password, jet::OpenMode::read_write));
    JET_ASSIGN(std::size_t removed, session->execute_delete(statement));
    return static_cast<long long>(removed);
}

}  // namespace jetdump
