#pragma once
// Storing memo and OLE values on long-value (LVAL) pages, and freeing them again.
//
// A value that fits in one row of an empty page is kept as that one row; a longer one is
// cut into a chain of rows, each a 4-byte link to the next row and as much of the value as
// fills a whole page, the last chunk going wherever it fits. Freed rows give their room back,
// and a page whose rows are all freed takes a full-page row again.
#include <cstdint>
#include <span>
#include <vector>

#include "jet/bytes.h"
#include "jet/data_page_edit.h"
#include "jet/result.h"
#include "jet/row_encoder.h"

namespace jet {

// The bytes of a value carried by each row of a chain: a full-page row less its link.
inline constexpr std::size_t kLongValueChunk = kMaxRowSize - 4;
// The length field keeps its top two bits for the kind of reference.
inline constexpr std::size_t kMaxLongValueLength = 0x3FFFFFFFu;

struct LongValuePage {
    std::uint32_t number = 0;
    DataPageRows* rows = nullptr;
};

// The pages long values live on, as the table writer's transaction hands them out. Every
// page handed out counts as changed and is written back by the source. A pointer is used
// only until the next call to the source, so the source may keep pages however it likes.
class LongValuePages {
  public:
    virtual ~LongValuePages() = default;
    // An LVAL page on which long_value_row_fits(page, size): one of the file's own with room
    // left (for a full-page row, one whose rows were all freed), or else a fresh one.
    virtual Result<LongValuePage> page_with_room(std::size_t size) = 0;
    // A page of the file by number, to link or delete rows on; it may be any kind of page.
    virtual Result<DataPageRows*> page(std::uint32_t number) = 0;
};

// Whether a row of `size` bytes can be added to `page`, in a deleted row's slot or a new one.
bool long_value_row_fits(const DataPageRows& page, std::size_t size);

class LongValueWriter {
  public:
    explicit LongValueWriter(LongValuePages& pages) : pages_(pages) {}

    // Puts the stored bytes of a value on LVAL pages and returns the 12-byte reference to
    // them. On failure no row of the value is left behind.
    Result<std::vector<std::uint8_t>> store_long_value(std::span<const std::uint8_t> stored);

    // Deletes the rows the value of `reference` occupies; an inline value occupies none.
    // The whole chain is checked before any row goes, so a broken one changes nothing.
    Status free_long_value(Bytes reference);

    // This writer as encode_row's store; it must outlive the returned function.
    LongValueStore as_store();

  private:
    Result<std::uint32_t> add_row(LongValuePage page, std::vector<std::uint8_t> bytes);
    Result<std::vector<RowPointer>> rows_of(Bytes reference);
    Status remove_row(RowPointer where);
    void delete_rows(const std::vector<RowPointer>& rows);

    LongValuePages& pages_;
};

}  // namespace jet
