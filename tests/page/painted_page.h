// The painter fed one element at a time, on a page of a package made here, and the content operators
// it writes read back: the seam between markup and PDF without a whole document around it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "images/image_samples.h"
#include "memory_zip.h"
#include "platform/linux/unique_fd.h"
#include "xps/markup/xml_element.h"
#include "xps/package/package_reader.h"
#include "xps/page/document_resources.h"
#include "xps/page/painter.h"
#include "xps/page/resources.h"
#include "xps/pdf/pdf_writer.h"

namespace painted {

constexpr const char* kPagePart = "/Documents/1/Pages/1.fpage";

// A package of one empty 100 by 100 page, with parts of the test's own beside it.
inline UniqueFd OnePagePackage(const std::vector<std::pair<std::string, std::string>>& parts)
{
    std::vector<memory_zip::Entry> entries{
        {"[Content_Types].xml",
         R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
         R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
         R"(<Default Extension="xml" ContentType="application/xml"/></Types>)"},
        {"_rels/.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
         R"(<Relationship Id="R0" Type="http://schemas.microsoft.com/xps/2005/06/fixedrepresentation" Target="/FixedDocumentSequence.fdseq"/></Relationships>)"},
        {"FixedDocumentSequence.fdseq",
         R"(<FixedDocumentSequence xmlns="http://schemas.microsoft.com/xps/2005/06"><DocumentReference Source="/Documents/1/FixedDocument.fdoc"/></FixedDocumentSequence>)"},
        {"Documents/1/FixedDocument.fdoc",
         R"(<FixedDocument xmlns="http://schemas.microsoft.com/xps/2005/06"><PageContent Source="Pages/1.fpage"/></FixedDocument>)"},
        {"Documents/1/Pages/1.fpage", R"(<FixedPage xmlns="http://schemas.microsoft.com/xps/2005/06" Width="100" Height="100"/>)"}};
    for (const auto& [name, data] : parts)
        entries.push_back({name, data});
    return memory_zip::Zip(entries);
}

// One page's painter, its PDF written into memory.
class PaintedPage {
public:
    explicit PaintedPage(const std::vector<std::pair<std::string, std::string>>& parts = {})
        : m_file(OnePagePackage(parts)), m_package(m_file.Get()),
          m_writer([this](const char* data, std::size_t size) { m_pdf.append(data, size); }),
          m_document(m_writer, m_package), m_scopes(m_package)
    {
        m_scopes.Push(nullptr, kPagePart);
        m_painter = std::make_unique<Painter>(m_document, m_scopes, kPagePart, 100, 100);
    }

    // Paints an element given as markup in the XPS namespace, and returns the page's content so far.
    const std::string& Paint(const std::string& markup)
    {
        const std::string xmlns = R"( xmlns="http://schemas.microsoft.com/xps/2005/06")";
        std::string whole = markup;
        whole.insert(whole.find_first_of(" />"), xmlns);
        m_elements.push_back(std::make_unique<XmlElement>(ParseMarkupTree(whole)));
        m_painter->PaintElement(*m_elements.back());
        return Content();
    }
    const std::string& Content() { return m_painter->Page().content.Bytes(); }
    // The resources the page's content names, as the writer writes them.
    const PdfResources& Resources() { return m_painter->Page().resources; }
    // The whole file once the fonts are written: the objects the content names, their streams deflated.
    const std::string& Finished()
    {
        m_document.Finish();
        m_writer.Finish("");
        return m_pdf;
    }

private:
    UniqueFd m_file;
    PackageReader m_package;
    std::string m_pdf;
    PdfWriter m_writer;
    DocumentResources m_document;
    ResourceScopes m_scopes;
    std::unique_ptr<Painter> m_painter;
    std::vector<std::unique_ptr<XmlElement>> m_elements;
};

// The inflated stream of the first object whose dictionary holds marker, in a finished file.
inline std::string StreamOf(const std::string& pdf, const std::string& marker)
{
    const std::size_t start = pdf.find("stream\n", pdf.find(marker)) + 7;
    return Inflated(pdf.substr(start, pdf.find("\nendstream", start) - start));
}

}  // namespace painted
