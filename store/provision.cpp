#include "store/provision.h"

#include "store/database_template.h"

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
    const std::string partial = path + ".new";
    {
        // Left over from a start that was cut off: never a database in use.
        (void)fs.remove(partial);
        auto file = fs.create(partial);
        if (!file) return;
        if (!(*file)->write_at(0, database_template).ok() || !(*file)->sync().ok()) {
            file->reset();
            (void)fs.remove(partial);
            return;
        }
    }
    if (!fs.rename_new(partial, path).ok()) {
        (void)fs.remove(partial);
        return;
    }
    (void)fs.sync_directory_of(path);
}

void provision_store(jet::FileSystem& fs, const std::string& path) {
    provision_store(fs, path, database_template());
}

}  // namespace store
