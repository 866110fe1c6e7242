#include "xps/pdf/pdf_content.h"

#include <utility>

#include <algorithm>

#include "xps/document_failure.h"
#include "xps/pdf/pdf_number.h"

namespace {

// A page's markup is bounded, so its content is too; beyond this something has gone wrong.
constexpr std::size_t kMostContentBytes = std::size_t{256} << 20;

constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

void PdfContent::Operands(std::initializer_list<double> values)
{
    for (double value : values) {
        AppendPdfReal(m_data, value);
        m_data += ' ';
    }
}

void PdfContent::Operator(std::string_view op)
{
    m_data += op;
    m_data += '\n';
    if (m_data.size() > kMostContentBytes)
        ThrowDocument(E_OUTOFMEMORY);
}

void PdfContent::AppendPath(std::string_view operators)
{
    CheckText(false);
    m_data += operators;
    if (m_data.size() > kMostContentBytes)
        ThrowDocument(E_OUTOFMEMORY);
}

void PdfContent::Name(std::string_view name)
{
    AppendPdfName(m_data, name);
    m_data += ' ';
}

// Path, clip, q, Q, cm, Do and sh belong outside text objects; Tm and showing glyphs inside.
void PdfContent::CheckText(bool inside) const
{
    if (m_inText != inside)
        ThrowDocument(E_FAIL);
}

void PdfContent::Save()
{
    CheckText(false);
    ++m_saved;
    m_savedFills.push_back(m_fill);
    Operator("q");
}

void PdfContent::Restore()
{
    CheckText(false);
    if (m_saved == 0)
        ThrowDocument(E_FAIL);
    --m_saved;
    m_fill = m_savedFills.back();
    m_savedFills.pop_back();
    Operator("Q");
}

void PdfContent::Transform(const PdfMatrix& m)
{
    CheckText(false);
    Operands({m.a, m.b, m.c, m.d, m.e, m.f});
    Operator("cm");
}

void PdfContent::MoveTo(double x, double y)
{
    CheckText(false);
    Operands({x, y});
    Operator("m");
}

void PdfContent::LineTo(double x, double y)
{
    CheckText(false);
    Operands({x, y});
    Operator("l");
}

void PdfContent::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3)
{
    CheckText(false);
    Operands({x1, y1, x2, y2, x3, y3});
    Operator("c");
}

void PdfContent::ClosePath()
{
    CheckText(false);
    Operator("h");
}

void PdfContent::Rectangle(const PdfRect& r)
{
    CheckText(false);
    Operands({r.left, r.bottom, r.right - r.left, r.top - r.bottom});
    Operator("re");
}

void PdfContent::Clip(PdfFillRule rule)
{
    CheckText(false);
    Operator(rule == PdfFillRule::EvenOdd ? "W*" : "W");
}

void PdfContent::EndPath()
{
    CheckText(false);
    Operator("n");
}

void PdfContent::Fill(PdfFillRule rule)
{
    CheckText(false);
    Operator(rule == PdfFillRule::EvenOdd ? "f*" : "f");
}

void PdfContent::Stroke()
{
    CheckText(false);
    Operator("S");
}

void PdfContent::FillStroke(PdfFillRule rule)
{
    CheckText(false);
    Operator(rule == PdfFillRule::EvenOdd ? "B*" : "B");
}

void PdfContent::LineWidth(double width)
{
    if (!(width >= 0))
        ThrowDocument(E_FAIL);
    Operands({width});
    Operator("w");
}

void PdfContent::LineCap(int cap)
{
    if (cap < 0 || cap > 2)
        ThrowDocument(E_FAIL);
    Operands({static_cast<double>(cap)});
    Operator("J");
}

void PdfContent::LineJoin(int join)
{
    if (join < 0 || join > 2)
        ThrowDocument(E_FAIL);
    Operands({static_cast<double>(join)});
    Operator("j");
}

void PdfContent::MiterLimit(double limit)
{
    if (!(limit >= 1))
        ThrowDocument(E_FAIL);
    Operands({limit});
    Operator("M");
}

void PdfContent::Dash(const std::vector<double>& lengths, double phase)
{
    const bool negative = std::any_of(lengths.begin(), lengths.end(), [](double length) { return !(length >= 0); });
    const bool allZero = std::all_of(lengths.begin(), lengths.end(), [](double length) { return length == 0; });
    if (negative || (allZero && !lengths.empty()))
        ThrowDocument(E_FAIL);
    m_data += PdfValue::Reals(lengths).Written();
    m_data += ' ';
    Operands({phase});
    Operator("d");
}

void PdfContent::FillRgb(double r, double g, double b)
{
    // Pages of many small shapes in few colours would otherwise repeat the colour for each.
    const std::array<double, 3> color{r, g, b};
    if (m_fill == color)
        return;
    m_fill = color;
    Operands({r, g, b});
    Operator("rg");
}

void PdfContent::StrokeRgb(double r, double g, double b)
{
    Operands({r, g, b});
    Operator("RG");
}

void PdfContent::FillGray(double gray)
{
    m_fill.reset();
    Operands({gray});
    Operator("g");
}

void PdfContent::StrokeGray(double gray)
{
    Operands({gray});
    Operator("G");
}

void PdfContent::FillColorSpace(std::string_view name)
{
    m_fill.reset();
    Name(name);
    Operator("cs");
}

void PdfContent::StrokeColorSpace(std::string_view name)
{
    Name(name);
    Operator("CS");
}

void PdfContent::FillColor(const std::vector<double>& components)
{
    for (double component : components)
        Operands({component});
    Operator("sc");
}

void PdfContent::StrokeColor(const std::vector<double>& components)
{
    for (double component : components)
        Operands({component});
    Operator("SC");
}

void PdfContent::FillPattern(std::string_view pattern)
{
    FillColorSpace("Pattern");
    Name(pattern);
    Operator("scn");
}

void PdfContent::StrokePattern(std::string_view pattern)
{
    StrokeColorSpace("Pattern");
    Name(pattern);
    Operator("SCN");
}

void PdfContent::GraphicsState(std::string_view name)
{
    Name(name);
    Operator("gs");
}

void PdfContent::Draw(std::string_view xobject)
{
    CheckText(false);
    Name(xobject);
    Operator("Do");
}

void PdfContent::Shade(std::string_view shading)
{
    CheckText(false);
    Name(shading);
    Operator("sh");
}

void PdfContent::BeginText()
{
    CheckText(false);
    m_inText = true;
    Operator("BT");
}

void PdfContent::EndText()
{
    CheckText(true);
    m_inText = false;
    Operator("ET");
}

void PdfContent::Font(std::string_view name, double size)
{
    Name(name);
    Operands({size});
    Operator("Tf");
}

void PdfContent::TextMatrix(const PdfMatrix& m)
{
    CheckText(true);
    Operands({m.a, m.b, m.c, m.d, m.e, m.f});
    Operator("Tm");
}

void PdfContent::TextRenderMode(int mode)
{
    if (mode < 0 || mode > 7)
        ThrowDocument(E_FAIL);
    Operands({static_cast<double>(mode)});
    Operator("Tr");
}

void PdfContent::ShowGlyphs(const std::vector<PdfGlyph>& glyphs)
{
    CheckText(true);
    const bool adjusted = std::any_of(glyphs.begin(), glyphs.end(), [](const PdfGlyph& glyph) {
        return glyph.adjustment != 0;
    });
    if (adjusted)
        m_data += '[';
    m_data += '<';
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        for (int shift = 12; shift >= 0; shift -= 4)
            m_data += kHexDigits[(glyphs[i].id >> shift) & 0xF];
        if (glyphs[i].adjustment != 0) {
            m_data += '>';
            AppendPdfReal(m_data, glyphs[i].adjustment);
            if (i + 1 < glyphs.size())
                m_data += '<';
        }
    }
    if (adjusted) {
        if (glyphs.back().adjustment == 0)
            m_data += '>';
        Operator("] TJ");
    } else {
        Operator("> Tj");
    }
}

void PdfContent::BeginActualText(std::string_view utf8)
{
    Name("Span");
    m_data += "<</ActualText ";
    m_data += PdfValue::Text(utf8).Written();
    m_data += ">> ";
    ++m_marked;
    Operator("BDC");
}

void PdfContent::EndMarkedContent()
{
    if (m_marked == 0)
        ThrowDocument(E_FAIL);
    --m_marked;
    Operator("EMC");
}

void PdfContent::Rewind(const Mark& mark)
{
    if (mark.size > m_data.size() || mark.saved > m_saved)
        ThrowDocument(E_FAIL);
    m_data.resize(mark.size);
    m_saved = mark.saved;
    m_savedFills.resize(static_cast<std::size_t>(mark.saved));
    m_fill = mark.fill;
    m_marked = mark.marked;
    m_inText = mark.inText;
}

const std::string& PdfContent::Bytes() const
{
    if (m_saved != 0 || m_marked != 0 || m_inText)
        ThrowDocument(E_FAIL);
    return m_data;
}

std::string PdfContent::TakeBytes()
{
    Bytes();
    return std::exchange(m_data, {});
}
