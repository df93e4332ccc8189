#pragma once
// The relationships of an Open Packaging zip: which part is the workbook, its sheets, styles
// and strings. Targets are resolved against their source part, as the package rules say.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/format_error.h"
#include "formats/zip_reader.h"

namespace formats {

struct Relationship {
    std::string id;
    std::string type;
    std::string target;  // the part's full name inside the package, without a leading "/"
    bool external = false;
};

// The part name `target` points to from a part in `source_directory` ("xl/", or "" for the
// package root); nullopt when it climbs out of the package.
std::optional<std::string> resolve_target(std::string_view source_directory,
                                          std::string_view target);

// The directory of a part: "xl/workbook.xml" gives "xl/".
std::string_view part_directory(std::string_view part);

// The relationships of `part` ("" for the package itself), read from its .rels part. No .rels
// part means no relationships.
Result<std::vector<Relationship>> read_relationships(const ZipArchive& zip, std::string_view part);

// The first relationship whose type ends with `type_suffix`; nullptr when none.
const Relationship* find_relationship(const std::vector<Relationship>& relationships,
                                      std::string_view type_suffix);

// A part's text; its absence is an error that names `what`.
Result<std::string> read_part(const ZipArchive& zip, std::string_view part, std::string_view what);

}  // namespace formats
