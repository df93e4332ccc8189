#include "tests/resources/pe_resources.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <utility>

namespace testing_support {
namespace {

constexpr std::uint32_t kSubdirectory = 0x80000000;

class Reader {
  public:
    explicit Reader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    std::optional<std::uint32_t> u16(std::size_t at) const {
        if (at + 2 > bytes_.size()) return std::nullopt;
        return static_cast<std::uint32_t>(bytes_[at] | bytes_[at + 1] << 8);
    }
    std::optional<std::uint32_t> u32(std::size_t at) const {
        auto lo = u16(at), hi = u16(at + 2);
        if (!lo || !hi) return std::nullopt;
        return *lo | *hi << 16;
    }
    std::size_t size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  private:
    const std::vector<std::uint8_t>& bytes_;
};

struct Section {
    std::uint32_t rva, size, file_offset, file_size;
};

class Walker {
  public:
    Walker(const Reader& in, std::vector<Section> sections, std::size_t root)
        : in_(in), sections_(std::move(sections)), root_(root) {}

    // Level 0 is the type table, 1 the ID table, 2 the language table.
    bool walk(std::uint32_t dir_offset, int level, PeResource path, PeResources& out) {
        if (level > 2) return fail(out, "resource tree deeper than three levels");
        std::size_t at = root_ + dir_offset;
        auto named = in_.u16(at + 12), ids = in_.u16(at + 14);
        if (!named || !ids) return fail(out, "resource directory outside the file");
        if (*named != 0) return fail(out, "resource named by text");
        for (std::uint32_t i = 0; i < *ids; ++i) {
            std::size_t entry = at + 16 + 8 * i;
            auto name = in_.u32(entry), target = in_.u32(entry + 4);
            if (!name || !target) return fail(out, "resource entry outside the file");
            PeResource next = path;
            (level == 0 ? next.type : level == 1 ? next.id : next.language) = *name;
            if (*target & kSubdirectory) {
                if (!walk(*target & ~kSubdirectory, level + 1, next, out)) return false;
            } else {
                if (level != 2) return fail(out, "resource data above the language level");
                if (!leaf(*target, next, out)) return false;
            }
        }
        return true;
    }

    static bool fail(PeResources& out, std::string why) {
        out.error = std::move(why);
        return false;
    }

  private:
    bool leaf(std::uint32_t offset, PeResource r, PeResources& out) {
        auto rva = in_.u32(root_ + offset), size = in_.u32(root_ + offset + 4);
        if (!rva || !size) return fail(out, "resource data entry outside the file");
        auto file_offset = to_file_offset(*rva, *size);
        if (!file_offset) return fail(out, "resource data outside every section");
        auto first = in_.bytes().begin() + static_cast<std::ptrdiff_t>(*file_offset);
        r.data.assign(first, first + *size);
        out.entries.push_back(std::move(r));
        return true;
    }

    std::optional<std::size_t> to_file_offset(std::uint32_t rva, std::uint32_t size) const {
        for (const Section& s : sections_) {
            if (rva >= s.rva && rva - s.rva + std::uint64_t{size} <= s.file_size) {
                std::size_t at = s.file_offset + (rva - s.rva);
                if (at + size <= in_.size()) return at;
            }
        }
        return std::nullopt;
    }

    const Reader& in_;
    std::vector<Section> sections_;
    std::size_t root_;
};

}  // namespace

const PeResource* PeResources::find(std::uint32_t type, std::uint32_t id) const {
    for (const PeResource& r : entries)
        if (r.type == type && r.id == id) return &r;
    return nullptr;
}

PeResources read_pe_resources(const std::vector<std::uint8_t>& file) {
    PeResources out;
    Reader in(file);
    if (file.size() < 64 || file[0] != 'M' || file[1] != 'Z') {
        Walker::fail(out, "no MZ header");
        return out;
    }
    auto pe = in.u32(0x3C);
    if (!pe || *pe + 24 > file.size() || file[*pe] != 'P' || file[*pe + 1] != 'E' ||
        file[*pe + 2] != 0 || file[*pe + 3] != 0) {
        Walker::fail(out, "no PE signature");
        return out;
    }
    std::size_t coff = *pe + 4;
    auto section_count = in.u16(coff + 2), optional_size = in.u16(coff + 16);
    std::size_t optional = coff + 20;
    auto magic = in.u16(optional);
    if (!section_count || !optional_size || !magic || (*magic != 0x10B && *magic != 0x20B)) {
        Walker::fail(out, "unknown optional header");
        return out;
    }
    // The data directories follow the fixed part, which PE32+ makes 16 bytes longer.
    std::size_t directories = optional + (*magic == 0x20B ? 112 : 96);
    auto resource_rva = in.u32(directories + 2 * 8);
    if (!resource_rva || *resource_rva == 0) {
        Walker::fail(out, "no resource directory");
        return out;
    }

    std::vector<Section> sections;
    std::size_t table = optional + *optional_size;
    for (std::uint32_t i = 0; i < *section_count; ++i) {
        std::size_t s = table + 40 * i;
        auto vsize = in.u32(s + 8), rva = in.u32(s + 12), raw_size = in.u32(s + 16),
             raw = in.u32(s + 20);
        if (!vsize || !rva || !raw_size || !raw) {
            Walker::fail(out, "section table outside the file");
            return out;
        }
        sections.push_back({*rva, *vsize, *raw, std::min(*vsize, *raw_size)});
    }
    std::optional<std::size_t> root;
    for (const Section& s : sections)
        if (*resource_rva >= s.rva && *resource_rva < s.rva + s.file_size)
            root = s.file_offset + (*resource_rva - s.rva);
    if (!root) {
        Walker::fail(out, "resource directory outside every section");
        return out;
    }
    Walker walker(in, sections, *root);
    walker.walk(0, 0, {}, out);
    return out;
}

std::vector<std::uint8_t> read_whole_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace testing_support
