#pragma once
// The database file read from outside the program: mdbtools' mdb-export for the values and
// jetdump --check for the structure; a store on a server is read with psql.
#include <string>

#include "tests/stress/model.h"

namespace stress {

class Oracle {
  public:
    // `server`: the store is on that server, read with psql instead.
    explicit Oracle(std::string jetdump, std::string server = {})
        : jetdump_(std::move(jetdump)), server_(std::move(server)) {}
    // "" when the file (or the server's database) is sound and holds what the model says.
    std::string compare(const std::string& path, const StoreModel& store) const;

  private:
    std::string compare_server(const StoreModel& store) const;

    std::string jetdump_;
    std::string server_;
};

// mdb-export's CSV line of a customer, as mdbtools 1.0 prints it with the options we pass.
std::string exported_line(const Customer& c);

}  // namespace stress
