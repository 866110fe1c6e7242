// A page's, form's or pattern's resource dictionary: a name for each object its content uses, the
// same name for the same object.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "xps/pdf/pdf_value.h"

enum class PdfResourceKind { ExtGState, XObject, Pattern, Shading, Font, ColorSpace };

class PdfResources {
public:
    // G0 for graphics states, X0 XObjects, P0 patterns, S0 shadings, F0 fonts, C0 colour spaces.
    std::string Name(PdfResourceKind kind, PdfRef object);
    std::string ExtGState(PdfRef object) { return Name(PdfResourceKind::ExtGState, object); }
    std::string XObject(PdfRef object) { return Name(PdfResourceKind::XObject, object); }
    std::string Pattern(PdfRef object) { return Name(PdfResourceKind::Pattern, object); }
    std::string Shading(PdfRef object) { return Name(PdfResourceKind::Shading, object); }
    std::string Font(PdfRef object) { return Name(PdfResourceKind::Font, object); }
    std::string ColorSpace(PdfRef object) { return Name(PdfResourceKind::ColorSpace, object); }

    PdfValue Value() const;

    // How many objects of each kind are named, to forget those named after it.
    using Mark = std::array<std::size_t, 6>;
    Mark Here() const;
    void Rewind(const Mark& mark);

private:
    struct Kind {
        std::vector<PdfRef> objects;                  // by name's index
        std::map<std::uint32_t, std::size_t> indices;  // by object number
    };
    std::array<Kind, 6> m_kinds;
};
