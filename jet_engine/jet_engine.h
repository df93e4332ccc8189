#pragma once
// The store on a Jet 4 file, through our own engine (jet/): one user action's session on
// the file, locked against other copies of the program while it is open.
#include <memory>
#include <string>

#include "engine/engine.h"
#include "jet/file_system.h"

namespace store {

// `lock`: take the file's lock between running copies (off for file systems in memory).
Result<std::unique_ptr<Engine>> open_jet_engine(jet::FileSystem& fs, const std::string& path,
                                                const std::string& password, bool lock);

}  // namespace store
