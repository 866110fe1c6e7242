#include "xps/text/glyph_run.h"

#include <charconv>
#include <cmath>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/geometry/xps_numbers.h"
#include "xps/markup/xml_space.h"

namespace {

// One entry of Indices: "(c:g)glyph,advance,uOffset,vOffset", every field optional.
struct GlyphMapping {
    std::size_t codeUnits = 1;
    std::size_t glyphs = 1;
    std::optional<std::uint32_t> glyph;
    std::optional<double> advance;
    double uOffset = 0;
    double vOffset = 0;
};

std::size_t Count(std::string_view text, std::size_t least)
{
    text = TrimXmlSpace(text);
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < least)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    return value;
}

std::optional<double> OptionalNumber(std::string_view text)
{
    text = TrimXmlSpace(text);
    if (text.empty())
        return std::nullopt;
    return ParseNumber(text);
}

GlyphMapping ParseMapping(std::string_view entry)
{
    GlyphMapping mapping;
    entry = TrimXmlSpace(entry);
    if (!entry.empty() && entry.front() == '(') {
        const std::size_t close = entry.find(')');
        if (close == std::string_view::npos)
            ThrowDocument(XPS_E_INVALID_MARKUP);
        const std::string_view cluster = entry.substr(1, close - 1);
        const std::size_t colon = cluster.find(':');
        mapping.codeUnits = Count(cluster.substr(0, colon), 1);
        mapping.glyphs = colon == std::string_view::npos ? 1 : Count(cluster.substr(colon + 1), 1);
        entry.remove_prefix(close + 1);
    }
    std::string_view fields[4];
    std::size_t count = 0;
    for (std::size_t at = 0; count < 4;) {
        const std::size_t comma = entry.find(',', at);
        fields[count++] = entry.substr(at, comma == std::string_view::npos ? std::string_view::npos : comma - at);
        if (comma == std::string_view::npos)
            break;
        at = comma + 1;
        if (count == 4)
            ThrowDocument(XPS_E_INVALID_MARKUP);
    }
    if (!TrimXmlSpace(fields[0]).empty())
        mapping.glyph = static_cast<std::uint32_t>(std::min<std::size_t>(Count(fields[0], 0), UINT32_MAX));
    mapping.advance = OptionalNumber(fields[1]);
    mapping.uOffset = OptionalNumber(fields[2]).value_or(0);
    mapping.vOffset = OptionalNumber(fields[3]).value_or(0);
    return mapping;
}

char32_t CodePointAt(const std::u16string& units, std::size_t at)
{
    const char32_t unit = units[at];
    if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < units.size() && units[at + 1] >= 0xDC00 && units[at + 1] <= 0xDFFF)
        return 0x10000 + ((unit - 0xD800) << 10) + (units[at + 1] - 0xDC00);
    return unit;
}

std::u32string CodePoints(const std::u16string& units, std::size_t from, std::size_t to)
{
    std::u32string text;
    for (std::size_t at = from; at < to && at < units.size(); at += CodePointAt(units, at) > 0xFFFF ? 2 : 1)
        text += CodePointAt(units, at);
    return text;
}

// Indices' entries, separated by semicolons; none where it is absent or blank.
std::vector<GlyphMapping> ParseMappings(std::optional<std::string_view> indices, SegmentBudget& budget)
{
    std::vector<GlyphMapping> mappings;
    if (!indices || TrimXmlSpace(*indices).empty())
        return mappings;
    for (std::size_t at = 0;;) {
        const std::size_t semicolon = indices->find(';', at);
        budget.Spend();
        mappings.push_back(ParseMapping(indices->substr(at, semicolon == std::string_view::npos ? std::string_view::npos : semicolon - at)));
        if (semicolon == std::string_view::npos)
            return mappings;
        at = semicolon + 1;
    }
}

// Glyphs placed one after another along the run, from its origin, leftwards for a right-to-left run.
class GlyphPlacer {
public:
    GlyphPlacer(const Font& font, const GlyphRunStyle& style, SegmentBudget& budget)
        : m_font(font), m_style(style), m_budget(budget), m_scale(style.emSize / std::max(1u, font.UnitsPerEm())),
          m_emboldened(style.bold ? style.emSize / 50 : 0)
    {
    }

    // Advances the pen by advance, in hundredths of the em size, or by the glyph's own advance; u and v
    // offset the glyph alone. A glyph placed beyond doubles is left out.
    void Place(std::uint32_t glyph, std::optional<double> advance, double u, double v, std::u32string text)
    {
        m_budget.Spend();
        const double natural =
            (m_style.sideways ? m_font.VerticalAdvance(glyph) : m_font.Advance(glyph)) * m_scale + m_emboldened;
        const double step = advance ? *advance * m_style.emSize / 100 : natural;
        const double offsetU = u * m_style.emSize / 100;
        double x;
        if (m_style.bidiLevel % 2 == 1) {
            m_pen -= step;
            x = m_pen - offsetU;
        } else {
            x = m_pen + offsetU;
            m_pen += step;
        }
        const double y = -v * m_style.emSize / 100;
        if (std::isfinite(x) && std::isfinite(y))
            m_placed.push_back({glyph, x, y, std::move(text)});
    }

    std::vector<PlacedGlyph> Take() { return std::move(m_placed); }

private:
    const Font& m_font;
    const GlyphRunStyle& m_style;
    SegmentBudget& m_budget;
    const double m_scale;
    const double m_emboldened;
    double m_pen = 0;
    std::vector<PlacedGlyph> m_placed;
};

}  // namespace

std::u16string Utf16FromUtf8(std::string_view text)
{
    std::u16string units;
    units.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80 ? 1 : lead >> 5 == 6 ? 2 : lead >> 4 == 14 ? 3 : lead >> 3 == 30 ? 4 : 0;
        char32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length != 0 && at + length <= text.size();
        for (std::size_t i = 1; valid && i < length; ++i) {
            const unsigned char next = static_cast<unsigned char>(text[at + i]);
            valid = next >> 6 == 2;
            code = code << 6 | (next & 0x3F);
        }
        valid = valid && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
        if (!valid) {
            units += u'\uFFFD';
            ++at;
            continue;
        }
        if (code > 0xFFFF) {
            units += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            units += static_cast<char16_t>(code);
        }
        at += length;
    }
    return units;
}

std::vector<PlacedGlyph> LayOutGlyphs(const Font& font, const GlyphRunStyle& style, std::string_view unicode,
                                      std::optional<std::string_view> indices, SegmentBudget& budget)
{
    // "{}" escapes a string that would otherwise read as a markup extension.
    if (unicode.substr(0, 2) == "{}")
        unicode.remove_prefix(2);
    const std::u16string units = Utf16FromUtf8(unicode);
    const std::vector<GlyphMapping> mappings = ParseMappings(indices, budget);
    GlyphPlacer placer(font, style, budget);

    // A cluster "(c:g)" maps its c code units to g glyphs: its own and the next g - 1 mappings'.
    std::size_t unit = 0;
    std::size_t clusterGlyphsLeft = 0;
    char32_t clusterFirst = 0;
    for (const GlyphMapping& mapping : mappings) {
        if (clusterGlyphsLeft > 0) {
            --clusterGlyphsLeft;
            placer.Place(mapping.glyph.value_or(font.Glyph(clusterFirst)), mapping.advance, mapping.uOffset, mapping.vOffset, {});
            continue;
        }
        const std::size_t end = std::min(units.size(), unit + mapping.codeUnits);
        clusterFirst = unit < units.size() ? CodePointAt(units, unit) : 0;
        placer.Place(mapping.glyph.value_or(font.Glyph(clusterFirst)), mapping.advance, mapping.uOffset, mapping.vOffset,
                     CodePoints(units, unit, end));
        unit = end;
        clusterGlyphsLeft = mapping.glyphs - 1;
    }
    // Characters past the last mapping are drawn one glyph each, as the font maps and spaces them.
    while (unit < units.size()) {
        const char32_t code = CodePointAt(units, unit);
        placer.Place(font.Glyph(code), std::nullopt, 0, 0, std::u32string(1, code));
        unit += code > 0xFFFF ? 2 : 1;
    }
    return placer.Take();
}
