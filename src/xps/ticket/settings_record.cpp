#include "xps/ticket/print_settings.h"

#include <charconv>
#include <cstdint>
#include <limits>

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

std::optional<MediaSize> Media(std::string_view text)
{
    const std::size_t space = text.find(' ');
    const auto width = Number<std::int64_t>(text.substr(0, space));
    const auto height = space == std::string_view::npos ? std::nullopt : Number<std::int64_t>(text.substr(space + 1));
    if (!width || !height)
        return std::nullopt;
    return MediaSize{*width, *height};
}

std::optional<PageRange> Range(std::string_view text)
{
    const std::size_t dash = text.find('-');
    const auto first = Number<std::uint32_t>(text.substr(0, dash));
    const auto last = dash == std::string_view::npos ? std::nullopt : Number<std::uint32_t>(text.substr(dash + 1));
    if (!first || !last)
        return std::nullopt;
    return PageRange{*first, *last};
}

void Take(PrintSettings& settings, std::string_view key, std::string_view value)
{
    const std::string text(value);
    if (key == "copies")
        settings.copies = Number<int>(value);
    else if (key == "sides")
        settings.sides = text;
    else if (key == "media")
        settings.media = Media(value);
    else if (key == "media-varies")
        settings.mediaVaries = true;
    else if (key == "color")
        settings.outputColor = text;
    else if (key == "collated")
        settings.collated = value == "1";
    else if (key == "pages-per-sheet")
        settings.pagesPerSheet = Number<int>(value);
    else if (key == "range") {
        if (const std::optional<PageRange> range = Range(value))
            settings.pageRanges.push_back(*range);
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
