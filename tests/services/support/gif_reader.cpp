#include "tests/services/support/gif_reader.h"

namespace testsupport {

namespace {

class Cursor {
  public:
    explicit Cursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool has(std::size_t n) const { return at_ + n <= bytes_.size(); }
    std::uint8_t byte() { return bytes_[at_++]; }
    int u16() {
        const int low = byte();
        return low | (byte() << 8);
    }
    std::size_t left() const { return bytes_.size() - at_; }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

// The textbook GIF LZW decoder: the table is one entry behind the encoder, and the code width
// grows when the table reaches the current width's limit.
bool decode_lzw(const std::vector<std::uint8_t>& data, int min_code_size, std::size_t expected,
                std::vector<std::uint8_t>& out, std::size_t& clears, std::string& error) {
    if (min_code_size < 2 || min_code_size > 8) {
        error = "minimum code size out of range";
        return false;
    }
    const int clear = 1 << min_code_size;
    const int end = clear + 1;
    std::vector<std::vector<std::uint8_t>> table;
    int width = 0;
    const auto reset = [&] {
        table.assign(static_cast<std::size_t>(end + 1), {});
        for (int i = 0; i < clear; ++i)
            table[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i)};
        width = min_code_size + 1;
    };
    reset();
    std::size_t bit = 0;
    int previous = -1;
    bool saw_clear = false;
    for (;;) {
        if (bit + static_cast<std::size_t>(width) > data.size() * 8) {
            error = "the code stream ends without an end code";
            return false;
        }
        int code = 0;
        for (int k = 0; k < width; ++k, ++bit)
            code |= ((data[bit / 8] >> (bit % 8)) & 1) << k;
        if (code == clear) {
            ++clears;
            reset();
            previous = -1;
            saw_clear = true;
            continue;
        }
        if (!saw_clear) {
            error = "the code stream does not start with a clear code";
            return false;
        }
        if (code == end) break;
        std::vector<std::uint8_t> entry;
        if (code < static_cast<int>(table.size()) &&
            !table[static_cast<std::size_t>(code)].empty()) {
            entry = table[static_cast<std::size_t>(code)];
        } else if (code == static_cast<int>(table.size()) && previous >= 0) {
            entry = table[static_cast<std::size_t>(previous)];
            entry.push_back(entry.front());
        } else {
            error = "a code beyond the table";
            return false;
        }
        if (previous >= 0 && table.size() < 4096) {
            auto grown = table[static_cast<std::size_t>(previous)];
            grown.push_back(entry.front());
            table.push_back(std::move(grown));
        }
        out.insert(out.end(), entry.begin(), entry.end());
        previous = code;
        if (table.size() == (1u << width) && width < 12) ++width;
    }
    if ((data.size() * 8 - bit) >= 8) {
        error = "whole bytes follow the end code";
        return false;
    }
    if (out.size() != expected) {
        error =
            "decoded " + std::to_string(out.size()) + " pixels, not " + std::to_string(expected);
        return false;
    }
    return true;
}

bool read_sub_blocks(Cursor& in, std::vector<std::uint8_t>* data, std::vector<std::size_t>* sizes,
                     std::string& error) {
    for (;;) {
        if (!in.has(1)) {
            error = "sub-blocks run past the end";
            return false;
        }
        const std::size_t n = in.byte();
        if (n == 0) return true;
        if (!in.has(n)) {
            error = "a sub-block runs past the end";
            return false;
        }
        if (sizes) sizes->push_back(n);
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t b = in.byte();
            if (data) data->push_back(b);
        }
    }
}

}  // namespace

std::optional<GifFile> read_gif(std::span<const std::uint8_t> bytes, std::string& error) {
    Cursor in(bytes);
    GifFile gif;
    if (!in.has(13)) {
        error = "too short for a header";
        return std::nullopt;
    }
    for (int i = 0; i < 6; ++i)
        gif.signature += static_cast<char>(in.byte());
    if (gif.signature != "GIF87a" && gif.signature != "GIF89a") {
        error = "no GIF signature";
        return std::nullopt;
    }
    gif.width = in.u16();
    gif.height = in.u16();
    const std::uint8_t packed = in.byte();
    gif.background = in.byte();
    in.byte();  // aspect ratio
    if (packed & 0x80) {
        gif.global_colours = std::size_t{2} << (packed & 0x07);
        if (!in.has(3 * gif.global_colours)) {
            error = "the colour table runs past the end";
            return std::nullopt;
        }
        for (std::size_t i = 0; i < 3 * gif.global_colours; ++i)
            gif.palette.push_back(in.byte());
    }
    while (in.has(1)) {
        const std::uint8_t introducer = in.byte();
        if (introducer == 0x3B) {
            gif.trailer = true;
            gif.bytes_after_trailer = in.left();
            return gif;
        }
        if (introducer == 0x21) {
            if (!in.has(1)) break;
            const std::uint8_t label = in.byte();
            if (label == 0xF9) {
                if (!in.has(6) || in.byte() != 4) {
                    error = "a graphic control extension of the wrong size";
                    return std::nullopt;
                }
                GraphicControl control;
                const std::uint8_t flags = in.byte();
                control.disposal = (flags >> 2) & 0x07;
                control.transparent = (flags & 0x01) != 0;
                control.delay = in.u16();
                control.transparent_index = in.byte();
                if (in.byte() != 0) {
                    error = "a graphic control extension without its terminator";
                    return std::nullopt;
                }
                gif.controls.push_back(control);
            } else {
                ++gif.other_extensions;
                if (!read_sub_blocks(in, nullptr, nullptr, error)) return std::nullopt;
            }
            continue;
        }
        if (introducer != 0x2C) {
            error = "an unknown block";
            return std::nullopt;
        }
        if (!in.has(10)) break;
        GifImage image;
        image.left = in.u16();
        image.top = in.u16();
        image.width = in.u16();
        image.height = in.u16();
        const std::uint8_t flags = in.byte();
        image.local_colour_table = (flags & 0x80) != 0;
        image.interlaced = (flags & 0x40) != 0;
        if (image.local_colour_table) {
            error = "a local colour table (the reader does not take one)";
            return std::nullopt;
        }
        image.min_code_size = in.byte();
        std::vector<std::uint8_t> data;
        if (!read_sub_blocks(in, &data, &image.sub_block_sizes, error)) return std::nullopt;
        const auto expected = static_cast<std::size_t>(image.width) * image.height;
        if (!decode_lzw(data, image.min_code_size, expected, image.pixels, image.clear_codes,
                        error))
            return std::nullopt;
        gif.images.push_back(std::move(image));
    }
    error = "no trailer";
    return std::nullopt;
}

}  // namespace testsupport
