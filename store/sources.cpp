#include "store/sources.h"

namespace store {

std::string quoted(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        out.push_back(c);
        if (c == '\'') out.push_back('\'');
    }
    return out;
}

std::string customer_list_source(bool closed) {
    return std::string("yrkb_com where ") + (closed ? "yn=true" : "yn=false");
}

std::string customer_source(std::int32_t id) {
    return "yrkb_com where id=" + std::to_string(id);
}

std::string duplicate_source(std::string_view customer_id, std::string_view our_id) {
    return "yrkb_com where wang='" + quoted(customer_id) + "' and wang2='" + quoted(our_id) + "'";
}

std::string duplicate_source_except(std::string_view customer_id, std::string_view our_id,
                                    std::int32_t id) {
    return "yrkb_com where wang='" + quoted(customer_id) + "' and wang2='" + quoted(our_id) +
           "' and id<>" + std::to_string(id);
}

std::string delete_customer_statement(std::int32_t id) {
    return "delete * from yrkb_com where id=" + std::to_string(id);
}

std::string deal_count_source(bool closed) {
    return closed ? "yrkb_com where yn=true" : "yrkb_com where yn=false";
}

std::string settings_source(std::int32_t row) {
    return "vantel_ww where id=" + std::to_string(row);
}

}  // namespace store
