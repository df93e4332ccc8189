#include "formats/zip_reader.h"

#include <algorithm>
#include <cstring>

#include "formats/deflate.h"
#include "formats/read_limits.h"
#include "formats/zip_format.h"
#include "jet/bytes.h"

namespace formats {

namespace {

using namespace zip;

struct End {
    std::size_t at = 0;  // where the end record starts
    std::uint16_t entries = 0;
    std::uint32_t directory_size = 0;
    std::uint32_t directory_offset = 0;
};

std::uint16_t u16(jet::Bytes b, std::size_t at) {
    return jet::load_u16(b.data() + at);
}
std::uint32_t u32(jet::Bytes b, std::size_t at) {
    return jet::load_u32(b.data() + at);
}

// The end record is found from the back: it may be followed by a comment of up to 64 KiB.
Result<End> find_end(jet::Bytes b) {
    if (b.size() < kEndSize) return damaged("文件太短，不是压缩包");
    const std::size_t lowest =
        b.size() - kEndSize > kMaxCommentSize ? b.size() - kEndSize - kMaxCommentSize : 0;
    for (std::size_t at = b.size() - kEndSize + 1; at-- > lowest;) {
        if (u32(b, at) != kEndSignature) continue;
        if (at + kEndSize + u16(b, at + 20) > b.size()) continue;  // a signature in a comment
        End end;
        end.at = at;
        const std::uint16_t disk = u16(b, at + 4), directory_disk = u16(b, at + 6);
        const std::uint16_t on_disk = u16(b, at + 8);
        end.entries = u16(b, at + 10);
        end.directory_size = u32(b, at + 12);
        end.directory_offset = u32(b, at + 16);
        const bool zip64_marks = end.entries == kMax16 || on_disk == kMax16 ||
                                 end.directory_size == kMax32 || end.directory_offset == kMax32;
        const bool zip64_locator =
            at >= kZip64LocatorSize && u32(b, at - kZip64LocatorSize) == kZip64LocatorSignature;
        if (zip64_marks || zip64_locator)
            return unsupported("这是 ZIP64 格式的大压缩包，不支持这种格式");
        if (disk != 0 || directory_disk != 0 || on_disk != end.entries)
            return unsupported("这是分卷压缩包，不支持分卷");
        return end;
    }
    return damaged("找不到压缩包的目录：文件不是压缩包，或者已经不完整");
}

Result<ZipEntry> read_central_header(jet::Bytes b, std::size_t& at, std::size_t directory_end) {
    if (!jet::in_range(b, at, kCentralHeaderSize) || at + kCentralHeaderSize > directory_end ||
        u32(b, at) != kCentralHeaderSignature)
        return damaged("压缩包的目录已损坏");
    ZipEntry entry;
    entry.flags = u16(b, at + 8);
    entry.method = u16(b, at + 10);
    entry.crc = u32(b, at + 16);
    entry.compressed_size = u32(b, at + 20);
    entry.size = u32(b, at + 24);
    const std::size_t name_size = u16(b, at + 28), extra_size = u16(b, at + 30),
                      comment_size = u16(b, at + 32);
    const std::uint16_t start_disk = u16(b, at + 34);
    const std::uint32_t header_offset = u32(b, at + 42);
    const std::size_t record = kCentralHeaderSize + name_size + extra_size + comment_size;
    if (at + record > directory_end) return damaged("压缩包的目录已损坏");
    entry.name.assign(reinterpret_cast<const char*>(b.data() + at + kCentralHeaderSize), name_size);
    at += record;
    if (entry.compressed_size == kMax32 || entry.size == kMax32 || header_offset == kMax32 ||
        start_disk == kMax16)
        return unsupported("这是 ZIP64 格式的大压缩包，不支持这种格式");
    if (start_disk != 0) return unsupported("这是分卷压缩包，不支持分卷");
    if (entry.flags & (kFlagEncrypted | kFlagStrongEncryption))
        return unsupported("压缩包里的“" + entry.name + "”是加密的，无法读取");
    if (entry.method != kStored && entry.method != kDeflated)
        return unsupported("压缩包里的“" + entry.name + "”用了不支持的压缩方法");
    if (entry.method == kStored && entry.compressed_size != entry.size)
        return damaged("压缩包里的“" + entry.name + "”大小不一致");

    // The local header repeats the name; its own extra field decides where the data starts.
    const std::size_t local = header_offset;
    if (!jet::in_range(b, local, kLocalHeaderSize) || u32(b, local) != kLocalHeaderSignature)
        return damaged("压缩包里的“" + entry.name + "”指向了文件以外或错误的位置");
    const std::size_t local_name = u16(b, local + 26), local_extra = u16(b, local + 28);
    const std::uint16_t local_method = u16(b, local + 8);
    const std::size_t data = local + kLocalHeaderSize + local_name + local_extra;
    if (!jet::in_range(b, local + kLocalHeaderSize, local_name + local_extra) ||
        local_name != name_size ||
        std::memcmp(entry.name.data(), b.data() + local + kLocalHeaderSize, name_size) != 0 ||
        local_method != entry.method)
        return damaged("压缩包里的“" + entry.name + "”前后记录不一致");
    if (!jet::in_range(b, data, entry.compressed_size))
        return damaged("压缩包里的“" + entry.name + "”超出了文件的末尾");
    entry.header_offset = local;
    entry.data_offset = data;
    return entry;
}

}  // namespace

Result<ZipArchive> ZipArchive::open(std::span<const std::uint8_t> bytes, ZipLimits limits) {
    JET_ASSIGN(const End end, find_end(bytes));
    const std::size_t directory = end.directory_offset;
    if (directory > end.at || end.directory_size > end.at - directory)
        return damaged("压缩包的目录指向了文件以外");
    if (end.entries > limits.max_entries) return too_large("压缩包里的文件太多");

    ZipArchive archive(bytes, limits);
    const jet::Bytes b = archive.bytes_;
    archive.entries_.reserve(end.entries);
    const std::size_t directory_end = directory + end.directory_size;
    std::size_t at = directory;
    for (std::size_t i = 0; i < end.entries; ++i) {
        JET_ASSIGN(ZipEntry entry, read_central_header(b, at, directory_end));
        // Entry data lies before the directory; nothing may be read out of it.
        if (entry.data_offset + entry.compressed_size > directory)
            return damaged("压缩包里的“" + entry.name + "”和目录重叠");
        archive.entries_.push_back(std::move(entry));
    }
    if (at != directory_end) return damaged("压缩包的目录大小和内容不一致");

    // Entries sharing bytes are how zip bombs multiply their size; no office program writes
    // them. The same name twice would make a lookup ambiguous.
    std::vector<const ZipEntry*> by_offset;
    for (const auto& e : archive.entries_)
        by_offset.push_back(&e);
    std::sort(by_offset.begin(), by_offset.end(), [](const ZipEntry* x, const ZipEntry* y) {
        return x->header_offset < y->header_offset;
    });
    for (std::size_t i = 1; i < by_offset.size(); ++i) {
        const ZipEntry& before = *by_offset[i - 1];
        if (before.data_offset + before.compressed_size > by_offset[i]->header_offset)
            return damaged("压缩包里的文件互相重叠：文件已损坏或是恶意构造的");
    }
    std::vector<std::string_view> names;
    for (const auto& e : archive.entries_)
        names.push_back(e.name);
    std::sort(names.begin(), names.end());
    if (std::adjacent_find(names.begin(), names.end()) != names.end())
        return damaged("压缩包里有同名的文件");
    return archive;
}

const ZipEntry* ZipArchive::find(std::string_view name) const {
    for (const auto& e : entries_)
        if (e.name == name) return &e;
    return nullptr;
}

Status ZipArchive::check_limits(const ZipEntry& entry) const {
    if (entry.size > limits_.max_entry_size)
        return too_large("压缩包里的“" + entry.name + "”解开后太大（超过 " +
                         std::to_string(limits_.max_entry_size >> 20) + " MB）");
    if (entry.size > limits_.ratio_floor &&
        entry.size / std::max<std::size_t>(entry.compressed_size, 1) >= limits_.max_ratio)
        return over_ratio(entry.name, limits_.max_ratio);
    if (entry.size > limits_.max_total_size - std::min(unpacked_, limits_.max_total_size))
        return over_unpacked(limits_.max_total_size);
    unpacked_ += entry.size;
    return {};
}

Status ZipArchive::unpack(const ZipEntry& entry, std::span<std::uint8_t> out) const {
    const auto data =
        std::span<const std::uint8_t>(bytes_).subspan(entry.data_offset, entry.compressed_size);
    if (entry.method == zip::kStored) {
        std::copy(data.begin(), data.end(), out.begin());
    } else if (auto inflated = inflate_raw_into(data, out); !inflated) {
        return jet::make_error(inflated.error().code,
                               "压缩包里的“" + entry.name + "”：" + inflated.error().message);
    }
    if (crc32_of(out) != entry.crc)
        return damaged("压缩包里的“" + entry.name + "”校验和不对，文件已损坏");
    return {};
}

Result<std::vector<std::uint8_t>> ZipArchive::read(const ZipEntry& entry) const {
    JET_TRY(check_limits(entry));
    std::vector<std::uint8_t> content(entry.size);
    JET_TRY(unpack(entry, content));
    return content;
}

Result<std::string> ZipArchive::read_text(const ZipEntry& entry) const {
    JET_TRY(check_limits(entry));
    std::string content(entry.size, '\0');
    JET_TRY(unpack(entry, std::span<std::uint8_t>(reinterpret_cast<std::uint8_t*>(content.data()),
                                                  content.size())));
    return content;
}

Result<std::vector<std::uint8_t>> ZipArchive::read(std::string_view name) const {
    const ZipEntry* entry = find(name);
    if (!entry) return missing("压缩包里没有“" + std::string(name) + "”");
    return read(*entry);
}

}  // namespace formats
