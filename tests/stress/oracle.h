#pragma once
// The database file read from outside the program: mdbtools' mdb-export for the values and
// jetdump --check for the structure.
#include <string>

#include "tests/stress/model.h"

namespace stress {

class Oracle {
  public:
    explicit Oracle(std::string jetdump) : jetdump_(std::move(jetdump)) {}
    // "" when the file is sound and holds what the model says.
    std::string compare(const std::string& path, const StoreModel& store) const;

  private:
    std::string jetdump_;
};

// mdb-export's CSV line of a customer, as mdbtools 1.0 prints it with the options we pass.
std::string exported_line(const Customer& c);

}  // namespace stress
