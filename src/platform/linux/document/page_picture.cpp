#include "page_picture.h"

#include <glib.h>

#include <cmath>
#include <cstring>

namespace {

constexpr double kCentimetresPerInch = 2.54;

bool ReadNumbers(const std::string& text, std::vector<double>& numbers)
{
    gchar** words = g_strsplit_set(text.c_str(), " \t\r\n,", -1);
    bool read = true;
    for (gchar** word = words; *word != nullptr && read; ++word) {
        if (**word == '\0')
            continue;
        char* end = nullptr;
        const double number = g_ascii_strtod(*word, &end);
        read = *end == '\0' && std::isfinite(number);
        numbers.push_back(number);
    }
    g_strfreev(words);
    return read;
}

std::optional<XpsRect> ReadRect(const std::string& text)
{
    std::vector<double> numbers;
    if (!ReadNumbers(text, numbers) || numbers.size() != 4 || !(numbers[2] > 0 && numbers[3] > 0))
        return std::nullopt;
    return XpsRect{numbers[0], numbers[1], numbers[2], numbers[3]};
}

// Path data of straight lines only, in absolute coordinates: "F1 M x,y L x,y x,y ... Z".
bool ReadOutline(const std::string& data, PagePicture& picture)
{
    std::string spaced;
    for (const char c : data) {
        // Commands may touch their numbers: "M10,10L20,10".
        const bool command = c == 'F' || c == 'M' || c == 'L' || c == 'Z' || c == 'z';
        spaced += command ? std::string(" ") + static_cast<char>(g_ascii_toupper(c)) + " " : std::string(1, c);
    }
    gchar** words = g_strsplit_set(spaced.c_str(), " \t\r\n,", -1);
    std::vector<std::string> tokens;
    for (gchar** word = words; *word != nullptr; ++word) {
        if (**word != '\0')
            tokens.emplace_back(*word);
    }
    g_strfreev(words);

    std::size_t at = 0;
    if (at + 1 < tokens.size() && tokens[at] == "F") {
        if (tokens[at + 1] != "0" && tokens[at + 1] != "1")
            return false;
        picture.nonZero = tokens[at + 1] == "1";
        at += 2;
    }
    if (at >= tokens.size() || tokens[at] != "M")
        return false;
    // One figure: its start, then points joined by lines, L or no L before them ("M 0,0 10,0 10,10").
    for (++at; at < tokens.size(); ++at) {
        if (tokens[at] == "L")
            continue;
        if (tokens[at] == "Z") {
            if (at + 1 != tokens.size())
                return false;
            break;
        }
        std::vector<double> pair;
        if (at + 1 >= tokens.size() || !ReadNumbers(tokens[at] + " " + tokens[at + 1], pair))
            return false;
        picture.outline.push_back({pair[0], pair[1]});
        ++at;
    }
    return picture.outline.size() >= 3;
}

// Where the root element's start tag ends, past its '>'; npos if there is none or the root is empty.
std::size_t RootContentStart(const std::string& markup)
{
    std::size_t at = 0;
    for (;;) {
        at = markup.find('<', at);
        if (at == std::string::npos || at + 1 >= markup.size())
            return std::string::npos;
        if (markup.compare(at, 2, "<?") == 0) {
            at = markup.find("?>", at);
        } else if (markup.compare(at, 4, "<!--") == 0) {
            at = markup.find("-->", at);
        } else {
            break;
        }
        if (at == std::string::npos)
            return std::string::npos;
    }
    char quote = '\0';
    for (++at; at < markup.size(); ++at) {
        const char c = markup[at];
        if (quote != '\0') {
            quote = c == quote ? '\0' : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return markup[at - 1] == '/' ? std::string::npos : at + 1;
        }
    }
    return std::string::npos;
}

struct PictureParse {
    PagePicture picture;
    int depth = 0;
    bool fits = true;
    bool path = false;
    bool brush = false;
};

bool AttributesAre(const gchar** names, std::initializer_list<const char*> allowed)
{
    for (; *names != nullptr; ++names) {
        bool known = false;
        for (const char* name : allowed)
            known = known || std::strcmp(*names, name) == 0;
        if (!known)
            return false;
    }
    return true;
}

const char* Find(const gchar** names, const gchar** values, const char* name)
{
    for (; *names != nullptr; ++names, ++values) {
        if (std::strcmp(*names, name) == 0)
            return *values;
    }
    return nullptr;
}

void StartPictureElement(GMarkupParseContext*, const gchar* element, const gchar** names, const gchar** values,
                         gpointer data, GError**)
{
    auto* parse = static_cast<PictureParse*>(data);
    PagePicture& picture = parse->picture;
    const int depth = parse->depth++;
    const bool fill = depth == 1 && std::strcmp(element, "Path.Fill") == 0 && *names == nullptr;
    // Names and hints for readers of the markup draw nothing.
    if (depth == 0 && std::strcmp(element, "Path") == 0 && !parse->path &&
        AttributesAre(names, {"Data", "Name", "xml:lang", "AutomationProperties.Name", "AutomationProperties.HelpText",
                              "SnapsToDevicePixels"})) {
        parse->path = true;
        const char* outline = Find(names, values, "Data");
        parse->fits = parse->fits && outline != nullptr && ReadOutline(outline, picture);
    } else if (depth == 2 && std::strcmp(element, "ImageBrush") == 0 && !parse->brush &&
               AttributesAre(names, {"ImageSource", "Viewbox", "Viewport", "ViewboxUnits", "ViewportUnits", "TileMode"})) {
        parse->brush = true;
        const char* source = Find(names, values, "ImageSource");
        const char* viewbox = Find(names, values, "Viewbox");
        const char* viewport = Find(names, values, "Viewport");
        const std::optional<XpsRect> box = viewbox ? ReadRect(viewbox) : std::nullopt;
        const std::optional<XpsRect> port = viewport ? ReadRect(viewport) : std::nullopt;
        parse->fits = parse->fits && source != nullptr && box && port;
        for (const char* units : {"ViewboxUnits", "ViewportUnits"}) {
            const char* value = Find(names, values, units);
            parse->fits = parse->fits && (value == nullptr || std::strcmp(value, "Absolute") == 0);
        }
        const char* tiles = Find(names, values, "TileMode");
        parse->fits = parse->fits && (tiles == nullptr || std::strcmp(tiles, "None") == 0);
        if (parse->fits) {
            picture.source = source;
            picture.viewbox = *box;
            picture.viewport = *port;
        }
    } else if (!fill) {
        parse->fits = false;
    }
}

void EndPictureElement(GMarkupParseContext*, const gchar*, gpointer data, GError**)
{
    --static_cast<PictureParse*>(data)->depth;
}

void PictureText(GMarkupParseContext*, const gchar* text, gsize size, gpointer data, GError**)
{
    auto* parse = static_cast<PictureParse*>(data);
    for (gsize i = 0; i < size; ++i)
        parse->fits = parse->fits && g_ascii_isspace(text[i]);
}

}  // namespace

std::optional<SplitPage> SplitPagePicture(const std::string& markup)
{
    std::size_t start = RootContentStart(markup);
    if (start == std::string::npos)
        return std::nullopt;
    while (start < markup.size() && g_ascii_isspace(markup[start]))
        ++start;
    if (markup.compare(start, 5, "<Path") != 0 || start + 5 >= markup.size() || !g_ascii_isspace(markup[start + 5]))
        return std::nullopt;
    // Its only descendants are the fill's: the first end tag of a Path is its own.
    const std::size_t close = markup.find("</Path>", start);
    if (close == std::string::npos)
        return std::nullopt;
    const std::size_t end = close + std::strlen("</Path>");

    static const GMarkupParser parser{StartPictureElement, EndPictureElement, PictureText, nullptr, nullptr};
    PictureParse parse;
    GMarkupParseContext* context = g_markup_parse_context_new(&parser, G_MARKUP_DEFAULT_FLAGS, &parse, nullptr);
    const std::string element = markup.substr(start, end - start);
    const bool parsed = g_markup_parse_context_parse(context, element.data(), static_cast<gssize>(element.size()), nullptr)
                        && g_markup_parse_context_end_parse(context, nullptr);
    g_markup_parse_context_free(context);
    if (!parsed || !parse.fits || !parse.brush)
        return std::nullopt;
    return SplitPage{std::move(parse.picture), markup.substr(0, start) + markup.substr(end)};
}

std::optional<JpegInfo> ReadJpegInfo(const unsigned char* data, std::size_t size)
{
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return std::nullopt;
    JpegInfo info;
    for (std::size_t at = 2; at + 4 <= size;) {
        if (data[at] != 0xFF)
            return std::nullopt;
        const unsigned char marker = data[at + 1];
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        const std::size_t length = static_cast<std::size_t>(data[at + 2]) << 8 | data[at + 3];
        if (length < 2 || at + 2 + length > size)
            return std::nullopt;
        const unsigned char* segment = data + at + 4;
        const std::size_t body = length - 2;
        // libgxps takes the resolution from the JFIF header, in dots per inch or per centimetre.
        if (marker == 0xE0 && body >= 12 && std::memcmp(segment, "JFIF\0", 5) == 0) {
            const int unit = segment[7];
            const double x = segment[8] << 8 | segment[9];
            const double y = segment[10] << 8 | segment[11];
            if (unit == 1 || unit == 2) {
                info.resolutionX = unit == 1 ? x : x * kCentimetresPerInch;
                info.resolutionY = unit == 1 ? y : y * kCentimetresPerInch;
            }
        } else if (marker == 0xEE) {
            // An Adobe header: colour transforms that readers apply differently.
            return std::nullopt;
        } else if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            if (body < 6)
                return std::nullopt;
            const int precision = segment[0];
            info.height = segment[1] << 8 | segment[2];
            info.width = segment[3] << 8 | segment[4];
            const int components = segment[5];
            if (precision != 8 || (components != 1 && components != 3) || info.width == 0 || info.height == 0)
                return std::nullopt;
            return info;
        } else if ((marker >= 0xC3 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) ||
                   marker == 0xDA) {
            // Lossless, hierarchical or arithmetic-coded, or data before any frame.
            return std::nullopt;
        }
        at += 2 + length;
    }
    return std::nullopt;
}
