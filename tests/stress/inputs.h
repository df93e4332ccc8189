#pragma once
// What a user types, valid, invalid and hostile, drawn from a seeded generator.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/stress/model.h"

namespace stress {

class Inputs {
  public:
    explicit Inputs(std::mt19937_64& rng) : rng_(rng) {}

    int below(int n) { return static_cast<int>(rng_() % static_cast<std::uint64_t>(n)); }
    bool chance(int percent) { return below(100) < percent; }

    // A customer ID as typed: often a stored one again (in another letter case, with
    // blanks), or empty, blank, exactly 50 or 51 characters long, or full of odd characters.
    std::string customer_id(const Model& m);
    // The text of the our-ID manager's box: a few lines, some of them empty, blank, long,
    // repeated or separated by lone line feeds.
    std::string our_id_list();
    // A note: empty, short and odd, or very long.
    std::string note();
    // A date box value: everyday moments and the edges of the calendar.
    double date();
    // What the skin selector shows after one more keystroke or spin.
    std::string skin_text(const std::string& now);

  private:
    std::string atoms(int count, bool line_breaks);
    std::string of_length(int units);
    std::string our_id();

    std::mt19937_64& rng_;
};

}  // namespace stress
