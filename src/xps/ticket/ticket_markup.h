// A print ticket's markup as it is written: the option each feature chose, with its scored properties,
// and the parameters' values, every name as its namespace and local name.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view kPrintSchemaFramework = "http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework";
inline constexpr std::string_view kPrintSchemaKeywords = "http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords";

// Real tickets hold a few dozen features and parameters, nested a few levels.
constexpr std::size_t kMaxTicketFeatures = 1000;
constexpr std::size_t kMaxTicketDepth = 32;

struct TicketProperty {
    std::string name;
    // The Value's text, or that of the ParameterInit its ParameterRef names.
    std::string value;
};

struct TicketOption {
    // Empty for an unnamed option.
    std::string name;
    std::vector<TicketProperty> properties;
};

struct TicketMarkup {
    // By feature name; of a feature written twice, or with two options, the first.
    std::map<std::string, TicketOption> features;
    std::map<std::string, std::string> parameters;
};

// name (as ParseTicketMarkup gives names) if it is a Print Schema keyword, else empty.
std::string_view KeywordOf(std::string_view name);

// Fails with XPS_E_INVALID_MARKUP where the markup breaks MarkupReader's rules, is no PrintTicket,
// nests deeper than kMaxTicketDepth, holds more than kMaxTicketFeatures features and parameters, names
// an undeclared prefix, or refers to a parameter it does not initialise.
TicketMarkup ParseTicketMarkup(std::string_view markup);
