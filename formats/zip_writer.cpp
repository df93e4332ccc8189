#include "formats/zip_writer.h"

#include <algorithm>

#include "formats/deflate.h"
#include "formats/zip_format.h"

namespace formats {

namespace {

using namespace zip;

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

void put_name(std::vector<std::uint8_t>& out, const std::string& name) {
    out.insert(out.end(), name.begin(), name.end());
}

bool ascii(std::string_view name) {
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

Status ZipWriter::add(std::string_view name, std::string_view text, bool compress) {
    return add(name, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
               compress);
}

Status ZipWriter::add(std::string_view name, std::span<const std::uint8_t> data, bool compress) {
    const std::string entry_name(name);
    if (name.empty() || name.size() > kMax16) return invalid_value("压缩包里的文件名无效");
    for (const auto& w : written_)
        if (w.name == entry_name) return invalid_value("压缩包里已经有“" + entry_name + "”");
    // The largest values are zip64 markers, so they stay unused.
    if (data.size() >= kMax32 || written_.size() + 1 >= kMax16)
        return too_large("内容太大，超出了压缩包能容纳的大小");

    Written w{entry_name, kStored, 0, crc32_of(data), 0, static_cast<std::uint32_t>(data.size()),
              0};
    std::vector<std::uint8_t> deflated;
    if (compress) {
        JET_ASSIGN(deflated, deflate_raw(data));
        if (deflated.size() < data.size()) w.method = kDeflated;
    }
    const std::span<const std::uint8_t> stored =
        w.method == kDeflated ? std::span<const std::uint8_t>(deflated) : data;
    w.compressed_size = static_cast<std::uint32_t>(stored.size());
    if (!ascii(name)) w.flags |= kFlagUtf8Name;
    const std::size_t end = body_.size() + kLocalHeaderSize + name.size() + stored.size();
    if (end >= kMax32) return too_large("内容太大，超出了压缩包能容纳的大小");
    w.offset = static_cast<std::uint32_t>(body_.size());

    put32(body_, kLocalHeaderSignature);
    put16(body_, kVersion20);
    put16(body_, w.flags);
    put16(body_, w.method);
    put16(body_, kFixedDosTime);
    put16(body_, kFixedDosDate);
    put32(body_, w.crc);
    put32(body_, w.compressed_size);
    put32(body_, w.size);
    put16(body_, static_cast<std::uint16_t>(name.size()));
    put16(body_, 0);  // no extra field
    put_name(body_, w.name);
    body_.insert(body_.end(), stored.begin(), stored.end());
    written_.push_back(std::move(w));
    return {};
}

Result<std::vector<std::uint8_t>> ZipWriter::finish() const {
    std::vector<std::uint8_t> out = body_;
    const std::size_t directory = out.size();
    for (const auto& w : written_) {
        put32(out, kCentralHeaderSignature);
        put16(out, kVersion20);  // made by: MS-DOS, 2.0
        put16(out, kVersion20);  // needed to extract
        put16(out, w.flags);
        put16(out, w.method);
        put16(out, kFixedDosTime);
        put16(out, kFixedDosDate);
        put32(out, w.crc);
        put32(out, w.compressed_size);
        put32(out, w.size);
        put16(out, static_cast<std::uint16_t>(w.name.size()));
        put16(out, 0);  // extra field
        put16(out, 0);  // comment
        put16(out, 0);  // disk
        put16(out, 0);  // internal attributes
        put32(out, 0);  // external attributes
        put32(out, w.offset);
        put_name(out, w.name);
    }
    const std::size_t directory_size = out.size() - directory;
    if (out.size() + kEndSize >= kMax32) return too_large("内容太大，超出了压缩包能容纳的大小");
    put32(out, kEndSignature);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<std::uint16_t>(written_.size()));
    put16(out, static_cast<std::uint16_t>(written_.size()));
    put32(out, static_cast<std::uint32_t>(directory_size));
    put32(out, static_cast<std::uint32_t>(directory));
    put16(out, 0);  // no comment
    return out;
}

}  // namespace formats
