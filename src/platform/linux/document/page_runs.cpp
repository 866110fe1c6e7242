// Planning runs of pages from a package's markup, and writing each run as a package of its own.
#include "page_runs.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>
#include <unordered_set>

#include "document_status.h"
#include "gobject_owner.h"
#include "spool_file.h"
#include "zip_writer.h"

namespace {

constexpr const char* kWordSeparators = " \t\r\n,{}";
// A JPEG's frame header comes after its metadata, which may take up to this much.
constexpr std::size_t kMaxJpegHeader = 1u << 20;
// A page's first picture is drawn by the layer only where its markup ends this early in the page.
constexpr std::size_t kMaxPictureMarkup = 64u << 10;

using Attributes = std::vector<std::pair<std::string, std::string>>;
using ElementVisitor = std::function<void(const std::string& name, const Attributes& attributes)>;

bool ReadPart(int fd, const ZipEntry& entry, std::string& text) { return ReadZipEntry(fd, entry, text) == S_OK; }

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
    // GMarkup takes a byte-order mark for text before the first element.
    const std::size_t start = markup.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const bool parsed = g_markup_parse_context_parse(context, markup.data() + start, static_cast<gssize>(markup.size() - start), nullptr)
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

// The ZIP entry name a path names, relative to the part named from; none if it climbs past the root.
std::optional<std::string> ResolvePath(const std::string& from, const std::string& reference)
{
    if (reference.empty())
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

// The part a reference from the part named from points to. Only plain paths are taken: anything escaped,
// queried or with a fragment is left to libgxps.
std::optional<std::string> ResolvePart(const std::string& from, const std::string& reference)
{
    if (reference.find_first_of("%?#\\:") != std::string::npos)
        return std::nullopt;
    return ResolvePath(from, reference);
}

// The last segment of a name, without a query or a fragment, in lower case.
std::string Leaf(const std::string& name)
{
    const std::string path = name.substr(0, name.find_first_of("?#"));
    const std::size_t slash = path.find_last_of("/\\");
    return FoldCase(slash == std::string::npos ? path : path.substr(slash + 1));
}

// The names a word may give a part, read as strictly or as loosely as any reader would: as written or
// unescaped, with or without a query or fragment, with backslashes or slashes.
std::vector<std::string> Spellings(const std::string& word)
{
    std::vector<std::string> spellings{word};
    if (word.find('%') != std::string::npos) {
        if (gchar* unescaped = g_uri_unescape_string(word.c_str(), nullptr)) {
            spellings.emplace_back(unescaped);
            g_free(unescaped);
        }
    }
    for (std::size_t i = 0, written = spellings.size(); i < written; ++i) {
        const std::string plain = spellings[i].substr(0, spellings[i].find_first_of("?#"));
        for (std::string spelling : {spellings[i], plain}) {
            std::replace(spelling.begin(), spelling.end(), '\\', '/');
            spellings.push_back(spelling);
        }
        spellings.push_back(plain);
    }
    std::sort(spellings.begin(), spellings.end());
    spellings.erase(std::unique(spellings.begin(), spellings.end()), spellings.end());
    return spellings;
}

std::string RelationshipsOf(const std::string& part)
{
    const std::size_t slash = part.rfind('/');
    const std::size_t file = slash == std::string::npos ? 0 : slash + 1;
    return part.substr(0, file) + "_rels/" + part.substr(file) + ".rels";
}

// A page's markup as a run holds it: without its first picture, which the layer draws itself.
HRESULT AddWithoutPicture(int fd, const ZipEntry& page, ZipWriter& zip)
{
    std::string markup;
    const std::optional<SplitPage> split = ReadPart(fd, page, markup) ? SplitPagePicture(markup) : std::nullopt;
    return split ? zip.Add(page.name, split->rest) : E_FAIL;
}

bool IsMarkup(const std::string& name)
{
    for (const char* suffix : {".rels", ".xml", ".fdseq", ".fdoc"}) {
        const std::size_t length = std::strlen(suffix);
        if (name.size() >= length && g_ascii_strcasecmp(name.c_str() + name.size() - length, suffix) == 0)
            return true;
    }
    return false;
}

// The part's first bytes, up to size, or fewer if it is shorter.
std::string ReadStart(int fd, const ZipEntry& entry, std::size_t size)
{
    std::string start;
    InflateZipEntry(fd, entry, [&](const unsigned char* data, std::size_t got) {
        start.append(reinterpret_cast<const char*>(data), std::min(got, size - start.size()));
        return start.size() < size ? S_OK : S_FALSE;
    });
    return start;
}

std::optional<JpegInfo> ReadJpegHeader(int fd, const ZipEntry& entry)
{
    std::optional<JpegInfo> info;
    std::vector<unsigned char> start;
    InflateZipEntry(fd, entry, [&](const unsigned char* data, std::size_t size) {
        start.insert(start.end(), data, data + std::min(size, kMaxJpegHeader - start.size()));
        info = ReadJpegInfo(start.data(), start.size());
        return info || start.size() == kMaxJpegHeader ? S_FALSE : S_OK;
    });
    return info;
}

bool IsWhole(double pixels) { return std::fabs(pixels - std::round(pixels)) < 0.01; }

}  // namespace

bool PageRuns::Plan(int fd)
{
    m_documents.clear();
    m_shared.clear();
    m_parts.clear();
    m_named.clear();
    m_leaves.clear();
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
    std::uint64_t sharedBytes = 0;
    for (const ZipEntry& entry : m_directory.Entries()) {
        if (pageParts.count(&entry) != 0)
            continue;
        m_shared.push_back(&entry);
        if (!IsMarkup(entry.name))
            sharedBytes += entry.compressedSize;
    }
    // Pages are read for a first picture only in a package that holds a JPEG.
    const bool holdsJpeg = std::any_of(m_shared.begin(), m_shared.end(), [&](const ZipEntry* entry) {
        return !IsMarkup(entry->name) && ReadStart(fd, *entry, 3) == "\xFF\xD8\xFF";
    });
    if (holdsJpeg) {
        for (Document& document : m_documents) {
            for (Page& page : document.pages)
                page.picture = FindPicture(fd, page);
        }
    }
    m_selective = sharedBytes > kMaxSharedRunBytes;
    if (m_selective) {
        for (const ZipEntry& entry : m_directory.Entries()) {
            const std::string name = FoldCase(PartOf(entry.name));
            m_leaves.insert(Leaf(name));
            m_named[name].push_back(&entry);
        }
        Dictionaries dictionaries;
        for (Document& document : m_documents) {
            for (Page& page : document.pages)
                page.resourcesKnown = FindResources(fd, page, dictionaries);
        }
    }
    return true;
}

bool PageRuns::MayName(const std::string& word) const
{
    // Only unescaping gives a word another last segment; most words are numbers and name nothing.
    if (m_leaves.count(Leaf(word)) != 0)
        return true;
    if (word.find('%') == std::string::npos)
        return false;
    const std::vector<std::string> spellings = Spellings(word);
    return std::any_of(spellings.begin(), spellings.end(),
                       [&](const std::string& spelling) { return m_leaves.count(Leaf(spelling)) != 0; });
}

std::optional<std::vector<PageRuns::Word>> PageRuns::ReadWords(int fd, const ZipEntry& part) const
{
    std::string markup;
    if (!ReadPart(fd, part, markup))
        return std::nullopt;
    std::vector<Word> words;
    const bool parsed = ForEachElement(markup, [&](const std::string&, const Attributes& attributes) {
        for (const auto& [name, value] : attributes) {
            // Markup extensions, colour profiles and lists put several words in one value; a name with a
            // space in it, unescaped, is the whole value.
            if (value.find_first_of(kWordSeparators) != std::string::npos && MayName(value))
                words.push_back({value, name == "Source"});
            gchar** split = g_strsplit_set(value.c_str(), kWordSeparators, -1);
            for (gchar** word = split; *word != nullptr; ++word) {
                if (MayName(*word))
                    words.push_back({*word, name == "Source"});
            }
            g_strfreev(split);
        }
    });
    return parsed ? std::optional(std::move(words)) : std::nullopt;
}

// Takes any word of the page's markup, or of a dictionary it names, that names a part relative to the
// page or to the markup it is in, for a part the page draws: more than libgxps reads, never less.
bool PageRuns::FindResources(int fd, Page& page, Dictionaries& dictionaries) const
{
    const std::optional<std::vector<Word>> pageWords = ReadWords(fd, *page.part);
    if (!pageWords)
        return false;
    std::unordered_set<const ZipEntry*> found;
    std::unordered_set<const ZipEntry*> read;
    std::vector<std::pair<const ZipEntry*, const std::vector<Word>*>> pending{{page.part, &*pageWords}};
    while (!pending.empty()) {
        const auto [from, words] = pending.back();
        pending.pop_back();
        for (const Word& word : *words) {
            for (const std::string& spelling : Spellings(word.text)) {
                for (const ZipEntry* base : {page.part, from}) {
                    const std::optional<std::string> name = ResolvePath(base->name, spelling);
                    const auto named = name ? m_named.find(FoldCase(*name)) : m_named.end();
                    if (named == m_named.end())
                        continue;
                    found.insert(named->second.begin(), named->second.end());
                    // A dictionary in pieces does not parse piece by piece: its page's parts stay unknown.
                    const ZipEntry* part = named->second.front();
                    if (!word.dictionary || !read.insert(part).second)
                        continue;
                    auto [dictionary, added] = dictionaries.try_emplace(part);
                    if (added)
                        dictionary->second = ReadWords(fd, *part);
                    if (!dictionary->second)
                        return false;
                    pending.emplace_back(part, &*dictionary->second);
                }
            }
        }
    }
    page.resources.assign(found.begin(), found.end());
    return true;
}

std::optional<PlacedPicture> PageRuns::FindPicture(int fd, const Page& page) const
{
    // The first element is all that counts here: a long page is not read to its end.
    std::optional<SplitPage> split = SplitPagePicture(ReadStart(fd, *page.part, kMaxPictureMarkup));
    const std::optional<std::string> name = split ? ResolvePart(page.part->name, split->picture.source) : std::nullopt;
    const ZipEntry* part = name ? Find(*name) : nullptr;
    const std::optional<JpegInfo> jpeg = part ? ReadJpegHeader(fd, *part) : std::nullopt;
    if (!jpeg)
        return std::nullopt;
    // The viewbox in the picture's pixels: a part of the picture, on whole pixels, as libgxps cuts it.
    const XpsRect& box = split->picture.viewbox;
    const double left = box.x * jpeg->resolutionX / 96;
    const double top = box.y * jpeg->resolutionY / 96;
    const double right = left + box.width * jpeg->resolutionX / 96;
    const double bottom = top + box.height * jpeg->resolutionY / 96;
    if (!(IsWhole(left) && IsWhole(top) && IsWhole(right) && IsWhole(bottom) && std::round(left) >= 0 &&
          std::round(top) >= 0 && std::round(right) <= jpeg->width && std::round(bottom) <= jpeg->height &&
          std::round(right) > std::round(left) && std::round(bottom) > std::round(top)))
        return std::nullopt;
    return PlacedPicture{std::move(split->picture), part, *jpeg, fd};
}

const PlacedPicture* PageRuns::PictureOf(std::size_t document, std::size_t page) const
{
    const std::optional<PlacedPicture>& picture = m_documents[document].pages[page].picture;
    return picture ? &*picture : nullptr;
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
            if (const HRESULT status = entry == source.pages[p].part && source.pages[p].picture
                                           ? AddWithoutPicture(fd, *entry, zip)
                                           : zip.Copy(*entry);
                status != S_OK)
                return status;
        }
    }
    bool everyPart = !m_selective;
    std::unordered_set<const ZipEntry*> named;
    for (std::size_t p = first; p < first + count; ++p) {
        everyPart = everyPart || !source.pages[p].resourcesKnown;
        named.insert(source.pages[p].resources.begin(), source.pages[p].resources.end());
    }
    for (const ZipEntry* entry : m_shared) {
        if (!IsMarkup(entry->name) && (everyPart || named.count(entry) != 0)) {
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
            const HRESULT status = inRun ? load(runDocument.get(), p, PictureOf(document, first + p))
                                         : load(whole, first + p, nullptr);
            if (status != S_OK)
                return status;
        }
        first += count;
    }
    return S_OK;
}
