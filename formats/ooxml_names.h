#pragma once
// Part names, namespaces, relationship and content types of Office Open XML spreadsheets.
#include <string_view>

namespace formats::ooxml {

inline constexpr std::string_view kMainNamespace =
    "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline constexpr std::string_view kRelationshipsNamespace =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline constexpr std::string_view kPackageRelationshipsNamespace =
    "http://schemas.openxmlformats.org/package/2006/relationships";
inline constexpr std::string_view kContentTypesNamespace =
    "http://schemas.openxmlformats.org/package/2006/content-types";

inline constexpr std::string_view kOfficeDocumentType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
inline constexpr std::string_view kWorksheetType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
inline constexpr std::string_view kStylesType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
inline constexpr std::string_view kSharedStringsType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings";

// Readers match relationship types by their last part: the strict variant of the format
// names the same relationships under another address.
inline constexpr std::string_view kOfficeDocumentSuffix = "/officeDocument";
inline constexpr std::string_view kWorksheetSuffix = "/worksheet";
inline constexpr std::string_view kStylesSuffix = "/styles";
inline constexpr std::string_view kSharedStringsSuffix = "/sharedStrings";

inline constexpr std::string_view kRelationshipsContentType =
    "application/vnd.openxmlformats-package.relationships+xml";
inline constexpr std::string_view kWorkbookContentType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
inline constexpr std::string_view kWorksheetContentType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
inline constexpr std::string_view kStylesContentType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
inline constexpr std::string_view kSharedStringsContentType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";

inline constexpr std::string_view kPackageRels = "_rels/.rels";

}  // namespace formats::ooxml
