// A content stream built one operator at a time, for a page, a form or a pattern cell. Resource names
// are those a PdfResources handed out.
#pragma once

#include <cstdint>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xps/pdf/pdf_value.h"

enum class PdfFillRule { NonZero, EvenOdd };

// A glyph of an Identity-H font, and how far to move back after it in thousandths of text space, as
// TJ takes it.
struct PdfGlyph {
    std::uint16_t id = 0;
    double adjustment = 0;
};

class PdfContent {
public:
    void Save();     // q
    void Restore();  // Q; throws DocumentFailure(E_FAIL) with nothing saved
    void Transform(const PdfMatrix& matrix);  // cm

    void MoveTo(double x, double y);
    void LineTo(double x, double y);
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3);
    void ClosePath();
    void Rectangle(const PdfRect& rect);
    // Path construction written elsewhere, as the geometry's path writer writes it: whole operators,
    // each ending its line.
    void AppendPath(std::string_view operators);

    void Clip(PdfFillRule rule);  // W, W*; the path still needs painting or EndPath
    void EndPath();               // n
    void Fill(PdfFillRule rule);  // f, f*
    void Stroke();                // S
    void FillStroke(PdfFillRule rule);  // B, B*

    // Throw DocumentFailure(E_FAIL) for values no reader takes: a negative width, a miter limit under
    // 1, a dash with a negative length or of lengths all zero.
    void LineWidth(double width);
    void LineCap(int cap);
    void LineJoin(int join);
    void MiterLimit(double limit);
    void Dash(const std::vector<double>& lengths, double phase);

    void FillRgb(double r, double g, double b);    // rg
    void StrokeRgb(double r, double g, double b);  // RG
    void FillGray(double gray);                    // g
    void StrokeGray(double gray);                  // G
    // cs, CS: a colour space resource's name, or a device one's, or "Pattern".
    void FillColorSpace(std::string_view name);
    void StrokeColorSpace(std::string_view name);
    void FillColor(const std::vector<double>& components);    // sc
    void StrokeColor(const std::vector<double>& components);  // SC
    void FillPattern(std::string_view pattern);               // /Pattern cs /P0 scn
    void StrokePattern(std::string_view pattern);             // /Pattern CS /P0 SCN

    void GraphicsState(std::string_view name);  // gs
    void Draw(std::string_view xobject);        // Do
    void Shade(std::string_view shading);       // sh

    void BeginText();  // BT
    void EndText();    // ET
    void Font(std::string_view name, double size);  // Tf
    void TextMatrix(const PdfMatrix& matrix);       // Tm
    void TextRenderMode(int mode);                  // Tr
    // Tj when no glyph adjusts, else TJ; glyph codes as 2-byte hex.
    void ShowGlyphs(const std::vector<PdfGlyph>& glyphs);

    // /Span <</ActualText ...>> BDC ... EMC: the text a run of glyphs stands for, for search and copy.
    void BeginActualText(std::string_view utf8);
    void EndMarkedContent();

    // Where the stream stands, to go back to when what is written after it is dropped. Going back is
    // only to a mark within the q of where the stream stands now, or outside all of them.
    struct Mark {
        std::size_t size = 0;
        int saved = 0;
        std::optional<std::array<double, 3>> fill;
        int marked = 0;
        bool inText = false;
    };
    Mark Here() const { return {m_data.size(), m_saved, m_fill, m_marked, m_inText}; }
    void Rewind(const Mark& mark);

    // The stream's bytes; throws DocumentFailure(E_FAIL) while a q, BT or BDC is unclosed.
    const std::string& Bytes() const;
    // The same bytes, taken from the content, which is left empty.
    std::string TakeBytes();

private:
    void Operands(std::initializer_list<double> values);
    void Operator(std::string_view op);
    void Name(std::string_view name);
    void CheckText(bool inside) const;

    std::string m_data;
    int m_saved = 0;
    // The fill colour in force where it is known to be an RGB one, and what each q saved of it.
    std::optional<std::array<double, 3>> m_fill;
    std::vector<std::optional<std::array<double, 3>>> m_savedFills;
    int m_marked = 0;
    bool m_inText = false;
};
