#include "xps/text/font.h"

#include "xps/text/cff_charset.h"
#include "xps/text/cff_table.h"

#include <algorithm>
#include <charconv>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/text/font_obfuscation.h"
#include "xps/text/font_table.h"

namespace {

constexpr hb_tag_t kHead = HB_TAG('h', 'e', 'a', 'd');
constexpr hb_tag_t kPost = HB_TAG('p', 'o', 's', 't');
constexpr hb_tag_t kOs2 = HB_TAG('O', 'S', '/', '2');
constexpr hb_tag_t kCmap = HB_TAG('c', 'm', 'a', 'p');

// Keeps hostile metrics small enough to scale to thousandths of an em in 32 bits.
std::int32_t Bounded(std::int64_t value)
{
    constexpr std::int64_t kLimit = 1 << 20;
    return static_cast<std::int32_t>(std::clamp(value, -kLimit, kLimit));
}

bool HasTable(hb_face_t* face, hb_tag_t tag)
{
    return FontTable(face, tag).Size() > 0;
}

std::string PdfSafeName(std::string_view name)
{
    constexpr std::string_view kDelimiters = "()<>[]{}/%#";
    std::string safe;
    for (char c : name) {
        if (c > ' ' && c <= '~' && kDelimiters.find(c) == std::string_view::npos && safe.size() < 63)
            safe.push_back(c);
    }
    return safe.empty() ? "Font" : safe;
}

}  // namespace

FontReference SplitFontUri(std::string_view fontUri)
{
    const std::size_t hash = fontUri.find('#');
    if (hash == std::string_view::npos)
        return {fontUri, 0};
    const std::string_view fragment = fontUri.substr(hash + 1);
    unsigned face = 0;
    const auto [end, error] = std::from_chars(fragment.data(), fragment.data() + fragment.size(), face);
    if (fragment.empty() || error != std::errc() || end != fragment.data() + fragment.size())
        ThrowDocument(DWRITE_E_FILEFORMAT);
    return {fontUri.substr(0, hash), face};
}

Font::Font(std::vector<std::uint8_t> bytes, std::string_view partName, std::string_view contentType, unsigned face)
    : m_bytes(std::move(bytes))
{
    if (m_bytes.empty() || m_bytes.size() > kMaxFontBytes)
        ThrowDocument(DWRITE_E_FILEFORMAT);
    if (IsObfuscatedFont(partName, contentType))
        Deobfuscate(m_bytes, partName);

    m_blob.reset(hb_blob_create(reinterpret_cast<const char*>(m_bytes.data()), static_cast<unsigned>(m_bytes.size()),
                                HB_MEMORY_MODE_READONLY, nullptr, nullptr));
    if (face >= hb_face_count(m_blob.get()))
        ThrowDocument(DWRITE_E_FILEFORMAT);
    m_face.reset(hb_face_create(m_blob.get(), face));
    m_font.reset(hb_font_create(m_face.get()));

    const FontTable head(m_face.get(), kHead);
    if (head.Size() < 54 || head.U32(12) != 0x5F0F3CF5)
        ThrowDocument(DWRITE_E_FILEFORMAT);
    m_unitsPerEm = head.U16(18);
    if (m_unitsPerEm < 16 || m_unitsPerEm > 16384)
        ThrowDocument(DWRITE_E_FILEFORMAT);
    m_glyphCount = std::min(hb_face_get_glyph_count(m_face.get()), 65536u);
    if (m_glyphCount == 0)
        ThrowDocument(DWRITE_E_FILEFORMAT);
    // PDF embeds only these two kinds of outline; CFF2 and bitmap-only fonts are refused.
    if (HasTable(m_face.get(), HB_TAG('g', 'l', 'y', 'f')) && HasTable(m_face.get(), HB_TAG('l', 'o', 'c', 'a')))
        m_outlines = FontOutlines::TrueType;
    else if (HasTable(m_face.get(), HB_TAG('C', 'F', 'F', ' ')))
        m_outlines = FontOutlines::Cff;
    else
        ThrowDocument(DWRITE_E_FILEFORMAT);
    // HarfBuzz reads a broken CFF as having no outlines, and would embed it so.
    CheckCffTables(m_face.get(), m_glyphCount);

    if (m_outlines == FontOutlines::Cff)
        m_cids = ReadCids(m_face.get(), m_glyphCount);
    m_box = {head.S16(36), head.S16(38), head.S16(40), head.S16(42)};
    m_italic = (head.U16(44) & 2) != 0;
    ReadTables();
}

void Font::ReadTables()
{
    m_hasVerticalMetrics = hb_blob_get_length(HbBlob(hb_face_reference_table(m_face.get(), HB_TAG('v', 'm', 't', 'x'))).get()) > 0;
    hb_font_extents_t extents{};
    if (hb_font_get_h_extents(m_font.get(), &extents) && extents.ascender > extents.descender) {
        m_ascent = Bounded(extents.ascender);
        m_descent = Bounded(extents.descender);
    } else {
        m_ascent = m_box.yMax;
        m_descent = m_box.yMin;
    }
    hb_position_t capHeight = 0;
    hb_codepoint_t capital = 0;
    hb_glyph_extents_t capitalExtents{};
    if (hb_ot_metrics_get_position(m_font.get(), HB_OT_METRICS_TAG_CAP_HEIGHT, &capHeight) && capHeight > 0)
        m_capHeight = Bounded(capHeight);
    else if (hb_font_get_nominal_glyph(m_font.get(), 'H', &capital) &&
             hb_font_get_glyph_extents(m_font.get(), capital, &capitalExtents))
        m_capHeight = Bounded(capitalExtents.y_bearing);
    else
        m_capHeight = m_ascent;

    const FontTable post(m_face.get(), kPost);
    m_italicAngle = std::clamp(static_cast<std::int32_t>(post.U32(4)) / 65536.0, -90.0, 90.0);
    m_fixedPitch = post.U32(12) != 0;

    const FontTable os2(m_face.get(), kOs2);
    const unsigned weight = os2.U16(4);
    m_weight = weight >= 1 && weight <= 1000 ? weight : 400;
    m_italic = m_italic || (os2.U16(62) & 1) != 0 || m_italicAngle != 0;
    // PANOSE's serif style where the font is Latin text; its IBM family class otherwise.
    const std::uint8_t panoseFamily = os2.U8(32);
    const std::uint8_t panoseSerif = os2.U8(33);
    const std::uint8_t familyClass = os2.U8(30);
    m_serif = panoseFamily == 2 ? panoseSerif >= 2 && panoseSerif <= 10
                                : (familyClass >= 1 && familyClass <= 5) || familyClass == 7;

    const FontTable cmap(m_face.get(), kCmap);
    bool unicode = false;
    bool symbol = false;
    const unsigned tables = cmap.U16(2);
    for (unsigned i = 0; i < tables && 4 + 8 * i + 8 <= cmap.Size(); ++i) {
        const std::uint16_t platform = cmap.U16(4 + 8 * i);
        const std::uint16_t encoding = cmap.U16(4 + 8 * i + 2);
        unicode = unicode || platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10));
        symbol = symbol || (platform == 3 && encoding == 0);
    }
    m_symbolic = symbol || !unicode;

    char name[128];
    unsigned length = sizeof name;
    hb_ot_name_get_utf8(m_face.get(), HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &length, name);
    m_postScriptName = PdfSafeName(std::string_view(name, std::min<std::size_t>(length, sizeof name - 1)));
}

std::int32_t Font::Advance(std::uint32_t glyph) const
{
    return HasGlyph(glyph) ? Bounded(hb_font_get_glyph_h_advance(m_font.get(), glyph)) : 0;
}

std::int32_t Font::VerticalAdvance(std::uint32_t glyph) const
{
    if (!HasGlyph(glyph))
        return 0;
    // Without vertical metrics a glyph stands an em high, as XPS viewers set sideways text.
    if (!m_hasVerticalMetrics)
        return static_cast<std::int32_t>(m_unitsPerEm);
    return std::max(0, Bounded(-std::int64_t{hb_font_get_glyph_v_advance(m_font.get(), glyph)}));
}

std::uint32_t Font::Glyph(char32_t codePoint) const
{
    hb_codepoint_t glyph = 0;
    return hb_font_get_nominal_glyph(m_font.get(), codePoint, &glyph) && HasGlyph(glyph) ? glyph : 0;
}
