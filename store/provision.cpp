#include "store/provision.h"

namespace store {

std::string build_database_path(const std::string& program_directory) {
    std::string path = program_directory;
    if (path.empty() || path.back() != '\\') path.push_back('\\');
    return path + kDatabaseFileName;
}

void provision_store(jet::FileSystem& fs, const std::string& path,
                     std::span<const std::uint8_t> database_template) {
    auto present = fs.exists(path);
    // When even the look-up fails, writing over whatever is there would be the worse guess.
    if (!present || *present) return;
    auto file = fs.create(path);
    if (!file) return;
    (void)(*file)->write_at(0, database_template);
    (void)(*file)->sync();
}

}  // namespace store
