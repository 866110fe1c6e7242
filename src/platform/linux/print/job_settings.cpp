#include "platform/linux/print/job_settings.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace {

// More ranges than this are no selection a person made; the job prints every page instead.
constexpr std::size_t kMaxPageRanges = 64;

// The Print Schema's bins by the IPP media-source that names the same tray.
constexpr std::pair<const char*, const char*> kBins[] = {
    {"Manual", "manual"}, {"Cassette", "main"}, {"High", "top"},   {"Upper", "top"},         {"Middle", "middle"},
    {"Low", "bottom"},    {"Lower", "bottom"},  {"Rear", "rear"},  {"Side", "side"},         {"Envelope", "envelope"},
    {"LargeCapacity", "large-capacity"},
};

// The attribute an option sets, and the saved options (PPD ones among them) that would say the same.
struct Attribute {
    const char* name;
    std::vector<const char*> synonyms;
};

const Attribute kCopies{"copies", {}};
const Attribute kSides{"sides", {"Duplex", "JCLDuplex", "EFDuplex", "KD03Duplex"}};
const Attribute kMedia{"media", {"PageSize", "PageRegion", "media-col"}};
const Attribute kColorMode{"print-color-mode", {"ColorModel", "output-mode"}};
const Attribute kCollation{"multiple-document-handling", {"Collate", "collate"}};
const Attribute kNumberUp{"number-up", {}};
const Attribute kPageRanges{"page-ranges", {}};
const Attribute kMediaSource{"media-source", {"InputSlot"}};
const Attribute kMediaType{"media-type", {"MediaType"}};
const Attribute kScaling{"print-scaling", {"fit-to-page"}};

class Mapping {
public:
    Mapping(http_t* http, cups_dest_t* destination, JobOptions& options)
        : m_http(http), m_destination(destination), m_options(options), m_instance(destination->instance != nullptr)
    {
    }

    // Sets the attribute where the destination takes the value.
    void SetIfSupported(const Attribute& attribute, const std::string& value)
    {
        if (Supports(attribute.name, value.c_str()))
            Set(attribute, value);
    }

    // PPD-driven queues name some values by their PPD's choices ("photo").
    void SetFirstSupported(const Attribute& attribute, std::initializer_list<const char*> values)
    {
        const auto* value = std::find_if(values.begin(), values.end(),
                                         [&](const char* value) { return Supports(attribute.name, value); });
        if (value != values.end())
            Set(attribute, *value);
    }

    void Set(const Attribute& attribute, const std::string& value)
    {
        if (m_instance && (m_options.Find(attribute.name) != nullptr ||
                           std::any_of(attribute.synonyms.begin(), attribute.synonyms.end(),
                                       [&](const char* synonym) { return m_options.Find(synonym) != nullptr; })))
            return;
        for (const char* synonym : attribute.synonyms)
            m_options.Remove(synonym);
        m_options.Set(attribute.name, value.c_str());
    }

    bool Supports(const char* name, const char* value)
    {
        return Info() != nullptr && cupsCheckDestSupported(m_http, m_destination, Info(), name, value) != 0;
    }

    ipp_attribute_t* Supported(const char* name)
    {
        return Info() != nullptr ? cupsFindDestSupported(m_http, m_destination, Info(), name) : nullptr;
    }

    // The destination's paper of that size, in either orientation: by its standard name where the
    // destination lists it, else the nearest the destination has (a borderless one, say).
    std::optional<std::string> Paper(const MediaSize& size)
    {
        // Microns to the hundredths of a millimetre that PWG sizes are given in.
        const int shorter = static_cast<int>(std::min<std::int64_t>(std::min(size.width, size.height) / 10, INT_MAX));
        const int longer = static_cast<int>(std::min<std::int64_t>(std::max(size.width, size.height) / 10, INT_MAX));
        if (shorter <= 0)
            return std::nullopt;
        if (const pwg_media_t* named = pwgMediaForSize(shorter, longer); named != nullptr && Supports("media", named->pwg))
            return std::string(named->pwg);
        cups_size_t paper{};
        if (Info() == nullptr ||
            !cupsGetDestMediaBySize(m_http, m_destination, Info(), shorter, longer, CUPS_MEDIA_FLAGS_DEFAULT, &paper))
            return std::nullopt;
        return std::string(paper.media);
    }

private:
    // Asked for once, and only by a document that asks for something.
    cups_dinfo_t* Info()
    {
        if (!m_asked) {
            m_asked = true;
            m_info.reset(cupsCopyDestInfo(m_http, m_destination));
        }
        return m_info.get();
    }

    http_t* const m_http;
    cups_dest_t* const m_destination;
    JobOptions& m_options;
    const bool m_instance;
    bool m_asked = false;
    DestInfo m_info;
};

void MapCopies(Mapping& mapping, const PrintSettings& settings)
{
    if (!settings.copies || *settings.copies <= 1)
        return;
    ipp_attribute_t* supported = mapping.Supported("copies");
    if (supported == nullptr || ippGetValueTag(supported) != IPP_TAG_RANGE)
        return;
    int upper = 1;
    ippGetRange(supported, 0, &upper);
    const int copies = std::min(*settings.copies, upper);
    if (copies <= 1)
        return;
    mapping.Set(kCopies, std::to_string(copies));
    if (settings.collated == true)
        mapping.SetIfSupported(kCollation, "separate-documents-collated-copies");
}

void MapSides(Mapping& mapping, const PrintSettings& settings)
{
    if (settings.sides == "OneSided")
        mapping.SetIfSupported(kSides, "one-sided");
    else if (settings.sides == "TwoSidedLongEdge")
        mapping.SetIfSupported(kSides, "two-sided-long-edge");
    else if (settings.sides == "TwoSidedShortEdge")
        mapping.SetIfSupported(kSides, "two-sided-short-edge");
}

// Merged and in order, as IPP takes them; nothing where there are too many.
std::string PageRanges(std::vector<PageRange> ranges)
{
    std::sort(ranges.begin(), ranges.end(), [](const PageRange& a, const PageRange& b) { return a.first < b.first; });
    std::vector<PageRange> merged;
    for (const PageRange& range : ranges) {
        if (!merged.empty() && range.first <= merged.back().last + 1ull)
            merged.back().last = std::max(merged.back().last, range.last);
        else
            merged.push_back(range);
    }
    if (merged.size() > kMaxPageRanges)
        return {};
    std::string text;
    for (const PageRange& range : merged)
        text += (text.empty() ? "" : ",") + std::to_string(range.first) + "-" + std::to_string(range.last);
    return text;
}

void MapPages(Mapping& mapping, const PrintSettings& settings)
{
    if (settings.pagesPerSheet && *settings.pagesPerSheet > 1)
        mapping.SetIfSupported(kNumberUp, std::to_string(*settings.pagesPerSheet));
    const std::string ranges = PageRanges(settings.pageRanges);
    ipp_attribute_t* supported = ranges.empty() ? nullptr : mapping.Supported("page-ranges");
    if (supported != nullptr && ippGetBoolean(supported, 0))
        mapping.Set(kPageRanges, ranges);
}

void MapPaper(Mapping& mapping, const PrintSettings& settings)
{
    if (settings.media)
        if (const std::optional<std::string> paper = mapping.Paper(*settings.media))
            mapping.Set(kMedia, *paper);
    if (settings.inputBin && *settings.inputBin != "AutoSelect") {
        const auto* bin = std::find_if(std::begin(kBins), std::end(kBins),
                                       [&](const auto& known) { return *settings.inputBin == known.first; });
        if (bin != std::end(kBins))
            mapping.SetIfSupported(kMediaSource, bin->second);
    }
    if (const std::optional<std::string>& type = settings.mediaType) {
        if (*type == "Plain")
            mapping.SetIfSupported(kMediaType, "stationery");
        else if (type->rfind("Photographic", 0) == 0)
            mapping.SetFirstSupported(kMediaType, {"photographic", "photo"});
        else if (*type == "Transparency")
            mapping.SetIfSupported(kMediaType, "transparency");
    }
}

}  // namespace

void AddDocumentSettings(http_t* http, cups_dest_t* destination, const PrintSettings& settings, JobOptions& options)
{
    Mapping mapping(http, destination, options);
    MapCopies(mapping, settings);
    MapSides(mapping, settings);
    MapPages(mapping, settings);
    MapPaper(mapping, settings);
    if (settings.outputColor == "Monochrome" || settings.outputColor == "Grayscale")
        mapping.SetIfSupported(kColorMode, "monochrome");
    if (settings.scaling == "None")
        mapping.SetIfSupported(kScaling, "none");
    else if (settings.scaling && settings.scaling->rfind("FitApplication", 0) == 0)
        mapping.SetIfSupported(kScaling, "fit");
}
