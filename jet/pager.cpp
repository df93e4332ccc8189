#include "jet/pager.h"

#include "jet/rc4.h"

namespace jet {

Pager::Pager(File& file, Header header, std::uint32_t page_count)
    : file_(file),
      header_(std::move(header)),
      page_count_(page_count),
      cache_(page_count),
      file_pages_(page_count) {}

Result<std::unique_ptr<Pager>> Pager::open(File& file) {
    JET_ASSIGN(std::uint64_t size, file.size());
    if (size < kPageSize) return make_error(Errc::not_a_database, "file shorter than one page");
    if (size > (std::uint64_t{1} << 32) * kPageSize)
        return make_error(Errc::corrupt, "file larger than any Jet database");
    PageBytes first;
    JET_TRY(file.read_at(0, first));
    JET_ASSIGN(Header h, parse_header(first));
    // A trailing partial page cannot hold anything the engine wrote whole.
    auto count = static_cast<std::uint32_t>(size / kPageSize);
    auto pager = std::make_unique<Pager>(file, std::move(h), count);
    pager->cache_[0] = std::make_unique<PageBytes>(first);
    return pager;
}

Result<Bytes> Pager::page(std::uint32_t number) {
    if (number >= page_count_)
        return make_error(Errc::corrupt, "page " + std::to_string(number) + " lies past the end");
    if (auto it = staged_.find(number); it != staged_.end()) return Bytes(it->second);
    auto& slot = cache_[number];
    if (!slot) {
        auto bytes = std::make_unique<PageBytes>();
        JET_TRY(file_.read_at(static_cast<std::uint64_t>(number) * kPageSize, *bytes));
        if (header_.database_key != 0 && number != 0) {
            std::uint32_t k = header_.database_key ^ number;
            std::uint8_t key[4] = {static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k >> 8),
                                   static_cast<std::uint8_t>(k >> 16),
                                   static_cast<std::uint8_t>(k >> 24)};
            rc4_apply(key, *bytes);
        }
        slot = std::move(bytes);
    }
    return Bytes(*slot);
}

bool Pager::cached(std::uint32_t number) const {
    return number < cache_.size() && cache_[number] != nullptr;
}

void Pager::drop(std::uint32_t number) {
    // The header page is read everywhere and held for the life of the pager.
    if (number != 0 && number < cache_.size()) cache_[number].reset();
}

void Pager::forget() {
    ++generation_;
    staged_.clear();
    page_count_ = file_pages_;
    cache_.resize(page_count_);
    for (std::size_t i = 1; i < cache_.size(); ++i)
        cache_[i].reset();
}

Status Pager::stage(std::uint32_t number, const PageBytes& bytes) {
    if (header_.database_key != 0)
        return make_error(Errc::read_only, "pages of this database are masked; it opens read-only");
    if (number == 0) return make_error(Errc::read_only, "the header page is never rewritten");
    if (number > page_count_)
        return make_error(Errc::corrupt, "a page would leave a gap in the file");
    if (number == page_count_) {
        ++page_count_;
        cache_.emplace_back();
    }
    staged_[number] = bytes;
    return {};
}

void Pager::restore_staged(StagedState state) {
    ++generation_;
    staged_ = std::move(state.staged);
    page_count_ = state.page_count;
    cache_.resize(page_count_);
}

void Pager::accept_staged() {
    for (auto& [number, bytes] : staged_)
        cache_[number] = std::make_unique<PageBytes>(bytes);
    staged_.clear();
    file_pages_ = page_count_;
}

}  // namespace jet
