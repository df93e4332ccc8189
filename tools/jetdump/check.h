#pragma once
#include <string>
#include <vector>

#include "jet/file.h"

namespace jetdump {

// Walks every page and every table of the file; returns one line per structural fault.
std::vector<std::string> check_file(jet::File& file);

}  // namespace jetdump
