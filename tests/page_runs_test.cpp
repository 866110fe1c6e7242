// Loading a document's pages in runs: the plan read from the package's markup, each run's package as
// libgxps and a strict ZIP reader find it, and every page printed once, in order, across runs.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "gobject_owner.h"
#include "page_runs.h"
#include "rendered_pdf.h"
#include "spool_file.h"
#include "unique_fd.h"
#include "xps_package.h"
#include "zip_directory.h"

namespace {

const std::string kDocuments = WRENPAGE_DOCUMENTS;
// Made with 150 text pages: several runs, the last one short.
const std::string kLong = kDocuments + "/pages-150.xps";

UniqueFd OpenDocument(const std::string& path) { return UniqueFd(open(path.c_str(), O_RDONLY | O_CLOEXEC)); }

// The run's package, loaded by libgxps: each page's width, in order.
std::vector<double> RunPageWidths(int runFd, guint document)
{
    const std::string name = "/proc/self/fd/" + std::to_string(runFd);
    GObjectRef<GFile> location(g_file_new_for_path(name.c_str()));
    GObjectRef<GXPSFile> file(gxps_file_new(location.get(), nullptr));
    if (!file)
        return {};
    GObjectRef<GXPSDocument> loaded(gxps_file_get_document(file.get(), document, nullptr));
    if (!loaded)
        return {};
    std::vector<double> widths;
    for (guint p = 0; p < gxps_document_get_n_pages(loaded.get()); ++p) {
        GObjectRef<GXPSPage> page(gxps_document_get_page(loaded.get(), p, nullptr));
        double width = 0;
        double height = 0;
        if (page)
            gxps_page_get_size(page.get(), &width, &height);
        widths.push_back(width);
    }
    return widths;
}

// Pages of the made documents alternate: odd pages 816 units wide, even pages 1056.
double WidthOfPage(std::size_t number) { return number % 2 ? 816 : 1056; }

TEST(PageRuns, RunsCoverTheDocumentInOrderWithinTheirBounds)
{
    UniqueFd file = OpenDocument(kLong);
    PageRuns runs;
    ASSERT_TRUE(runs.Plan(file.Get()));
    std::vector<std::size_t> lengths;
    for (std::size_t first = 0; first < 150; first += lengths.back())
        lengths.push_back(runs.RunLength(0, first));
    std::vector<std::size_t> expected(150 / kMaxRunPages, kMaxRunPages);
    if (150 % kMaxRunPages != 0)
        expected.push_back(150 % kMaxRunPages);
    EXPECT_EQ(lengths, expected);
}

TEST(PageRuns, ARunIsAPackageOfJustItsPages)
{
    UniqueFd file = OpenDocument(kLong);
    PageRuns runs;
    ASSERT_TRUE(runs.Plan(file.Get()));
    SpoolFile run;
    ASSERT_EQ(run.Open(), S_OK);
    ASSERT_EQ(runs.WriteRun(file.Get(), 0, 64, 5, run.Descriptor()), S_OK);

    std::vector<double> expected;
    for (std::size_t number = 65; number < 70; ++number)
        expected.push_back(WidthOfPage(number));
    EXPECT_EQ(RunPageWidths(run.Descriptor(), 0), expected);

    // Every part a strict reader checks (sizes, CRCs) and no page of another run.
    ZipDirectory directory;
    ASSERT_EQ(directory.Read(run.Descriptor()), S_OK);
    for (const ZipEntry& entry : directory.Entries())
        EXPECT_EQ(InflateZipEntry(run.Descriptor(), entry, [](const unsigned char*, std::size_t) { return S_OK; }), S_OK)
            << entry.name;
    EXPECT_NE(directory.Find("Documents/1/Pages/65.fpage"), nullptr);
    EXPECT_NE(directory.Find("Documents/1/Pages/_rels/69.fpage.rels"), nullptr);
    EXPECT_EQ(directory.Find("Documents/1/Pages/64.fpage"), nullptr);
    EXPECT_EQ(directory.Find("Documents/1/Pages/70.fpage"), nullptr);
    EXPECT_NE(directory.Find("Resources/Fonts/3B0A4F2C-1A6E-4C55-9E5B-6D2F0C8B7A11.ttf"), nullptr);
}

TEST(PageRuns, PackagesInEveryZipLayoutMakeRunsLibgxpsLoads)
{
    // Sizes in data descriptors or in Zip64 fields go into the run's own headers.
    for (const char* name : {"text.xps", "text.oxps", "streamed.xps", "zip64.xps"}) {
        UniqueFd file = OpenDocument(kDocuments + "/" + name);
        PageRuns runs;
        ASSERT_TRUE(runs.Plan(file.Get())) << name;
        const std::size_t pages = runs.RunLength(0, 0);
        SpoolFile run;
        ASSERT_EQ(run.Open(), S_OK);
        ASSERT_EQ(runs.WriteRun(file.Get(), 0, 0, pages, run.Descriptor()), S_OK) << name;
        EXPECT_EQ(RunPageWidths(run.Descriptor(), 0).size(), pages) << name;
    }
}

TEST(PageRuns, PackagesTheMarkupDoesNotDescribeAreLeftToLibgxps)
{
    for (const char* name : {"missing-page.xps", "no-sequence.xps", "not-a-zip.xps", "no-xps.xps"}) {
        UniqueFd file = OpenDocument(kDocuments + "/" + name);
        PageRuns runs;
        EXPECT_FALSE(runs.Plan(file.Get())) << name;
    }
}

// The gallery's pictures are more than a run copies whole: each run holds those its pages name,
// however they name them, and no other page's.
TEST(PageRuns, ARunHoldsThePicturesItsPagesNameAndNoOthers)
{
    UniqueFd file = OpenDocument(kDocuments + "/gallery.xps");
    PageRuns runs;
    ASSERT_TRUE(runs.Plan(file.Get()));
    SpoolFile run;
    ASSERT_EQ(run.Open(), S_OK);
    ASSERT_EQ(runs.WriteRun(file.Get(), 0, 32, 7, run.Descriptor()), S_OK);
    ZipDirectory directory;
    ASSERT_EQ(directory.Read(run.Descriptor()), S_OK);
    // Pages 33 to 39 name theirs in pieces, with a space, absolute, relative, through a dictionary, in
    // other case and escaped.
    for (const char* part : {"Resources/Images/33.jpg/[0].piece", "Resources/Images/33.jpg/[1].last.piece",
                             "Resources/Images/picture 34.jpg", "Resources/Images/35.jpg", "Resources/Images/36.jpg",
                             "Resources/Pictures/37.dict", "Resources/Images/37.jpg", "Resources/Images/38.jpg",
                             "Resources/Images/picture%2039.jpg",
                             "Resources/Fonts/3B0A4F2C-1A6E-4C55-9E5B-6D2F0C8B7A11.ttf"})
        EXPECT_NE(directory.Find(part), nullptr) << part;
    for (const char* part : {"Resources/Images/32.jpg", "Resources/Images/40.jpg", "Resources/Images/1.jpg"})
        EXPECT_EQ(directory.Find(part), nullptr) << part;
}

TEST(PageRuns, EveryPageOfTheGalleryKeepsItsPicture)
{
    // pdfimages lists one line for each image, its page first.
    std::istringstream list(ReadRendered(kDocuments + "/gallery.xps", "pdfimages -list"));
    std::map<int, int> images;
    std::string line;
    for (int skipped = 0; skipped < 2 && std::getline(list, line); ++skipped) {
    }
    while (std::getline(list, line))
        ++images[std::stoi(line)];
    std::map<int, int> expected;
    for (int page = 1; page <= 40; ++page)
        expected[page] = 1;
    EXPECT_EQ(images, expected);
}

// The whole print path across runs: every page once, in order, with its own text.
TEST(PageRuns, ALongDocumentRendersEveryPageInOrder)
{
    const std::string text = ReadRendered(kLong, "pdftotext", "-");
    // pdftotext ends each page with a form feed.
    std::vector<std::string> pages;
    for (std::size_t start = 0, end; (end = text.find('\f', start)) != std::string::npos; start = end + 1)
        pages.push_back(text.substr(start, end - start));
    ASSERT_EQ(pages.size(), 150u);
    for (std::size_t number = 1; number <= pages.size(); ++number)
        EXPECT_NE(pages[number - 1].find("wrenpage page " + std::to_string(number) + " of 150"), std::string::npos)
            << "page " << number;
}

}  // namespace
