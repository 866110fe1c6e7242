#include "xps/text/font_subset.h"

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"

namespace {

// Layout tables are of no use in PDF, and keeping GSUB would pull in every glyph its substitutions reach.
constexpr hb_tag_t kDroppedTables[] = {HB_TAG('G', 'S', 'U', 'B'), HB_TAG('G', 'P', 'O', 'S'), HB_TAG('G', 'D', 'E', 'F'),
                                       HB_TAG('B', 'A', 'S', 'E'), HB_TAG('J', 'S', 'T', 'F'), HB_TAG('M', 'A', 'T', 'H')};

// Six capitals from an FNV-1a hash, so that the same subset is always named alike and different ones
// of one font are told apart.
std::string SubsetTag(const GlyphUse& use, std::string_view program)
{
    std::uint64_t hash = 0xcbf29ce484222325u;
    const auto mix = [&hash](std::uint8_t byte) { hash = (hash ^ byte) * 0x100000001b3u; };
    for (const auto& [code, glyph] : use.GlyphsByCode()) {
        mix(static_cast<std::uint8_t>(glyph >> 8));
        mix(static_cast<std::uint8_t>(glyph));
    }
    for (char byte : program)
        mix(static_cast<std::uint8_t>(byte));
    std::string tag(6, 'A');
    for (char& letter : tag) {
        letter = static_cast<char>('A' + hash % 26);
        hash /= 26;
    }
    return tag;
}

}  // namespace

FontSubset::FontSubset(const Font& font, const GlyphUse& use) : m_outlines(font.Outlines())
{
    const HbSubsetInput input(hb_subset_input_create_or_fail());
    if (!input)
        ThrowDocument(E_OUTOFMEMORY);
    hb_subset_input_set_flags(input.get(), HB_SUBSET_FLAGS_RETAIN_GIDS | HB_SUBSET_FLAGS_NOTDEF_OUTLINE);
    hb_set_t* glyphs = hb_subset_input_glyph_set(input.get());
    hb_set_add(glyphs, 0);
    for (const auto& [code, glyph] : use.GlyphsByCode())
        hb_set_add(glyphs, glyph);
    hb_set_t* dropped = hb_subset_input_set(input.get(), HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (hb_tag_t tag : kDroppedTables)
        hb_set_add(dropped, tag);

    const HbFace subset(hb_subset_or_fail(font.Face(), input.get()));
    if (!subset)
        ThrowDocument(DWRITE_E_FILEFORMAT);
    // A CID-keyed font goes as its bare CFF, whose charset readers all follow from CID to glyph; in an
    // OpenType wrapper some take the CID for a glyph id.
    m_cidKeyed = font.CidKeyed();
    m_program.reset(m_cidKeyed ? hb_face_reference_table(subset.get(), HB_TAG('C', 'F', 'F', ' '))
                               : hb_face_reference_blob(subset.get()));
    if (hb_blob_get_length(m_program.get()) == 0)
        ThrowDocument(DWRITE_E_FILEFORMAT);
    m_baseFont = SubsetTag(use, Program()) + "+" + font.PostScriptName();
}

std::string_view FontSubset::Program() const
{
    unsigned length = 0;
    const char* data = hb_blob_get_data(m_program.get(), &length);
    return {data, length};
}
