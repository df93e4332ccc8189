#include "store/shop_lists.h"

#include <algorithm>

#include "engine/program_tables.h"
#include "jet/text.h"
#include "store/action_steps.h"
#include "store/sources.h"

namespace store {

namespace {

std::string rows_of(ListKind kind) {
    return std::string(kTagTable) + " where kind=" + std::to_string(static_cast<int>(kind));
}

}  // namespace

const std::vector<std::string>& usual_reasons() {
    static const std::vector<std::string> reasons = {"嫌贵", "买了别家", "联系不上", "不需要了"};
    return reasons;
}

std::optional<std::vector<ListEntry>> read_list_rows(StoreConnection& c, RowSet& rs,
                                                     ListKind kind) {
    std::vector<ListEntry> out;
    const auto there = c.has_table(kTagTable);
    if (!there) return std::nullopt;
    if (!*there) return out;
    if (!reopen_rows(rs, rows_of(kind))) return std::nullopt;
    std::vector<std::pair<std::int32_t, ListEntry>> placed;
    for (int i = 0, n = rs.row_count(); i < n; ++i, rs.move_next())
        placed.push_back(
            {rs.read_int("place").second, {rs.read_int("id").second, rs.read_text("name").second}});
    rs.close_rows();
    std::sort(placed.begin(), placed.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second.id < b.second.id;
    });
    for (auto& [place, e] : placed)
        out.push_back(std::move(e));
    return out;
}

std::optional<std::vector<ListEntry>> read_shop_list(StoreConnection& c, RowSet& rs,
                                                     const StoreLocation& store, ListKind kind) {
    if (!open_action(c, rs, store, settings_source(kOurIdsRow))) return std::nullopt;
    rs.close_rows();
    auto list = read_list_rows(c, rs, kind);
    close_action(c, rs);
    return list;
}

bool keep_reason(StoreConnection& c, RowSet& rs, const std::string& reason) {
    const auto same = [&](const std::string& r) { return jet::text_equal_nocase(r, reason); };
    if (std::any_of(usual_reasons().begin(), usual_reasons().end(), same)) return true;
    const auto kept = read_list_rows(c, rs, ListKind::reason);
    if (!kept) return false;
    if (std::any_of(kept->begin(), kept->end(), [&](const ListEntry& e) { return same(e.name); }))
        return true;
    return c.ensure_table(kTagTable) && reopen_rows(rs, rows_of(ListKind::reason)) &&
           rs.add_row() && rs.write_text("name", reason) &&
           rs.write_int("place", static_cast<std::int32_t>(kept->size())) &&
           rs.write_int("kind", static_cast<std::int32_t>(ListKind::reason)) && rs.update_row() &&
           (rs.close_rows(), true);
}

std::string tag_field(const std::vector<std::int32_t>& tag_ids) {
    if (tag_ids.empty()) return {};
    std::string field = ",";
    for (std::int32_t id : tag_ids)
        field += std::to_string(id) + ",";
    return field;
}

std::vector<std::int32_t> tag_ids_in(std::string_view field) {
    std::vector<std::int32_t> ids;
    std::int32_t n = 0;
    bool digits = false;
    for (char ch : field) {
        if (ch >= '0' && ch <= '9' && n < 100000000) {
            n = n * 10 + (ch - '0');
            digits = true;
        } else {
            if (digits && n > 0) ids.push_back(n);
            n = 0;
            digits = false;
        }
    }
    if (digits && n > 0) ids.push_back(n);
    return ids;
}

bool fits_tag_name(std::string_view name) {
    return !name.empty() && name.find_first_of(" \t,#\r\n") == std::string_view::npos &&
           name.find("\xE3\x80\x80") == std::string_view::npos &&  // a full-width blank
           name.find("\xEF\xBC\x8C") == std::string_view::npos;    // a full-width comma
}

namespace {

// Takes the numbers of tags no longer kept off every customer that has them.
bool strip_tags(StoreConnection& c, RowSet& rs, const std::vector<std::int32_t>& gone) {
    if (gone.empty()) return true;
    const auto there = c.has_table(kBuyerTable);
    if (!there) return false;
    if (!*there) return true;
    if (!reopen_rows(rs, kBuyerTable)) return false;
    bool ok = true;
    for (int i = 0, n = rs.row_count(); ok && i < n; ++i, rs.move_next()) {
        const auto now = rs.read_text("tags").second;
        if (now.empty()) continue;
        auto ids = tag_ids_in(now);
        const auto before = ids.size();
        std::erase_if(ids, [&](std::int32_t id) {
            return std::find(gone.begin(), gone.end(), id) != gone.end();
        });
        if (ids.size() == before) continue;
        ok = (ids.empty() ? rs.write_null("tags") : rs.write_text("tags", tag_field(ids))) &&
             rs.update_row();
    }
    rs.close_rows();
    return ok;
}

}  // namespace

ActionResult save_tags(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                       const std::vector<ListEntry>& tags) {
    if (!open_action(c, rs, store, settings_source(kOurIdsRow), true))
        return {ActionOutcome::unavailable};
    rs.close_rows();
    const auto kept = read_list_rows(c, rs, ListKind::tag);
    bool ok = kept && c.ensure_table(kTagTable);
    std::vector<std::int32_t> gone;
    for (std::size_t i = 0; ok && i < kept->size(); ++i) {
        const std::int32_t id = (*kept)[i].id;
        if (std::none_of(tags.begin(), tags.end(), [&](const ListEntry& e) { return e.id == id; }))
            gone.push_back(id);
    }
    for (std::int32_t id : gone)
        ok = ok && c.execute_sql(std::string("delete from ") + kTagTable +
                                 " where id=" + std::to_string(id));
    for (std::size_t place = 0; ok && place < tags.size(); ++place) {
        const ListEntry& e = tags[place];
        ok = reopen_rows(rs, std::string(kTagTable) + " where id=" + std::to_string(e.id));
        if (!ok) break;
        if (e.id == 0 || rs.row_count() == 0)
            ok = rs.add_row() && rs.write_int("kind", static_cast<std::int32_t>(ListKind::tag));
        ok = ok && rs.write_text("name", e.name) &&
             rs.write_int("place", static_cast<std::int32_t>(place)) && rs.update_row();
        rs.close_rows();
    }
    ok = ok && strip_tags(c, rs, gone);
    const bool stored = ok && c.commit_transaction();
    close_action(c, rs);
    return {stored ? ActionOutcome::done : ActionOutcome::not_stored};
}

}  // namespace store
