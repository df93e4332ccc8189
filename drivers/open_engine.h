#pragma once
// The driver table under the store: which engine serves a location, what it can do, and
// opening it. Nothing else in the program names an engine.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/engine.h"
#include "engine/location.h"
#include "jet/file_system.h"

namespace drivers {

// What the store at `where` can do, without opening it.
store::Capabilities capabilities(const store::StoreLocation& where);

// The connection text of the store, for diagnostics: the server's connection string, or the
// file's provider string.
std::string connection_text(const store::StoreLocation& where);

// The change stamp of a store that can be read without opening it (a file's; the inner
// nullopt when the file cannot be looked at now); nullopt for a store that must be opened to
// be asked (a server).
std::optional<std::optional<std::uint64_t>> peek_change_stamp(const store::StoreLocation& where);

// Opens the store at `where` as it stands (its server when it names one, else its file on
// `fs`). `lock`: take the file's lock between running copies (off for files in memory).
store::Result<std::unique_ptr<store::Engine>> open_engine(jet::FileSystem& fs,
                                                          const store::StoreLocation& where,
                                                          bool lock);

}  // namespace drivers
