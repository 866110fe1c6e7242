// What the pages of a document share and the PDF holds once: fonts, subset at the end to the glyphs the
// pages drew, or sooner where they are let go to keep within the font memory; images, each written the
// first time a page shows it; ICC profiles as colour spaces.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "xps/page/brush_source.h"
#include "xps/pdf/pdf_value.h"
#include "xps/pdf/pdf_writer.h"
#include "xps/text/font.h"
#include "xps/text/font_memory.h"
#include "xps/text/glyph_use.h"

class PackageReader;

struct FontInUse {
    std::unique_ptr<Font> font;
    std::unique_ptr<GlyphUse> glyphs;
    PdfRef object;
    // The font's further text variants, from the second: each another Type 0 font of the same program.
    std::vector<PdfRef> variants;
};

class DocumentResources {
public:
    // Holds at most fontMemory bytes of fonts, but for one larger on its own.
    DocumentResources(PdfWriter& writer, const PackageReader& package, std::size_t fontMemory = kFontMemoryBound)
        : m_writer(writer), m_package(package), m_fontMemory(fontMemory)
    {
    }

    PdfWriter& Writer() { return m_writer; }
    const PackageReader& Package() const { return m_package; }

    // The font of that part and face. A part that is missing fails with XPS_E_MISSING_PART_REFERENCE,
    // one that is no font with DWRITE_E_FILEFORMAT. Fonts drawn least recently may be written and let go
    // for it: what was returned for them before is then gone.
    FontInUse& Font(const std::string& part, unsigned face);
    // The font object a content stream names to write the font through that text variant.
    PdfRef FontVariant(FontInUse& font, unsigned variant);
    // The image of that part, in the colour space of the profile part where one is given (a
    // ColorConvertedBitmap). Not an image: WINCODEC_ERR_BADIMAGE.
    const ImageInUse& Image(const std::string& part, const std::string& profile);
    // An ICCBased colour space of that profile part for colours of so many components, or nothing where
    // the profile is missing, broken or of another number of components: the colour's sRGB stands in.
    std::optional<PdfValue> ColorSpace(const std::string& profile, std::size_t components);

    // Writes every font used, subset.
    void Finish();

private:
    // Writes a font, subset to the glyphs drawn with it, and frees it.
    void LetGoFont(const std::string& key);

    PdfWriter& m_writer;
    const PackageReader& m_package;
    std::map<std::string, FontInUse> m_fonts;
    FontMemory m_fontMemory;
    std::map<std::string, ImageInUse> m_images;
    struct ColorProfile {
        PdfRef object;
        std::size_t components;
    };
    // Nothing for a profile that cannot be used.
    std::map<std::string, std::optional<ColorProfile>> m_profiles;
};
