#include "bench/customer_db.h"

#include <string>

#include "bench/shop_customers.h"

namespace bench {

std::vector<std::uint8_t> customer_database(int count) {
    // Newest first, as the list loads them.
    std::vector<store::CustomerRow> customers;
    customers.reserve(static_cast<std::size_t>(count));
    for (int n = count; n >= 1; --n)
        customers.push_back({n, "买家_" + std::to_string(n), n % 3 == 0 ? "小店一号" : "小店二号",
                             45000.0 + n % 700, 45700.5 + n % 50, n % 5 == 0 ? 45800.0 : 0.0,
                             "第" + std::to_string(n) + "次 跟踪: 问了尺码和发货时间"});
    return shop_database(customers);
}

}  // namespace bench
