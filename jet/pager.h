#pragma once
// Pages of a database file, read on demand, unmasked, and kept for the life of the pager.
#include <array>
#include <cstdint>
#include <map>
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

    // Drops every cached page and every staged change, after the file changed underneath
    // or a change was abandoned.
    void forget();
    // Whether the page is held in memory now, and letting go of one read only for a pass
    // (what page() handed out for it then no longer lasts).
    bool cached(std::uint32_t number) const;
    void drop(std::uint32_t number);

    // A changed page held in memory until committed; reads see it at once. `number` may be
    // the page count, which appends a page.
    Status stage(std::uint32_t number, const PageBytes& bytes);
    const std::map<std::uint32_t, PageBytes>& staged() const { return staged_; }
    // The staged pages are now on disk: they become the cached pages.
    void accept_staged();
    // Counts the times staged changes were dropped, so that what was read from them can be
    // known stale.
    std::uint64_t generation() const { return generation_; }

    // What is staged at one moment, to go back to when a change of many pages fails half-way.
    struct StagedState {
        std::map<std::uint32_t, PageBytes> staged;
        std::uint32_t page_count = 0;
    };
    StagedState save_staged() const { return {staged_, page_count_}; }
    // Drops what was staged since `state` was saved.
    void restore_staged(StagedState state);

    Pager(File& file, Header header, std::uint32_t page_count);

  private:
    File& file_;
    Header header_;
    std::uint32_t page_count_;
    std::vector<std::unique_ptr<PageBytes>> cache_;
    std::map<std::uint32_t, PageBytes> staged_;
    std::uint32_t file_pages_;  // pages on disk, without appended staged ones
    std::uint64_t generation_ = 0;
};

}  // namespace jet
