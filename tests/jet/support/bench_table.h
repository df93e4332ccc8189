#pragma once
// Builds large copies of a real Access file for benchmarks and cross-reader checks: the
// rows of its table `Table1` (`ID` Long Integer, `Data` Text) are replaced with generated
// ones, laid out page by page the way the engine stores them.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/result.h"

namespace lq::jet_support {

enum class MapKind {
    automatic,  // an inline map when the pages fit in the table's map row, else a reference map
    inline_,    // fail unless the pages fit in the map row
    reference,  // always a reference map with usage-map pages of its own
};

struct BenchTableOptions {
    std::uint32_t rows = 10000;
    std::uint64_t seed = 1;
    MapKind map = MapKind::automatic;
};

// The generated value of `Data` for the row with ID `id` (from 1), null for some rows.
std::optional<std::string> bench_text(std::uint32_t id, std::uint64_t seed);

// A new file image: `base` (the bytes of no-password.mdb, or any file whose `Table1` has
// the same two columns) with `Table1` holding exactly the generated rows, IDs 1..rows.
jet::Result<std::vector<std::uint8_t>> make_bench_table(std::span<const std::uint8_t> base,
                                                        const BenchTableOptions& options);

}  // namespace lq::jet_support
