#include "xps/pdf/pdf_resources.h"

#include <algorithm>

#include "xps/document_failure.h"
#include "xps/pdf/pdf_number.h"

namespace {

struct KindNames {
    const char* dictionary;
    char prefix;
};

constexpr KindNames kKindNames[] = {
    {"ExtGState", 'G'}, {"XObject", 'X'}, {"Pattern", 'P'}, {"Shading", 'S'}, {"Font", 'F'}, {"ColorSpace", 'C'}};

std::string ResourceName(char prefix, std::size_t index)
{
    std::string name(1, prefix);
    AppendPdfInteger(name, static_cast<std::int64_t>(index));
    return name;
}

}  // namespace

PdfResources::Mark PdfResources::Here() const
{
    Mark mark{};
    for (std::size_t kind = 0; kind < m_kinds.size(); ++kind)
        mark[kind] = m_kinds[kind].objects.size();
    return mark;
}

void PdfResources::Rewind(const Mark& mark)
{
    for (std::size_t kind = 0; kind < m_kinds.size(); ++kind) {
        Kind& names = m_kinds[kind];
        for (std::size_t i = mark[kind]; i < names.objects.size(); ++i)
            names.indices.erase(names.objects[i].number);
        names.objects.resize(std::min(mark[kind], names.objects.size()));
    }
}

std::string PdfResources::Name(PdfResourceKind kind, PdfRef object)
{
    if (!object)
        ThrowDocument(E_FAIL);
    const auto which = static_cast<std::size_t>(kind);
    Kind& names = m_kinds[which];
    const auto [found, added] = names.indices.emplace(object.number, names.objects.size());
    if (added)
        names.objects.push_back(object);
    return ResourceName(kKindNames[which].prefix, found->second);
}

PdfValue PdfResources::Value() const
{
    PdfDictionary resources;
    for (std::size_t which = 0; which < m_kinds.size(); ++which) {
        if (m_kinds[which].objects.empty())
            continue;
        // Written whole: names are unique by construction, and a page may hold very many.
        std::string names = "<<";
        for (std::size_t index = 0; index < m_kinds[which].objects.size(); ++index) {
            AppendPdfName(names, ResourceName(kKindNames[which].prefix, index));
            names += ' ';
            names += PdfValue::Reference(m_kinds[which].objects[index]).Written();
        }
        resources.Set(kKindNames[which].dictionary, PdfValue::Raw(names + ">>"));
    }
    return resources.Value();
}
