#include "xps/package/package_reader.h"

#include <algorithm>
#include <numeric>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/markup/markup_namespaces.h"
#include "xps/markup/markup_reader.h"
#include "xps/package/core_properties.h"
#include "xps/package/part_name.h"
#include "xps/package/zip_read_ahead.h"

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
    m_directory.Read(fd);
    m_escaped.reserve(m_directory.Parts().size());
    for (const ZipPart& part : m_directory.Parts())
        m_escaped.push_back(ZipNameKey(part.name).escaped);
    m_read = std::make_unique<std::atomic<bool>[]>(m_escaped.size());
    m_byName.resize(m_escaped.size());
    std::iota(m_byName.begin(), m_byName.end(), 0);
    std::sort(m_byName.begin(), m_byName.end(), [this](std::uint32_t a, std::uint32_t b) {
        const int order = ComparePartKeys(Key(a), Key(b));
        return order != 0 ? order < 0 : a < b;
    });
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

    m_sequence = *start.sequence;
    const XmlElement sequence = ParseMarkupTree(Read(m_sequence));
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

namespace {

// A fixed document read as it streams, for its pages' parts and the names each is linked by: a document
// of thousands of pages is never held as a tree.
class DocumentPages final : public MarkupHandler {
public:
    DocumentPages(const PackageReader& package, const std::string& part, std::vector<const ZipPart*>& pages,
                  std::vector<LinkTarget>& targets)
        : m_package(package), m_part(part), m_pages(pages), m_targets(targets)
    {
    }

    void StartElement(std::string_view name, const std::vector<MarkupAttribute>& attributes) override
    {
        ++m_depth;
        if (m_depth == 1 && name != "FixedDocument")
            ThrowDocument(XPS_E_INVALID_MARKUP);
        m_inPage = m_depth == 2 ? name == "PageContent" : m_inPage;
        if (m_depth == 2 && m_inPage) {
            const std::optional<std::string_view> source = FindAttribute(attributes, "Source");
            const std::optional<PartReference> part = source ? ResolvePart(m_part, *source) : std::nullopt;
            const ZipPart* page = part ? m_package.Find(part->part) : nullptr;
            m_missing = m_missing || page == nullptr;
            m_pages.push_back(page);
            ++m_count;
        }
        if (m_depth == 3)
            m_inTargets = m_inPage && name == "PageContent.LinkTargets";
        if (m_depth == 4 && m_inTargets && name == "LinkTarget") {
            if (const std::optional<std::string_view> target = FindAttribute(attributes, "Name"))
                m_targets.push_back({std::string(*target), m_pages.size() - 1});
        }
    }

    void EndElement(std::string_view) override { --m_depth; }

    std::size_t Count() const { return m_count; }
    // A page the package lacks fails once the whole document has been read, so that broken markup is
    // reported as such.
    void Check() const
    {
        if (m_missing)
            ThrowDocument(XPS_E_MISSING_REFERRED_PAGE);
    }

private:
    const PackageReader& m_package;
    const std::string& m_part;
    std::vector<const ZipPart*>& m_pages;
    std::vector<LinkTarget>& m_targets;
    int m_depth = 0;
    bool m_inPage = false;
    bool m_inTargets = false;
    bool m_missing = false;
    std::size_t m_count = 0;
};

}  // namespace

void PackageReader::ReadDocument(const std::string& name)
{
    DocumentPages pages(*this, name, m_pages, m_targets);
    ReadMarkup(*Find(name), pages);
    pages.Check();
    if (pages.Count() == 0)
        ThrowDocument(XPS_E_MISSING_PAGE_IN_DOCUMENT);
    m_documents.push_back({name, m_pages.size() - pages.Count(), pages.Count()});
}

const ZipPart* PackageReader::Find(std::string_view name) const
{
    const PartKey key{name};
    const auto found = std::lower_bound(m_byName.begin(), m_byName.end(), key,
                                        [this](std::uint32_t part, const PartKey& key) { return ComparePartKeys(Key(part), key) < 0; });
    return found != m_byName.end() && ComparePartKeys(Key(*found), key) == 0 ? &m_directory.Parts()[*found] : nullptr;
}

std::string PackageReader::Read(std::string_view name) const
{
    const ZipPart* part = Find(name);
    if (part == nullptr)
        ThrowDocument(XPS_E_MISSING_PART_REFERENCE);
    std::string bytes = ReadZipPart(m_fd, *part);
    MarkRead(*part);
    return bytes;
}

void PackageReader::Stream(const ZipPart& part, const ZipDataSink& sink) const
{
    // Smaller parts inflate in less time than a thread takes to start.
    constexpr std::uint64_t kLeastInflatedAhead = 1u << 20;
    if (part.size >= kLeastInflatedAhead)
        InflateZipPartAhead(m_fd, part, sink);
    else
        InflateZipPart(m_fd, part, sink);
    MarkRead(part);
}

void PackageReader::ReadMarkup(const ZipPart& part, MarkupHandler& handler,
                               std::initializer_list<std::string_view> localNamespaces) const
{
    MarkupReader reader(handler, localNamespaces);
    Stream(part, [&reader](const unsigned char* data, std::size_t size) { reader.Feed(data, size); });
    reader.Finish();
}
