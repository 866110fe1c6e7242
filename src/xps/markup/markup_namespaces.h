// The namespaces the markup reader knows by name.
#pragma once

#include <array>
#include <string_view>

// XPS markup comes in either of these, and the reader folds them together.
inline constexpr std::string_view kXpsNamespace = "http://schemas.microsoft.com/xps/2005/06";
inline constexpr std::string_view kOpenXpsNamespace = "http://schemas.openxps.org/oxps/v1.0";
// Their x:Key attribute.
inline constexpr std::string_view kXpsKeyNamespace = "http://schemas.microsoft.com/xps/2005/06/resourcedictionary-key";
inline constexpr std::string_view kOpenXpsKeyNamespace = "http://schemas.openxps.org/oxps/v1.0/resourcedictionary-key";
inline constexpr std::string_view kCompatibilityNamespace = "http://schemas.openxmlformats.org/markup-compatibility/2006";
inline constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

// What mc:MustUnderstand and mc:Choice Requires may name, with the namespaces a reader is given to
// read by local name (MarkupReader); any other namespace is not understood.
inline constexpr std::array<std::string_view, 6> kUnderstoodNamespaces = {
    kXpsNamespace, kOpenXpsNamespace, kXpsKeyNamespace, kOpenXpsKeyNamespace, kCompatibilityNamespace, kXmlNamespace};

// The package's own parts, which the package reader reads by local name.
inline constexpr std::string_view kRelationshipsNamespace = "http://schemas.openxmlformats.org/package/2006/relationships";
inline constexpr std::string_view kContentTypesNamespace = "http://schemas.openxmlformats.org/package/2006/content-types";
inline constexpr std::string_view kCorePropertiesNamespace =
    "http://schemas.openxmlformats.org/package/2006/metadata/core-properties";
inline constexpr std::string_view kDublinCoreNamespace = "http://purl.org/dc/elements/1.1/";
inline constexpr std::string_view kDublinCoreTermsNamespace = "http://purl.org/dc/terms/";
