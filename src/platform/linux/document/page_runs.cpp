// Planning runs of pages from a package's markup, and writing each run as a package of its own.
#include "page_runs.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <unordered_set>

#include "document_status.h"
#include "gobject_owner.h"
#include "spool_file.h"

namespace {

constexpr std::size_t kCopyChunkSize = 64 * 1024;
constexpr std::uint64_t kZip32Limit = 0xFFFFFFFF;
constexpr std::size_t kMaxZip32Entries = 0xFFFF;

using Attributes = std::vector<std::pair<std::string, std::string>>;
using ElementVisitor = std::function<void(const std::string& name, const Attributes& attributes)>;

bool ReadPart(int fd, const ZipEntry& entry, std::string& text)
{
    text.clear();
    return InflateZipEntry(fd, entry, [&](const unsigned char* data, std::size_t size) {
               text.append(reinterpret_cast<const char*>(data), size);
               return S_OK;
           }) == S_OK;
}

void StartElement(GMarkupParseContext*, const gchar* name, const gchar** names, const gchar** values,
                  gpointer visitor, GError**)
{
    Attributes attributes;
    for (; *names != nullptr; ++names, ++values)
        attributes.emplace_back(*names, *values);
    (*static_cast<const ElementVisitor*>(visitor))(name, attributes);
}

bool ForEachElement(const std::string& markup, const ElementVisitor& visit)
{
    static const GMarkupParser parser{StartElement, nullptr, nullptr, nullptr, nullptr};
    GMarkupParseContext* context =
        g_markup_parse_context_new(&parser, G_MARKUP_DEFAULT_FLAGS, const_cast<ElementVisitor*>(&visit), nullptr);
    const bool parsed = g_markup_parse_context_parse(context, markup.data(), static_cast<gssize>(markup.size()), nullptr)
                        && g_markup_parse_context_end_parse(context, nullptr);
    g_markup_parse_context_free(context);
    return parsed;
}

const std::string* Attribute(const Attributes& attributes, const char* name)
{
    for (const auto& [key, value] : attributes) {
        if (key == name)
            return &value;
    }
    return nullptr;
}

std::string Element(const std::string& name, const Attributes& attributes, bool empty)
{
    std::string element = "<" + name;
    for (const auto& [key, value] : attributes) {
        gchar* escaped = g_markup_escape_text(value.c_str(), -1);
        element += " " + key + "=\"" + escaped + "\"";
        g_free(escaped);
    }
    return element + (empty ? "/>" : ">");
}

// The part a reference from the part named from points to, as a ZIP entry name. Only plain paths are
// taken: anything escaped, queried or with a fragment is left to libgxps.
std::optional<std::string> ResolvePart(const std::string& from, const std::string& reference)
{
    if (reference.empty() || reference.find_first_of("%?#\\:") != std::string::npos)
        return std::nullopt;
    std::string path = reference[0] == '/' ? reference : from.substr(0, from.rfind('/') + 1) + reference;
    std::vector<std::string> segments;
    for (std::size_t at = 0; at <= path.size();) {
        std::size_t end = path.find('/', at);
        if (end == std::string::npos)
            end = path.size();
        const std::string segment = path.substr(at, end - at);
        if (segment == "..") {
            if (segments.empty())
                return std::nullopt;
            segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        at = end + 1;
    }
    std::string name;
    for (const std::string& segment : segments)
        name += (name.empty() ? "" : "/") + segment;
    return name;
}

std::string FoldCase(const std::string& name)
{
    std::string folded = name;
    for (char& c : folded)
        c = g_ascii_tolower(c);
    return folded;
}

std::string RelationshipsOf(const std::string& part)
{
    const std::size_t slash = part.rfind('/');
    const std::size_t file = slash == std::string::npos ? 0 : slash + 1;
    return part.substr(0, file) + "_rels/" + part.substr(file) + ".rels";
}

void Put16(std::string& out, std::uint32_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8 & 0xFF);
}

void Put32(std::string& out, std::uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// Writes a ZIP of whole entries: copied ones keep their packed bytes, added ones are stored.
class ZipWriter {
public:
    ZipWriter(int source, int out) : m_source(source), m_out(out) {}

    HRESULT Copy(const ZipEntry& entry)
    {
        if (const HRESULT status = Header(entry); status != S_OK)
            return status;
        std::vector<unsigned char> chunk(kCopyChunkSize);
        for (std::uint64_t done = 0; done < entry.compressedSize;) {
            const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), entry.compressedSize - done));
            if (const HRESULT status = ReadZipBytes(m_source, entry.dataOffset + done, chunk.data(), size); status != S_OK)
                return status;
            if (const HRESULT status = Write(chunk.data(), size); status != S_OK)
                return status;
            done += size;
        }
        return S_OK;
    }

    HRESULT Add(const std::string& name, const std::string& data)
    {
        ZipEntry entry;
        entry.name = name;
        entry.crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
        entry.compressedSize = entry.size = data.size();
        if (const HRESULT status = Header(entry); status != S_OK)
            return status;
        return Write(data.data(), data.size());
    }

    HRESULT Finish()
    {
        const std::uint64_t start = m_offset;
        if (const HRESULT status = Write(m_directory.data(), m_directory.size()); status != S_OK)
            return status;
        if (m_offset > kZip32Limit || m_entries > kMaxZip32Entries)
            return E_NOTIMPL;
        std::string end;
        Put32(end, 0x06054B50);
        Put16(end, 0);
        Put16(end, 0);
        Put16(end, m_entries);
        Put16(end, m_entries);
        Put32(end, static_cast<std::uint32_t>(m_directory.size()));
        Put32(end, static_cast<std::uint32_t>(start));
        Put16(end, 0);
        return Write(end.data(), end.size());
    }

private:
    // Sizes go in the headers, never in a data descriptor, so that a reader walking the file finds them.
    HRESULT Header(const ZipEntry& entry)
    {
        if (entry.compressedSize >= kZip32Limit || entry.size >= kZip32Limit || m_offset >= kZip32Limit)
            return E_NOTIMPL;
        const std::uint16_t flags = entry.flags & 0x0800;
        std::string local;
        Put32(local, 0x04034B50);
        Put16(local, 20);
        Put16(local, flags);
        Put16(local, entry.method);
        Put16(local, 0);
        Put16(local, 0x21);
        Put32(local, entry.crc);
        Put32(local, static_cast<std::uint32_t>(entry.compressedSize));
        Put32(local, static_cast<std::uint32_t>(entry.size));
        Put16(local, static_cast<std::uint32_t>(entry.name.size()));
        Put16(local, 0);
        local += entry.name;

        Put32(m_directory, 0x02014B50);
        Put16(m_directory, 20);
        m_directory.append(local, 4, 26);
        Put16(m_directory, 0);
        Put16(m_directory, 0);
        Put16(m_directory, 0);
        Put32(m_directory, 0);
        Put32(m_directory, static_cast<std::uint32_t>(m_offset));
        m_directory += entry.name;
        ++m_entries;
        return Write(local.data(), local.size());
    }

    HRESULT Write(const void* data, std::size_t size)
    {
        for (const char* at = static_cast<const char*>(data); size > 0;) {
            const ssize_t written = write(m_out, at, size);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return STG_E_WRITEFAULT;
            at += written;
            size -= static_cast<std::size_t>(written);
            m_offset += static_cast<std::uint64_t>(written);
        }
        return S_OK;
    }

    int m_source;
    int m_out;
    std::uint64_t m_offset = 0;
    std::uint32_t m_entries = 0;
    std::string m_directory;
};

bool IsMarkup(const std::string& name)
{
    for (const char* suffix : {".rels", ".xml", ".fdseq", ".fdoc"}) {
        const std::size_t length = std::strlen(suffix);
        if (name.size() >= length && g_ascii_strcasecmp(name.c_str() + name.size() - length, suffix) == 0)
            return true;
    }
    return false;
}

}  // namespace

bool PageRuns::Plan(int fd)
{
    m_documents.clear();
    m_shared.clear();
    m_parts.clear();
    if (m_directory.Read(fd) != S_OK)
        return false;
    for (const ZipEntry& entry : m_directory.Entries())
        m_parts.emplace(FoldCase(entry.name), &entry);
    const ZipEntry* start = Find("_rels/.rels");
    std::string markup;
    if (start == nullptr || !ReadPart(fd, *start, markup))
        return false;
    std::vector<std::string> sequences;
    const bool relationshipsRead = ForEachElement(markup, [&](const std::string& name, const Attributes& attributes) {
        const std::string* type = Attribute(attributes, "Type");
        const std::string* target = Attribute(attributes, "Target");
        if (name == "Relationship" && type != nullptr && target != nullptr && g_str_has_suffix(type->c_str(), "/fixedrepresentation"))
            sequences.push_back(*target);
    });
    if (!relationshipsRead || sequences.size() != 1)
        return false;
    const std::optional<std::string> sequenceName = ResolvePart("/", sequences[0]);
    const ZipEntry* sequence = sequenceName ? Find(*sequenceName) : nullptr;
    if (sequence == nullptr || !ReadPart(fd, *sequence, markup))
        return false;
    std::vector<std::string> documents;
    bool resolved = true;
    const bool sequenceRead = ForEachElement(markup, [&](const std::string& name, const Attributes& attributes) {
        if (name != "DocumentReference")
            return;
        const std::string* source = Attribute(attributes, "Source");
        const std::optional<std::string> part = source ? ResolvePart(sequence->name, *source) : std::nullopt;
        resolved = resolved && part.has_value();
        documents.push_back(part.value_or(""));
    });
    if (!sequenceRead || !resolved)
        return false;
    for (const std::string& name : documents) {
        if (!ReadDocument(fd, name))
            return false;
    }

    std::unordered_set<const ZipEntry*> pageParts;
    for (const Document& document : m_documents) {
        for (const Page& page : document.pages) {
            pageParts.insert(page.part);
            pageParts.insert(page.relationships);
        }
    }
    for (const ZipEntry& entry : m_directory.Entries()) {
        if (pageParts.count(&entry) == 0)
            m_shared.push_back(&entry);
    }
    return true;
}

const ZipEntry* PageRuns::Find(const std::string& name) const
{
    const auto found = m_parts.find(FoldCase(name));
    return found == m_parts.end() ? nullptr : found->second;
}

bool PageRuns::ReadDocument(int fd, const std::string& name)
{
    Document document;
    document.part = Find(name);
    std::string markup;
    if (document.part == nullptr || !ReadPart(fd, *document.part, markup))
        return false;
    bool resolved = true;
    const bool read = ForEachElement(markup, [&](const std::string& element, const Attributes& attributes) {
        if (element == "FixedDocument" && document.root.empty()) {
            document.root = Element(element, attributes, false);
            return;
        }
        if (element != "PageContent")
            return;
        const std::string* source = Attribute(attributes, "Source");
        const std::optional<std::string> part = source ? ResolvePart(document.part->name, *source) : std::nullopt;
        Page page;
        page.part = part ? Find(*part) : nullptr;
        resolved = resolved && page.part != nullptr;
        if (page.part != nullptr)
            page.relationships = Find(RelationshipsOf(page.part->name));
        page.element = Element(element, attributes, true);
        document.pages.push_back(std::move(page));
    });
    if (!read || !resolved || document.root.empty())
        return false;
    m_documents.push_back(std::move(document));
    return true;
}

std::size_t PageRuns::RunLength(std::size_t document, std::size_t first) const
{
    const std::vector<Page>& pages = m_documents[document].pages;
    std::uint64_t bytes = 0;
    std::size_t count = 0;
    while (first + count < pages.size() && count < kMaxRunPages && (count == 0 || bytes < kMaxRunPageBytes)) {
        bytes += pages[first + count].part->compressedSize;
        ++count;
    }
    return count;
}

HRESULT PageRuns::WriteRun(int fd, std::size_t document, std::size_t first, std::size_t count, int out) const
{
    const Document& source = m_documents[document];
    std::string markup = source.root;
    for (std::size_t p = first; p < first + count; ++p)
        markup += source.pages[p].element;
    markup += "</FixedDocument>";

    ZipWriter zip(fd, out);
    for (const ZipEntry* entry : m_shared) {
        if (IsMarkup(entry->name) && entry != source.part) {
            if (const HRESULT status = zip.Copy(*entry); status != S_OK)
                return status;
        }
    }
    if (const HRESULT status = zip.Add(source.part->name, markup); status != S_OK)
        return status;
    // A page named twice in a run goes in once: a ZIP may not hold two entries of one name.
    std::unordered_set<const ZipEntry*> written;
    for (std::size_t p = first; p < first + count; ++p) {
        for (const ZipEntry* entry : {source.pages[p].part, source.pages[p].relationships}) {
            if (entry == nullptr || !written.insert(entry).second)
                continue;
            if (const HRESULT status = zip.Copy(*entry); status != S_OK)
                return status;
        }
    }
    for (const ZipEntry* entry : m_shared) {
        if (!IsMarkup(entry->name)) {
            if (const HRESULT status = zip.Copy(*entry); status != S_OK)
                return status;
        }
    }
    return zip.Finish();
}

HRESULT PageRuns::ForEachPage(int fd, guint document, GXPSDocument* whole, const PageLoader& load) const
{
    const guint pages = gxps_document_get_n_pages(whole);
    const bool planned = document < m_documents.size() && m_documents[document].pages.size() == pages;
    for (guint first = 0; first < pages;) {
        const guint count = planned ? static_cast<guint>(RunLength(document, first)) : pages - first;
        SpoolFile file;
        GObjectRef<GXPSFile> run;
        GObjectRef<GXPSDocument> runDocument;
        if (planned && file.Open() == S_OK && WriteRun(fd, document, first, count, file.Descriptor()) == S_OK) {
            const std::string name = "/proc/self/fd/" + std::to_string(file.Descriptor());
            GObjectRef<GFile> location(g_file_new_for_path(name.c_str()));
            run.reset(gxps_file_new(location.get(), nullptr));
            if (run)
                runDocument.reset(gxps_file_get_document(run.get(), document, nullptr));
        }
        // A run that does not load as the whole package did is read from the whole package instead.
        const bool inRun = runDocument && gxps_document_get_n_pages(runDocument.get()) == count;
        for (guint p = 0; p < count; ++p) {
            if (const HRESULT status = inRun ? load(runDocument.get(), p) : load(whole, first + p); status != S_OK)
                return status;
        }
        first += count;
    }
    return S_OK;
}
