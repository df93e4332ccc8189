// stress_writer DB TAG SECONDS: saves customers TAG-1, TAG-2, ... through the store for
// SECONDS, as fast as it can, and prints the numbers of the saves the store confirmed, one
// a line, then "failed N" for the saves it refused.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "store/customer_actions.h"
#include "store/provision.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: stress_writer DB TAG SECONDS\n");
        return 2;
    }
    const store::StoreLocation where{argv[1], store::kDatabasePassword};
    const std::string tag = argv[2];
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[3]));
    store::StoreConnection c;
    store::RowSet rs;
    int failed = 0;
    for (int n = 1; std::chrono::steady_clock::now() < until; ++n) {
        store::CustomerFields f{tag + "-" + std::to_string(n), tag, 46000.0, 46000.5,
                                n % 5 == 0 ? std::string(2000, 'x') : "note " + std::to_string(n)};
        std::int32_t id = 0;
        if (store::save_new_customer(c, rs, where, f, &id) == store::SaveOutcome::saved)
            std::printf("%d %s\n", id, f.buyer.c_str());
        else
            ++failed;
    }
    std::printf("failed %d\n", failed);
    return 0;
}
