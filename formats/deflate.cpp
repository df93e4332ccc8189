#include "formats/deflate.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace formats {

namespace {

// zlib counts in uInt; larger buffers go through in pieces.
constexpr std::size_t kPiece = std::numeric_limits<uInt>::max();

uInt piece(std::size_t left) {
    return static_cast<uInt>(std::min(left, kPiece));
}

// Negative window bits: raw deflate without a header.
constexpr int kRawWindow = -MAX_WBITS;

class Deflater {
  public:
    Deflater() {
        ok_ = deflateInit2(&stream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kRawWindow, 8,
                           Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~Deflater() {
        if (ok_) deflateEnd(&stream_);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;
    bool ok() const { return ok_; }
    z_stream& stream() { return stream_; }

  private:
    z_stream stream_{};
    bool ok_ = false;
};

class Inflater {
  public:
    Inflater() { ok_ = inflateInit2(&stream_, kRawWindow) == Z_OK; }
    ~Inflater() {
        if (ok_) inflateEnd(&stream_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    bool ok() const { return ok_; }
    z_stream& stream() { return stream_; }

  private:
    z_stream stream_{};
    bool ok_ = false;
};

}  // namespace

std::uint32_t crc32_of(std::span<const std::uint8_t> data) {
    uLong crc = crc32(0L, Z_NULL, 0);
    for (std::size_t at = 0; at < data.size();) {
        const uInt n = piece(data.size() - at);
        crc = crc32(crc, data.data() + at, n);
        at += n;
    }
    return static_cast<std::uint32_t>(crc);
}

Result<std::vector<std::uint8_t>> deflate_raw(std::span<const std::uint8_t> data) {
    Deflater deflater;
    if (!deflater.ok()) return too_large("内存不足，无法压缩数据");
    z_stream& z = deflater.stream();
    std::vector<std::uint8_t> out(
        deflateBound(&z, static_cast<uLong>(std::min(data.size(), std::size_t{1} << 30))) + 64);
    std::size_t in_at = 0, out_at = 0;
    for (;;) {
        if (out_at == out.size()) out.resize(out.size() * 2);
        const uInt in_now = piece(data.size() - in_at);
        const uInt out_now = piece(out.size() - out_at);
        // zlib takes a non-const pointer but never writes the input.
        z.next_in = const_cast<Bytef*>(data.data() + in_at);
        z.avail_in = in_now;
        z.next_out = out.data() + out_at;
        z.avail_out = out_now;
        const bool last = in_at + in_now == data.size();
        const int rc = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
        in_at += in_now - z.avail_in;
        out_at += out_now - z.avail_out;
        if (rc == Z_STREAM_END) break;
        if (rc != Z_OK && rc != Z_BUF_ERROR) return too_large("压缩数据时出错");
    }
    out.resize(out_at);
    return out;
}

Result<std::vector<std::uint8_t>> inflate_raw(std::span<const std::uint8_t> compressed,
                                              std::size_t size) {
    std::vector<std::uint8_t> out(size);
    JET_TRY(inflate_raw_into(compressed, out));
    return out;
}

Status inflate_raw_into(std::span<const std::uint8_t> compressed, std::span<std::uint8_t> out) {
    const std::size_t size = out.size();
    Inflater inflater;
    if (!inflater.ok()) return too_large("内存不足，无法解压数据");
    z_stream& z = inflater.stream();
    // One spare byte of room: a stream that fills it says more than it declared.
    std::uint8_t spare = 0;
    std::size_t in_at = 0, out_at = 0;
    for (;;) {
        const uInt in_now = piece(compressed.size() - in_at);
        const bool into_spare = out_at == out.size();
        const uInt out_now = into_spare ? 1 : piece(out.size() - out_at);
        z.next_in = const_cast<Bytef*>(compressed.data() + in_at);
        z.avail_in = in_now;
        z.next_out = into_spare ? &spare : out.data() + out_at;
        z.avail_out = out_now;
        const int rc = inflate(&z, Z_NO_FLUSH);
        const uInt made = out_now - z.avail_out;
        in_at += in_now - z.avail_in;
        if (into_spare && made > 0) return damaged("压缩数据解开后比记录的大小还大");
        out_at += made;
        if (rc == Z_STREAM_END) break;
        if (rc == Z_NEED_DICT || rc == Z_DATA_ERROR) return damaged("压缩数据已损坏");
        if (rc == Z_MEM_ERROR) return too_large("内存不足，无法解压数据");
        // No progress with all the input given: the stream is cut off.
        if (rc == Z_BUF_ERROR || (made == 0 && in_at == compressed.size() && !into_spare))
            return damaged("压缩数据不完整");
    }
    if (out_at != size) return damaged("压缩数据解开后比记录的大小要小");
    return {};
}

}  // namespace formats
