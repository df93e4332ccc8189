#include "formats/package_parts.h"

#include "formats/xml_document.h"

namespace formats {

std::string_view part_directory(std::string_view part) {
    const std::size_t slash = part.rfind('/');
    return slash == std::string_view::npos ? std::string_view{} : part.substr(0, slash + 1);
}

std::optional<std::string> resolve_target(std::string_view source_directory,
                                          std::string_view target) {
    std::string path = target.starts_with('/')
                           ? std::string(target.substr(1))
                           : std::string(source_directory) + std::string(target);
    std::vector<std::string> segments;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/') continue;
        const std::string_view segment(path.data() + start, i - start);
        start = i + 1;
        if (segment.empty() || segment == ".") continue;
        if (segment == "..") {
            if (segments.empty()) return std::nullopt;
            segments.pop_back();
            continue;
        }
        segments.emplace_back(segment);
    }
    std::string resolved;
    for (const auto& s : segments) {
        if (!resolved.empty()) resolved += '/';
        resolved += s;
    }
    return resolved;
}

Result<std::string> read_part(const ZipArchive& zip, std::string_view part, std::string_view what) {
    const ZipEntry* entry = zip.find(part);
    if (!entry)
        return missing("工作簿不完整：缺少" + std::string(what) + "（" + std::string(part) + "）");
    return zip.read_text(*entry);
}

Result<std::vector<Relationship>> read_relationships(const ZipArchive& zip, std::string_view part) {
    const std::string_view directory = part_directory(part);
    const std::string rels =
        std::string(directory) + "_rels/" + std::string(part.substr(directory.size())) + ".rels";
    std::vector<Relationship> found;
    if (!zip.find(rels)) return found;
    JET_ASSIGN(const std::string text, read_part(zip, rels, "关系说明"));
    JET_ASSIGN(const XmlElement root, parse_xml(text));
    for (const XmlElement* r : root.children_named("Relationship")) {
        const std::string* id = r->attribute("Id");
        const std::string* type = r->attribute("Type");
        const std::string* target = r->attribute("Target");
        if (!id || !type || !target) return damaged("工作簿的关系说明（" + rels + "）不完整");
        Relationship relationship{*id, *type, {}, false};
        if (const std::string* mode = r->attribute("TargetMode"); mode && *mode == "External") {
            relationship.external = true;
            relationship.target = *target;
        } else {
            auto resolved = resolve_target(directory, *target);
            if (!resolved) return damaged("工作簿的关系说明（" + rels + "）指向了包以外");
            relationship.target = std::move(*resolved);
        }
        found.push_back(std::move(relationship));
    }
    return found;
}

const Relationship* find_relationship(const std::vector<Relationship>& relationships,
                                      std::string_view type_suffix) {
    for (const auto& r : relationships)
        if (std::string_view(r.type).ends_with(type_suffix)) return &r;
    return nullptr;
}

}  // namespace formats
