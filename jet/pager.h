#pragma once
// Pages of a database file, read on demand, unmasked, and kept for the life of the pager.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "jet/bytes.h"
#include "jet/file.h"
#include "jet/format.h"
#include "jet/header.h"
#include "jet/result.h"

namespace jet {

using PageBytes = std::array<std::uint8_t, kPageSize>;

class Pager {
  public:
    // Reads and checks the header page; fails on anything that is no Jet 4 database.
    static Result<std::unique_ptr<Pager>> open(File& file);

    const Header& header() const { return header_; }
    std::uint32_t page_count() const { return page_count_; }
    File& file() { return file_; }

    // The page's bytes as the engine sees them (page 0 with its masked region as stored).
    Result<Bytes> page(std::uint32_t number);

    // Drops every cached page, after the file changed underneath.
    void forget();

    Pager(File& file, Header header, std::uint32_t page_count);

  private:
    File& file_;
    Header header_;
    std::uint32_t page_count_;
    std::vector<std::unique_ptr<PageBytes>> cache_;
};

}  // namespace jet
