#include "formats/column_guess.h"

#include <unordered_map>

#include "formats/utf8.h"

namespace formats {

namespace {

// Every header people use, by meaning. A name with "*" stands for itself followed by each of
// the ID endings (客户旺旺, 客户旺旺号, 客户旺旺名, 客户旺旺id ...); "~" for itself followed by
// each of the date endings (咨询, 咨询日期, 咨询时间 ...). Names are given normalised.
struct Names {
    ColumnMeaning meaning;
    std::vector<std::string_view> names;
};

const std::vector<std::string_view> kIdEndings = {"",     "号",   "名",   "id",     "账号",
                                                  "帐号", "昵称", "号码", "用户名", "名称"};
const std::vector<std::string_view> kDateEndings = {"", "日期", "时间", "日", "date", "time"};

const std::vector<Names>& names() {
    static const std::vector<Names> table = {
        {ColumnMeaning::running_number, {"序号", "编号", "行号", "no", "no.", "#", "序"}},
        {ColumnMeaning::customer_id,
         {"客户旺旺*", "买家旺旺*", "顾客旺旺*", "会员旺旺*", "客人旺旺*", "旺旺*", "客户*",
          "买家*", "顾客*", "会员*", "客户的旺旺*", "买家的旺旺*", "ww", "wangwang", "customer",
          "customerid", "buyer", "buyerid"}},
        {ColumnMeaning::our_id,
         {"我们的旺旺*", "我们旺旺*", "我方旺旺*", "我的旺旺*", "客服旺旺*", "接待旺旺*",
          "本店旺旺*",   "店铺旺旺*", "卖家旺旺*", "掌柜旺旺*", "子账号",    "客服*",
          "接待客服*",   "接待*",     "接待人",    "店铺*",     "卖家*",     "掌柜*",
          "our",         "ourid",     "seller",    "sellerid"}},
        {ColumnMeaning::first_enquiry,
         {"第一次咨询~", "首次咨询~", "初次咨询~", "咨询~", "第一次联系~", "首次联系~",
          "第一次接待~", "首次接待~", "添加~", "创建~", "录入~", "firstenquiry~", "firstinquiry~",
          "firstcontact~"}},
        {ColumnMeaning::last_follow_up,
         {"最后跟踪~", "最后跟进~", "最近跟踪~", "最近跟进~", "上次跟踪~", "上次跟进~", "最后联系~",
          "最近联系~", "最后回访~", "最近回访~", "跟踪~", "跟进~", "回访~", "lastfollowup~",
          "followup~", "lastcontact~"}},
        {ColumnMeaning::deal_date,
         {"交易~", "成功交易~", "交易成功~", "成交~", "购买~", "下单~", "付款~", "deal~",
          "dealdate"}},
        {ColumnMeaning::note,
         {"备注", "备注信息", "备注说明", "说明", "附注", "备忘", "留言", "注释", "描述", "note",
          "notes", "remark", "remarks", "memo", "comment", "comments"}},
    };
    return table;
}

const std::unordered_map<std::string, ColumnMeaning>& lookup() {
    static const auto map = [] {
        std::unordered_map<std::string, ColumnMeaning> m;
        for (const Names& group : names()) {
            for (std::string_view name : group.names) {
                const char mark = name.back();
                const auto* endings = mark == '*'   ? &kIdEndings
                                      : mark == '~' ? &kDateEndings
                                                    : nullptr;
                if (!endings) {
                    m.emplace(name, group.meaning);
                    continue;
                }
                name.remove_suffix(1);
                for (std::string_view ending : *endings)
                    m.emplace(std::string(name) + std::string(ending), group.meaning);
            }
        }
        return m;
    }();
    return map;
}

}  // namespace

std::string normalise_header(std::string_view header) {
    const std::string half = utf8::to_half_width(header);
    std::string out;
    out.reserve(half.size());
    for (std::size_t at = 0; at < half.size();) {
        const std::size_t start = at;
        const auto c = utf8::next(half, at);
        if (!c) {
            out += half[at++];
            continue;
        }
        if (*c == ' ' || *c == '\t' || *c == '\r' || *c == '\n' || *c == 0xA0 || *c == 0x3000)
            continue;
        if (*c >= 'A' && *c <= 'Z') {
            out += static_cast<char>(*c - 'A' + 'a');
            continue;
        }
        out.append(half, start, at - start);
    }
    while (out.ends_with(':'))
        out.pop_back();
    return out;
}

ColumnMeaning guess_column(std::string_view header) {
    const auto& map = lookup();
    const auto found = map.find(normalise_header(header));
    return found == map.end() ? ColumnMeaning::none : found->second;
}

std::vector<ColumnMeaning> guess_columns(const Row& header) {
    std::vector<ColumnMeaning> meanings;
    meanings.reserve(header.size());
    for (const Cell& cell : header)
        meanings.push_back(cell.kind == CellKind::text ? guess_column(cell.text)
                                                       : ColumnMeaning::none);
    return meanings;
}

std::string_view meaning_name(ColumnMeaning meaning) {
    switch (meaning) {
        case ColumnMeaning::running_number:
            return "序号";
        case ColumnMeaning::customer_id:
            return "客户旺旺";
        case ColumnMeaning::our_id:
            return "我们的旺旺";
        case ColumnMeaning::first_enquiry:
            return "第一次咨询日期";
        case ColumnMeaning::last_follow_up:
            return "最后跟踪日期";
        case ColumnMeaning::deal_date:
            return "交易日期";
        case ColumnMeaning::note:
            return "备注";
        case ColumnMeaning::none:
            break;
    }
    return "";
}

}  // namespace formats
