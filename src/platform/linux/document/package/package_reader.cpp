#include "package_reader.h"

#include "core_properties.h"
#include "document_failure.h"
#include "document_status.h"
#include "markup_namespaces.h"
#include "part_name.h"

namespace {

bool EndsWith(std::string_view text, std::string_view end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The relationships of the package that lead to its one fixed document sequence and its core properties.
struct StartingParts {
    std::optional<std::string> sequence;
    std::optional<std::string> properties;
};

}  // namespace

PackageReader::PackageReader(int fd) : m_fd(fd)
{
    CheckDocument(m_directory.Read(fd));
    for (const ZipPart& part : m_directory.Parts())
        m_parts.emplace(FoldCase(Unescape(part.name).value_or(part.name)), &part);
    if (Find("[Content_Types].xml") == nullptr)
        ThrowDocument(OPC_E_MISSING_CONTENT_TYPES);
    if (Find("_rels/.rels") == nullptr)
        ThrowDocument(XPS_E_MISSING_DOCUMENTSEQUENCE_RELATIONSHIP);

    StartingParts start;
    const XmlElement relationships = ParseMarkupTree(Read("_rels/.rels"), {kRelationshipsNamespace});
    for (const XmlElement& relationship : relationships.children) {
        const std::string* type = relationship.Attribute("Type");
        const std::string* target = relationship.Attribute("Target");
        if (relationship.name != "Relationship" || type == nullptr || target == nullptr)
            continue;
        const std::optional<PartReference> part = ResolvePart("", *target);
        // A target outside the package is no sequence of this package's.
        if (EndsWith(*type, "/fixedrepresentation") && !start.sequence && part)
            start.sequence = part->part;
        else if (EndsWith(*type, "/core-properties") && part)
            start.properties = part->part;
    }
    if (!start.sequence)
        ThrowDocument(XPS_E_MISSING_DOCUMENTSEQUENCE_RELATIONSHIP);
    if (Find(*start.sequence) == nullptr)
        ThrowDocument(XPS_E_MISSING_RELATIONSHIP_TARGET);

    const XmlElement sequence = ParseMarkupTree(Read(*start.sequence));
    if (sequence.name != "FixedDocumentSequence")
        ThrowDocument(XPS_E_INVALID_MARKUP);
    std::size_t documents = 0;
    for (const XmlElement& reference : sequence.children) {
        const std::string* source = reference.Attribute("Source");
        if (reference.name != "DocumentReference")
            continue;
        const std::optional<PartReference> part = source ? ResolvePart(*start.sequence, *source) : std::nullopt;
        if (!part || Find(part->part) == nullptr)
            ThrowDocument(XPS_E_MISSING_REFERRED_DOCUMENT);
        ReadDocument(part->part);
        ++documents;
    }
    if (documents == 0)
        ThrowDocument(XPS_E_MISSING_DOCUMENT);
    // A title that cannot be read leaves the document untitled: it is never worth a failed print.
    if (start.properties && Find(*start.properties) != nullptr) {
        try {
            m_title = ReadCoreTitle(Read(*start.properties));
        } catch (const DocumentFailure&) {
        }
    }
}

void PackageReader::ReadDocument(const std::string& name)
{
    const XmlElement document = ParseMarkupTree(Read(name));
    if (document.name != "FixedDocument")
        ThrowDocument(XPS_E_INVALID_MARKUP);
    std::size_t pages = 0;
    for (const XmlElement& content : document.children) {
        if (content.name != "PageContent")
            continue;
        const std::string* source = content.Attribute("Source");
        const std::optional<PartReference> part = source ? ResolvePart(name, *source) : std::nullopt;
        if (!part || Find(part->part) == nullptr)
            ThrowDocument(XPS_E_MISSING_REFERRED_PAGE);
        XpsPage page{part->part, {}};
        for (const XmlElement& property : content.children) {
            if (property.name != "PageContent.LinkTargets")
                continue;
            for (const XmlElement& target : property.children) {
                if (const std::string* targetName = target.Attribute("Name"))
                    page.linkTargets.push_back(*targetName);
            }
        }
        m_pages.push_back(std::move(page));
        ++pages;
    }
    if (pages == 0)
        ThrowDocument(XPS_E_MISSING_PAGE_IN_DOCUMENT);
}

const ZipPart* PackageReader::Find(std::string_view name) const
{
    const auto found = m_parts.find(FoldCase(name));
    return found == m_parts.end() ? nullptr : found->second;
}

std::string PackageReader::Read(std::string_view name) const
{
    const ZipPart* part = Find(name);
    if (part == nullptr)
        ThrowDocument(XPS_E_MISSING_PART_REFERENCE);
    std::string bytes;
    CheckDocument(ReadZipPart(m_fd, *part, bytes));
    return bytes;
}

void PackageReader::Stream(const ZipPart& part, const ZipDataSink& sink) const
{
    CheckDocument(InflateZipPart(m_fd, part, sink));
}
