#include "xps/ticket/print_settings.h"

#include <charconv>
#include <cstdint>
#include <utility>

namespace {

// A keyword's local name goes on a line of its own: it can hold neither a space nor a line break.
bool Writable(const std::string& name)
{
    return !name.empty() && name.find_first_of(" \n") == std::string::npos;
}

void Put(std::string& record, std::string_view key, const std::optional<std::string>& value)
{
    if (value && Writable(*value))
        record.append(key).append(" ").append(*value).append("\n");
}

template <class T>
std::optional<T> Number(std::string_view text)
{
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Two numbers and the one character between them: "210000 297000", "1-3".
template <class T>
std::optional<std::pair<T, T>> Pair(std::string_view text, char separator)
{
    const std::size_t at = text.find(separator);
    const auto first = Number<T>(text.substr(0, at));
    const auto second = at == std::string_view::npos ? std::nullopt : Number<T>(text.substr(at + 1));
    if (!first || !second)
        return std::nullopt;
    return std::pair<T, T>{*first, *second};
}

void Take(PrintSettings& settings, std::string_view key, std::string_view value)
{
    const std::string text(value);
    if (key == "copies")
        settings.copies = Number<int>(value);
    else if (key == "sides")
        settings.sides = text;
    else if (key == "media") {
        if (const auto size = Pair<std::int64_t>(value, ' '))
            settings.media = MediaSize{size->first, size->second};
    }
    else if (key == "media-varies")
        settings.mediaVaries = true;
    else if (key == "color")
        settings.outputColor = text;
    else if (key == "collated")
        settings.collated = value == "1";
    else if (key == "pages-per-sheet")
        settings.pagesPerSheet = Number<int>(value);
    else if (key == "range") {
        if (const auto range = Pair<std::uint32_t>(value, '-'))
            settings.pageRanges.push_back({range->first, range->second});
    } else if (key == "bin")
        settings.inputBin = text;
    else if (key == "media-type")
        settings.mediaType = text;
    else if (key == "scaling")
        settings.scaling = text;
}

}  // namespace

std::string EncodePrintSettings(const PrintSettings& settings)
{
    std::string record;
    if (settings.copies)
        record += "copies " + std::to_string(*settings.copies) + "\n";
    Put(record, "sides", settings.sides);
    if (settings.media)
        record += "media " + std::to_string(settings.media->width) + " " + std::to_string(settings.media->height) + "\n";
    if (settings.mediaVaries)
        record += "media-varies 1\n";
    Put(record, "color", settings.outputColor);
    if (settings.collated)
        record += std::string("collated ") + (*settings.collated ? "1" : "0") + "\n";
    if (settings.pagesPerSheet)
        record += "pages-per-sheet " + std::to_string(*settings.pagesPerSheet) + "\n";
    for (const PageRange& range : settings.pageRanges)
        record += "range " + std::to_string(range.first) + "-" + std::to_string(range.last) + "\n";
    Put(record, "bin", settings.inputBin);
    Put(record, "media-type", settings.mediaType);
    Put(record, "scaling", settings.scaling);
    return record;
}

PrintSettings DecodePrintSettings(std::string_view record)
{
    PrintSettings settings;
    while (!record.empty()) {
        const std::size_t end = record.find('\n');
        const std::string_view line = record.substr(0, end);
        record.remove_prefix(end == std::string_view::npos ? record.size() : end + 1);
        const std::size_t space = line.find(' ');
        if (space != std::string_view::npos)
            Take(settings, line.substr(0, space), line.substr(space + 1));
    }
    return settings;
}
