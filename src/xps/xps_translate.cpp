#include "xps/xps_translate.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/geometry/pdf_space.h"
#include "xps/images/image_check.h"
#include "xps/markup/markup_reader.h"
#include "xps/package/package_reader.h"
#include "xps/package/part_name.h"
#include "xps/package/zip_directory.h"
#include "xps/page/document_resources.h"
#include "xps/page/page_reader.h"
#include "xps/page/painter.h"
#include "xps/page/painting_thread.h"
#include "xps/page/resources.h"
#include "xps/pdf/pdf_page.h"
#include "xps/pdf/pdf_writer.h"
#include "xps/ticket/print_settings.h"

namespace {

// Smaller documents are painted, and smaller packages checked, in less time than a thread takes to start.
constexpr std::uint64_t kLeastPaintedApart = 1u << 20;
constexpr std::uint64_t kLeastCheckedOnTwoThreads = 1u << 20;

// A page's markup read for its root and size alone, as a package is loaded.
class PageCheck final : public MarkupHandler {
public:
    void StartElement(std::string_view name, const std::vector<MarkupAttribute>& attributes) override
    {
        if (m_depth++ > 0)
            return;
        if (name != "FixedPage")
            ThrowDocument(XPS_E_INVALID_MARKUP);
        ReadPageSize(attributes);
        m_read = true;
    }
    void EndElement(std::string_view) override { --m_depth; }
    bool Read() const { return m_read; }

private:
    std::size_t m_depth = 0;
    bool m_read = false;
};

// What checking one part found: a failure of the part itself (its ZIP entry, an image's bounds), which
// ends the check, and one of its markup, which waits for the other parts' images.
struct PartCheck {
    HRESULT failure = S_OK;
    HRESULT markup = S_OK;
};

PartCheck CheckPart(const PackageReader& package, const ZipPart& part, bool page)
{
    PartCheck result;
    PageCheck check;
    std::optional<MarkupReader> reader;
    if (page)
        reader.emplace(check);
    // A page's markup failure waits for the images; its bytes still pass through their check.
    const auto readMarkup = [&](const auto& read) {
        try {
            read();
        } catch (const DocumentFailure& failure) {
            result.markup = failure.Status();
        }
    };
    try {
        ImageCheck image;
        package.Stream(part, [&](const unsigned char* data, std::size_t size) {
            if (reader && result.markup == S_OK)
                readMarkup([&] { reader->Feed(data, size); });
            image.Feed(data, size);
        });
        image.Finish();
        if (reader && result.markup == S_OK)
            readMarkup([&] {
                reader->Finish();
                if (!check.Read())
                    ThrowDocument(XPS_E_INVALID_MARKUP);
            });
    } catch (const DocumentFailure& failure) {
        result.failure = failure.Status();
    } catch (const std::bad_alloc&) {
        result.failure = E_OUTOFMEMORY;
    }
    return result;
}

// Every part is inflated, but with skipRead those the package's translation has read: checked as an
// image could be drawn from it, so that no image claims more pixels than can be decoded, and, for a page,
// its markup read as it passes. A part a whole translation read passed checks as strict: a page was read
// and drawn, an image decoded, a font parsed. Image failures come first, then the failure of the first
// page in the document's order, as if each check had been a pass of its own.
//
// Two threads share the work, each taking the next part in the directory's order: loading is mostly
// inflating and parsing pages, which need nothing of one another. Once a part fails no more are taken;
// every part before it has been, so the first failure in the directory's order is still the one found.
void CheckParts(const PackageReader& package, bool skipRead, const std::function<void()>& progress)
{
    const std::vector<ZipPart>& parts = package.Directory().Parts();
    // The first page of each part that is one, by the part's place in the directory.
    constexpr std::size_t kNoPage = SIZE_MAX;
    std::vector<std::size_t> pages(parts.size(), kNoPage);
    for (std::size_t i = 0; i < package.Pages().size(); ++i) {
        std::size_t& page = pages[static_cast<std::size_t>(package.Pages()[i] - parts.data())];
        page = std::min(page, i);
    }
    std::vector<PartCheck> checks(parts.size());
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    const auto work = [&](bool reports) {
        for (std::size_t i; !failed && (i = next++) < parts.size();) {
            if (skipRead && package.WasRead(parts[i]))
                continue;
            checks[i] = CheckPart(package, parts[i], pages[i] != kNoPage);
            if (checks[i].failure != S_OK)
                failed = true;
            if (reports)
                progress();
        }
    };
    {
        std::uint64_t size = 0;
        for (const ZipPart& part : parts)
            size += skipRead && package.WasRead(part) ? 0 : part.size;
        std::thread helper;
        // Without a second thread the check is only slower.
        try {
            if (size >= kLeastCheckedOnTwoThreads)
                helper = std::thread(work, false);
        } catch (const std::system_error&) {
        }
        work(true);
        if (helper.joinable())
            helper.join();
    }
    std::size_t failedPage = kNoPage;
    HRESULT pageFailure = S_OK;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (checks[i].failure != S_OK)
            ThrowDocument(checks[i].failure);
        if (checks[i].markup != S_OK && pages[i] < failedPage) {
            failedPage = pages[i];
            pageFailure = checks[i].markup;
        }
    }
    if (pageFailure != S_OK)
        ThrowDocument(pageFailure);
}

// A box of the page's markup, "x,y,width,height" in XPS units, in the page's PDF space within its media.
PdfRect PageBox(const std::array<double, 4>& box, const PdfRect& media)
{
    const double height = media.top;
    PdfRect r{box[0] * kPointsPerUnit, height - (box[1] + box[3]) * kPointsPerUnit, (box[0] + box[2]) * kPointsPerUnit,
              height - box[1] * kPointsPerUnit};
    r.left = std::clamp(r.left, media.left, media.right);
    r.right = std::clamp(r.right, media.left, media.right);
    r.bottom = std::clamp(r.bottom, media.bottom, media.top);
    r.top = std::clamp(r.top, media.bottom, media.top);
    return r;
}

// A URI as markup may space it: readers trim the white space around it before they look at its scheme.
std::string_view TrimmedUri(std::string_view uri)
{
    constexpr std::string_view kSpace = " \t\r\n";
    const std::size_t first = uri.find_first_not_of(kSpace);
    if (first == std::string_view::npos)
        return {};
    return uri.substr(first, uri.find_last_not_of(kSpace) - first + 1);
}

// The scheme of an absolute URI, in lower case; none for a relative reference.
std::optional<std::string> UriScheme(std::string_view uri)
{
    const std::size_t colon = uri.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return std::nullopt;
    std::string scheme;
    for (const char c : uri.substr(0, colon)) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && (scheme.empty() || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')))
            return std::nullopt;
        scheme += static_cast<char>(letter ? c | 0x20 : c);
    }
    return scheme;
}

class Translation {
public:
    Translation(int fd, const PdfSink& sink, std::size_t fontMemory)
        : m_package(fd), m_writer([&sink](const char* data, std::size_t size) {
              CheckDocument(sink(reinterpret_cast<const unsigned char*>(data), size));
          }),
          m_document(m_writer, m_package, fontMemory), m_scopes(m_package)
    {
        for (std::size_t i = 0; i < m_package.Pages().size(); ++i)
            m_pages.push_back(m_writer.Reserve());
        for (const LinkTarget& target : m_package.LinkTargets())
            m_targets.emplace(target.name, target.page);
    }

    const PackageReader& Package() const { return m_package; }

    void Run()
    {
        std::uint64_t size = 0;
        for (const ZipPart* page : m_package.Pages())
            size += page->size;
        // Without a second thread the pages are only slower.
        try {
            if (size >= kLeastPaintedApart)
                m_painting.emplace();
        } catch (const std::system_error&) {
        }
        try {
            for (std::size_t i = 0; i < m_pages.size(); ++i)
                Page(i);
        } catch (const DocumentFailure&) {
            // What was drawn before the markup failed may have failed first.
            if (m_painting)
                m_painting->Finish();
            throw;
        }
        if (m_painting)
            m_painting->Finish();
        m_document.Finish();
        m_writer.Finish(m_package.Title());
    }

private:
    // Reads a page's markup, handing what it draws to the painting thread, if there is one, which then
    // paints and writes the page while the next is read.
    void Page(std::size_t index)
    {
        const ZipPart& page = *m_package.Pages()[index];
        PageReader reader([&](const PageSize& size) -> PageDrawer& {
            if (!m_painting)
                return BeginPage(page, size);
            m_painting->Then([this, &page, size] { return &BeginPage(page, size); });
            return *m_painting;
        });
        m_package.ReadMarkup(page, reader);
        if (!reader.Read())
            ThrowDocument(XPS_E_INVALID_MARKUP);
        if (!m_painting)
            return EndPage(index);
        m_painting->Then([this, index]() -> Painter* {
            EndPage(index);
            return nullptr;
        });
    }

    Painter& BeginPage(const ZipPart& page, const PageSize& size)
    {
        m_part = PartName(page.name);
        m_size = size;
        m_painter = std::make_unique<Painter>(m_document, m_scopes, m_part, size.width, size.height);
        return *m_painter;
    }

    void EndPage(std::size_t index)
    {
        PdfPageSetup setup(m_painter->Page().box);
        if (m_size.bleedBox)
            setup.bleedBox = PageBox(*m_size.bleedBox, setup.mediaBox);
        if (m_size.contentBox)
            setup.artBox = PageBox(*m_size.contentBox, setup.mediaBox);
        for (const PageLink& link : m_painter->Links()) {
            if (const std::optional<PdfRef> annotation = Link(link))
                setup.annotations.push_back(*annotation);
        }
        WritePage(m_writer, m_pages[index], setup, std::move(m_painter->Page().content), m_painter->Page().resources);
        m_painter.reset();
    }

    // A link to a name in the document goes to the page that holds it; one to the web or to mail goes
    // out. Anything else leads nowhere a reader of the PDF should follow: the PDF is handed to people,
    // and a script, a local file or inline data in it would run or open on their machines.
    std::optional<PdfRef> Link(const PageLink& link)
    {
        const std::string_view uri = TrimmedUri(link.uri);
        if (const std::optional<std::string> scheme = UriScheme(uri)) {
            if (*scheme == "http" || *scheme == "https" || *scheme == "mailto")
                return WriteUriLink(m_writer, link.area, uri);
            return std::nullopt;
        }
        const std::size_t hash = uri.find('#');
        if (hash == std::string::npos)
            return std::nullopt;
        const auto target = m_targets.find(std::string(uri.substr(hash + 1)));
        if (target == m_targets.end())
            return std::nullopt;
        return WritePageLink(m_writer, link.area, m_pages[target->second], 0, 0);
    }

    PackageReader m_package;
    PdfWriter m_writer;
    DocumentResources m_document;
    ResourceScopes m_scopes;
    std::vector<PdfRef> m_pages;
    std::unordered_map<std::string, std::size_t> m_targets;
    // The page being painted, its part and its size.
    std::string m_part;
    PageSize m_size;
    std::unique_ptr<Painter> m_painter;
    // Last, so that it stops before what it paints with goes.
    std::optional<PaintingThread> m_painting;
};

template <class Work>
HRESULT Guarded(Work work)
{
    try {
        work();
        return S_OK;
    } catch (const DocumentFailure& failure) {
        return failure.Status();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace

TranslationStatus TranslateXpsToPdf(int packageFd, const PdfSink& sink, const std::function<void()>& progress,
                                    std::size_t fontMemory)
{
    const std::function<void()> report = progress ? progress : [] {};
    PrintSettings settings;
    const HRESULT translated = Guarded([&] {
        Translation translation(packageFd, sink, fontMemory);
        translation.Run();
        CheckParts(translation.Package(), true, report);
        // After the check, so that the tickets' parts pass it as every other part does.
        settings = ReadPrintSettings(translation.Package());
    });
    if (translated == S_OK)
        return {S_OK, S_OK, std::move(settings)};
    // What loading finds wrong comes first, wherever translating stopped: parts it never reached may be
    // worse. Only a failing package is read a second time.
    const HRESULT load = Guarded([&] { CheckParts(PackageReader(packageFd), false, report); });
    return load < 0 ? TranslationStatus{load, S_OK} : TranslationStatus{S_OK, translated};
}
